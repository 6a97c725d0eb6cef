// The registry and INI files on the paths the products take at every start: a value read
// from an unchanged hive (one stat, no parse), the first read of a hive (one parse), a
// value written (lock, rewrite, flush, rename), and an INI value read.
//
// Large hives against their peers, each measured in the same iterations as ours: a hive
// of 200,000 values in one key and one of 100,000 keys; the first read of a value
// against reading the hive file and splitting it into lines, a write of a value against
// writing the hive file once with its flush. The counter "ratio" is ours over the peer.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "KVPlatform/ini.h"
#include "KVPlatform/registry.h"
#include "temp_root.h"

namespace {

constexpr wchar_t kKey[] = L"Software\\Kestrel\\PIECEbank\\2024";

// A fresh root for the whole run, with a hive of `values` values under kKey and as many
// sibling keys of ten values each.
class BenchRoot {
 public:
  void Fill(int values) {
    std::string text =
        "Windows Registry Editor Version "
        "5.00\n\n[HKEY_CURRENT_USER\\Software\\Kestrel\\PIECEbank\\2024]\n";
    for (int i = 0; i < values; ++i) {
      text += "\"Value " + std::to_string(i) + "\"=\"C:\\\\Kestrel\\\\Data\\\\" +
              std::to_string(i) + "\"\n";
    }
    for (int k = 0; k < values; ++k) {
      text += "\n[HKEY_CURRENT_USER\\Software\\Kestrel\\Product" + std::to_string(k) + "]\n";
      for (int i = 0; i < 10; ++i) text += "\"n" + std::to_string(i) + "\"=dword:0000002a\n";
    }
    std::vector<kv::RegImportError> errors;
    std::filesystem::remove(path() / "registry" / "HKEY_CURRENT_USER.reg");
    if (!kv::ImportRegText(text, &errors).ok()) std::abort();
    // As at a product's start: the hive was written a while ago (a version younger than
    // two seconds is confirmed by its bytes on every read).
    std::filesystem::path hive = path() / "registry" / "HKEY_CURRENT_USER.reg";
    std::filesystem::last_write_time(
        hive, std::filesystem::last_write_time(hive) - std::chrono::seconds(60));
    kv::ResetRegistryCache();
  }
  const std::filesystem::path& path() const { return root_.path(); }

 private:
  kv::testing::TempRoot root_;
};

BenchRoot& Root() {
  static BenchRoot root;
  return root;
}

void BM_ReadUnchangedHive(benchmark::State& state) {
  Root().Fill(static_cast<int>(state.range(0)));
  std::wstring text;
  for (auto _ : state) {
    if (!kv::ReadRegistryText(kv::Hive::kCurrentUser, kKey, L"Value 1", &text).ok()) {
      state.SkipWithError("read failed");
    }
    benchmark::DoNotOptimize(text);
  }
}
BENCHMARK(BM_ReadUnchangedHive)->Arg(10)->Arg(100)->Arg(1000);

void BM_FirstReadParsesHive(benchmark::State& state) {
  Root().Fill(static_cast<int>(state.range(0)));
  auto bytes = std::filesystem::file_size(Root().path() / "registry" / "HKEY_CURRENT_USER.reg");
  std::wstring text;
  for (auto _ : state) {
    kv::ResetRegistryCache();
    if (!kv::ReadRegistryText(kv::Hive::kCurrentUser, kKey, L"Value 1", &text).ok()) {
      state.SkipWithError("read failed");
    }
    benchmark::DoNotOptimize(text);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}
BENCHMARK(BM_FirstReadParsesHive)->Arg(10)->Arg(100)->Arg(1000);

void BM_WriteValue(benchmark::State& state) {
  Root().Fill(static_cast<int>(state.range(0)));
  uint32_t n = 0;
  for (auto _ : state) {
    if (!kv::WriteRegistryText(kv::Hive::kCurrentUser, kKey, L"Counter", std::to_wstring(++n))
             .ok()) {
      state.SkipWithError("write failed");
    }
  }
}
BENCHMARK(BM_WriteValue)->Arg(10)->Arg(100)->Unit(benchmark::kMicrosecond);

void BM_IniRead(benchmark::State& state) {
  std::filesystem::path file = Root().path() / "kestrel.ini";
  {
    std::ofstream out(file, std::ios::binary);
    for (int s = 0; s < 20; ++s) {
      out << "[Section" << s << "]\r\n";
      for (int k = 0; k < 20; ++k) out << "Key" << k << "=value " << k << "\r\n";
    }
  }
  std::wstring path = file.wstring();
  wchar_t buffer[260];
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        kv::GetPrivateProfileString(L"Section19", L"Key19", L"", buffer, 260, path));
  }
}
BENCHMARK(BM_IniRead);

// The large hives: kind 0 is 200,000 values in one key, kind 1 is 100,000 keys of two
// values each. The value read and written lies in the middle of the file.
struct LargeHive {
  std::wstring key;
  std::wstring value;
};

