// GetDataPath: the suite's data path, read once and kept for the library's life.
#include <mutex>

#include "KVFileUtilities/path_utilities.h"
#include "registry_value.h"

namespace {
constexpr const wchar_t* kDataPathKey = L"Software\\Kestrel\\PIECEbank\\2024";
constexpr const wchar_t* kDataPathValue = L"Data Path";

std::mutex g_mutex;
std::wstring g_dataPath;  // empty until the first successful read
}  // namespace

int GetDataPath(std::wstring& dataPath) {
  std::lock_guard lock(g_mutex);
  if (g_dataPath.empty()) {
    std::wstring found;
    if (!kv::ReadRegistryPath(kv::Hive::kCurrentUser, kDataPathKey, kDataPathValue, &found).ok() &&
        !kv::ReadRegistryPath(kv::Hive::kLocalMachine, kDataPathKey, kDataPathValue, &found).ok()) {
      return 0;
    }
    g_dataPath = found;
  }
  dataPath = g_dataPath;
  return 1;
}
