// data_update_bench: MigrateDataFromUserCache copying a generated install cache into an
// empty data path, against `cp -r` of the same tree in the same run.
//
//   data_update_bench [--files 2000] [--megabytes 100] [--rounds 5] [--dir /tmp]
//
// Each round times both copies (alternating which goes first) on a warm page cache and
// prints the medians and their ratio.
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "KVDataManager/migrate_data.h"
#include "KVPlatform/registry.h"
#include "KVPlatform/ui.h"
#include "temp_root.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr const wchar_t* kKey = L"SOFTWARE\\Kestrel\\KVDNC";

// About `files` files and `bytes` bytes in 20 top-level folders, each with subfolders,
// sizes spread from a few hundred bytes to a few hundred kilobytes.
void Generate(const fs::path& cache, int files, uint64_t bytes) {
  std::mt19937_64 random(42);
  std::vector<uint64_t> sizes(static_cast<size_t>(files));
  std::exponential_distribution<double> spread(1.0);
  double total = 0;
  for (auto& size : sizes)
    total += static_cast<double>(size = static_cast<uint64_t>(spread(random) * 1000) + 1);
  std::string block(1 << 20, '\0');
  for (auto& c : block) c = static_cast<char>('A' + random() % 26);
  for (int i = 0; i < files; ++i) {
    const uint64_t size = std::max<uint64_t>(
        1,
        static_cast<uint64_t>(static_cast<double>(sizes[i]) / total * static_cast<double>(bytes)));
    const fs::path file = cache / ("Folder" + std::to_string(i % 20)) /
                          ("sub" + std::to_string(i / 20 % 5)) /
                          ("file" + std::to_string(i) + ".dat");
    fs::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary);
    for (uint64_t written = 0; written < size;) {
      const uint64_t chunk = std::min<uint64_t>(size - written, block.size());
      out.write(block.data(), static_cast<std::streamsize>(chunk));
      written += chunk;
    }
  }
  std::ofstream(cache / "DataVersion.txt") << "2024.3.1\r\n";
}

double Seconds(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  int files = 2000, rounds = 5;
  uint64_t megabytes = 100;
  std::string dir = fs::temp_directory_path().string();
  for (int i = 1; i + 1 < argc; i += 2) {
    if (!std::strcmp(argv[i], "--files"))
      files = std::atoi(argv[i + 1]);
    else if (!std::strcmp(argv[i], "--megabytes"))
      megabytes = std::strtoull(argv[i + 1], nullptr, 10);
    else if (!std::strcmp(argv[i], "--rounds"))
      rounds = std::atoi(argv[i + 1]);
    else if (!std::strcmp(argv[i], "--dir"))
      dir = argv[i + 1];
  }
  const kv::testing::TempRoot temp(dir);
  const fs::path c = temp.Drive(L'c');
  const fs::path cache = c / "Install/UserDataCache";
  const fs::path data = c / "Data";
  const fs::path copy = c / "Copy";
  Generate(cache, files, megabytes << 20);
  if (!kv::WriteRegistryText(kv::Hive::kCurrentUser, kKey, L"Data Path", L"C:\\Data\\").ok() ||
      !kv::WriteRegistryText(kv::Hive::kLocalMachine, kKey, L"Install Path", L"C:\\Install\\")
           .ok()) {
    std::cerr << "cannot write the registry\n";
    return 1;
  }
  kv::SetUiBackend(kv::MakeUiBackend("scripted"));

  const std::string cp = "cp -r '" + cache.string() + "' '" + copy.string() + "'";
  std::vector<double> update, reference;
  for (int round = 0; round < rounds; ++round) {
    fs::remove_all(data);
    fs::remove_all(copy);
    auto runUpdate = [&] {
      const auto start = Clock::now();
      if (!MigrateDataFromUserCache(kKey, nullptr)) std::exit(1);
      update.push_back(Seconds(start));
    };
    auto runCp = [&] {
      const auto start = Clock::now();
      if (std::system(cp.c_str()) != 0) std::exit(1);
      reference.push_back(Seconds(start));
    };
    if (round % 2 == 0) {
      runUpdate();
      runCp();
    } else {
      runCp();
      runUpdate();
    }
  }
  size_t copied = 0;
  for (auto it = fs::recursive_directory_iterator(data); it != fs::recursive_directory_iterator();
       ++it) {
    copied += it->is_regular_file() ? 1 : 0;
  }

  const double u = Median(update), r = Median(reference);
  std::printf("files %d, %llu MB, %d rounds; %zu files in the data path after the update\n", files,
              static_cast<unsigned long long>(megabytes), rounds, copied);
  std::printf("MigrateDataFromUserCache  median %.3f s\n", u);
  std::printf("cp -r                     median %.3f s\n", r);
  std::printf("ratio update / cp -r      %.2f (limit 1.30)\n", u / r);
  return 0;
}
