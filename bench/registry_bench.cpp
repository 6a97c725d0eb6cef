// The registry and INI files on the paths the products take at every start: a value read
// from an unchanged hive (one stat, no parse), the first read of a hive (one parse), a
// value written (lock, rewrite, flush, rename), and an INI value read.
#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "KVPlatform/ini.h"
#include "KVPlatform/registry.h"

namespace {

constexpr wchar_t kKey[] = L"Software\\Kestrel\\PIECEbank\\2024";

// A fresh root for the whole run, with a hive of `values` values under kKey and as many
// sibling keys of ten values each.
class BenchRoot {
 public:
  BenchRoot() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kvbench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    path_ = pattern;
    setenv("KESTREL_ROOT", path_.c_str(), 1);
  }
  ~BenchRoot() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  void Fill(int values) {
    std::string text = "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Kestrel\\PIECEbank\\2024]\n";
    for (int i = 0; i < values; ++i) {
      text += "\"Value " + std::to_string(i) + "\"=\"C:\\\\Kestrel\\\\Data\\\\" + std::to_string(i) + "\"\n";
    }
    for (int k = 0; k < values; ++k) {
      text += "\n[HKEY_CURRENT_USER\\Software\\Kestrel\\Product" + std::to_string(k) + "]\n";
      for (int i = 0; i < 10; ++i) text += "\"n" + std::to_string(i) + "\"=dword:0000002a\n";
    }
    std::vector<kv::RegImportError> errors;
    std::filesystem::remove(path_ / "registry" / "HKEY_CURRENT_USER.reg");
    if (!kv::ImportRegText(text, &errors).ok()) std::abort();
    // As at a product's start: the hive was written a while ago (a version younger than
    // two seconds is confirmed by its bytes on every read).
    std::filesystem::path hive = path_ / "registry" / "HKEY_CURRENT_USER.reg";
    std::filesystem::last_write_time(hive, std::filesystem::last_write_time(hive) - std::chrono::seconds(60));
    kv::ResetRegistryCache();
  }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
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
    if (!kv::WriteRegistryText(kv::Hive::kCurrentUser, kKey, L"Counter", std::to_wstring(++n)).ok()) {
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

}  // namespace

BENCHMARK_MAIN();
