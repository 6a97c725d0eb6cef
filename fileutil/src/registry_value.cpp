#include "registry_value.h"

#include "KVPlatform/path.h"

namespace kv::fileutil {

bool ReadRegistryValue(kv::Hive hive, const std::wstring& subKey, const std::wstring& valueName,
                       std::wstring& text) {
  return kv::ReadRegistryText(hive, subKey, valueName, &text).ok();
}

bool ReadRegistryPathValue(kv::Hive hive, const std::wstring& subKey, const std::wstring& valueName,
                           std::wstring& path) {
  std::wstring text;
  if (!ReadRegistryValue(hive, subKey, valueName, text) || !kv::IsAbsolutePath(text)) return false;
  path = text;
  return true;
}

}  // namespace kv::fileutil
