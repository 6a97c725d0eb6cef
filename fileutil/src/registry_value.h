// Reading one registry text value, shared by the data path and the log.
#pragma once

#include <string>

#include "KVPlatform/registry.h"

namespace kv::fileutil {

// Reads a REG_SZ or REG_EXPAND_SZ value (not expanded) of a key in the 64-bit view.
// On failure `text` is untouched and the result is false.
bool ReadRegistryValue(kv::Hive hive, const std::wstring& subKey, const std::wstring& valueName,
                       std::wstring& text);

}  // namespace kv::fileutil
