#include "registry_value.h"

namespace kv::fileutil {

bool ReadRegistryValue(kv::Hive hive, const std::wstring& subKey, const std::wstring& valueName,
                       std::wstring& text) {
  return kv::ReadRegistryText(hive, subKey, valueName, &text).ok();
}

}  // namespace kv::fileutil
