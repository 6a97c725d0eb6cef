// Reading one registry text value, shared by the data path and the log.
#pragma once

#include <string>

#include "KVPlatform/registry.h"

namespace kv::fileutil {

// Reads a REG_SZ or REG_EXPAND_SZ value (not expanded) of a key in the 64-bit view.
// On failure `text` is untouched and the result is false.
bool ReadRegistryValue(kv::Hive hive, const std::wstring& subKey, const std::wstring& valueName,
                       std::wstring& text);

// Reads a folder path value as ReadRegistryValue does and takes it only when it is
// absolute (kv::IsAbsolutePath): an empty or relative value counts as missing, never as
// the host's root or the working folder.
bool ReadRegistryPathValue(kv::Hive hive, const std::wstring& subKey, const std::wstring& valueName,
                           std::wstring& path);

}  // namespace kv::fileutil