LargeHive WriteLargeHive(int kind) {
  std::string text = "Windows Registry Editor Version 5.00\n\n";
  LargeHive hive;
  if (kind == 0) {
    text += "[HKEY_CURRENT_USER\\Software\\Kestrel\\Values]\n";
    for (int i = 0; i < 200000; ++i) {
      text += "\"Value " + std::to_string(i) + "\"=\"C:\\\\Kestrel\\\\Data\\\\" +
              std::to_string(i) + "\"\n";
    }
    text += "\n";
    hive = {L"Software\\Kestrel\\Values", L"Value 100000"};
  } else {
    for (int k = 0; k < 100000; ++k) {
      text += "[HKEY_CURRENT_USER\\Software\\Kestrel\\Keys\\Key" + std::to_string(k) + "]\n";
      text += "\"Path\"=\"C:\\\\Kestrel\\\\Data\\\\" + std::to_string(k) +
              "\"\n\"Count\"=dword:0000002a\n\n";
    }
    hive = {L"Software\\Kestrel\\Keys\\Key50000", L"Path"};
  }
  std::filesystem::path file = Root().path() / "registry" / "HKEY_CURRENT_USER.reg";
  std::filesystem::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
  std::filesystem::last_write_time(
      file, std::filesystem::last_write_time(file) - std::chrono::seconds(60));
  kv::ResetRegistryCache();
  return hive;
}

double ThreadCpuSeconds() {
  struct timespec now;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

double Seconds(std::chrono::steady_clock::time_point from,
               std::chrono::steady_clock::time_point to) {
  return std::chrono::duration<double>(to - from).count();
}

std::string ReadWhole(const std::filesystem::path& file) {
  int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
  std::string text;
  char buffer[65536];
  for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;)
    text.append(buffer, static_cast<size_t>(n));
  close(fd);
  return text;
}

// The peer of a first read: the whole file read and split into lines.
size_t ReadAndSplit(const std::filesystem::path& file) {
  std::string text = ReadWhole(file);
  std::vector<std::string_view> lines;
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.emplace_back(text.data() + start, end - start);
    start = end + 1;
  }
  benchmark::DoNotOptimize(lines.data());
  return lines.size();
}

// The peer of a write: the hive's bytes written to a file once, flushed.
void WriteOnce(const std::filesystem::path& file, const std::string& bytes) {
  int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  for (size_t done = 0; done < bytes.size();) {
    ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n <= 0) std::abort();
    done += static_cast<size_t>(n);
  }
  fsync(fd);
  close(fd);
}

// Each iteration runs the peer, then ours; the iteration's time is ours. The counters
// give the peer's mean time, "ratio", the median over the iterations of ours over the
// peer's in the same iteration (what a burst of load on a shared machine moves least),
// "sum_ratio", the ratio of the sums, and "cpu_ratio", the median ratio of the CPU time
// the thread took (for a write it leaves out the waits for the disk). `prepare` runs
// before both, untimed.
template <typename Prepare, typename Peer, typename Ours>
void AgainstPeer(benchmark::State& state, Prepare prepare, Peer peer, Ours ours) {
  double oursSeconds = 0, peerSeconds = 0;
  std::vector<double> ratios, cpuRatios;
  for (auto _ : state) {
    prepare();
    auto t0 = std::chrono::steady_clock::now();
    double c0 = ThreadCpuSeconds();
    peer();
    auto t1 = std::chrono::steady_clock::now();
    double c1 = ThreadCpuSeconds();
    if (!ours()) state.SkipWithError("the registry call failed");
    auto t2 = std::chrono::steady_clock::now();
    double c2 = ThreadCpuSeconds();
    peerSeconds += Seconds(t0, t1);
    oursSeconds += Seconds(t1, t2);
    ratios.push_back(Seconds(t1, t2) / Seconds(t0, t1));
    cpuRatios.push_back((c2 - c1) / (c1 - c0));
    state.SetIterationTime(Seconds(t1, t2));
  }
  auto median = [](std::vector<double>& v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
  };
  state.counters["peer_ms"] = peerSeconds * 1e3 / static_cast<double>(state.iterations());
  state.counters["ratio"] = median(ratios);
  state.counters["sum_ratio"] = oursSeconds / peerSeconds;
  state.counters["cpu_ratio"] = median(cpuRatios);
}

void BM_LargeHiveFirstRead(benchmark::State& state) {
  LargeHive hive = WriteLargeHive(static_cast<int>(state.range(0)));
  std::filesystem::path file = Root().path() / "registry" / "HKEY_CURRENT_USER.reg";
  std::wstring text;
  AgainstPeer(
      state, [] {}, [&] { ReadAndSplit(file); },
      [&] {
        kv::ResetRegistryCache();
        return kv::ReadRegistryText(kv::Hive::kCurrentUser, hive.key, hive.value, &text).ok();
      });
}
BENCHMARK(BM_LargeHiveFirstRead)
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->MinTime(2)
    ->Unit(benchmark::kMillisecond);

void BM_LargeHiveWrite(benchmark::State& state) {
  LargeHive hive = WriteLargeHive(static_cast<int>(state.range(0)));
  std::filesystem::path file = Root().path() / "registry" / "HKEY_CURRENT_USER.reg";
  std::filesystem::path peerFile = Root().path() / "registry" / "peer.reg";
  std::string bytes;
  uint32_t n = 0;
  AgainstPeer(
      state, [&] { bytes = ReadWhole(file); }, [&] { WriteOnce(peerFile, bytes); },
      [&] {
        return kv::WriteRegistryText(kv::Hive::kCurrentUser, hive.key, hive.value,
                                     std::to_wstring(++n))
            .ok();
      });
}
BENCHMARK(BM_LargeHiveWrite)
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->MinTime(2)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
