// The registry conventions the data manager shares: reading and writing string values,
// a product's data path, terminated paths, and the table of product releases.
#pragma once

#include <array>
#include <string>

#include "KVPlatform/registry.h"

namespace kv::datamanager {

// Reads a REG_SZ or REG_EXPAND_SZ value (never expanded). On any failure `text` is
// unchanged and the result is false.
bool ReadRegistryString(kv::Hive hive, const std::wstring& subKey, const std::wstring& valueName,
                        std::wstring& text);

// Stores a REG_SZ value under HKEY_CURRENT_USER, creating the key as needed.
bool WriteUserRegistryString(const std::wstring& subKey, const std::wstring& valueName,
                             const std::wstring& text);

// "Data Path" of a product or release key, HKEY_CURRENT_USER first, then
// HKEY_LOCAL_MACHINE (each read as kv::ReadRegistryPath reads: an empty or
// relative value counts as missing); terminated on success. A release is
// installed when this succeeds.
bool ReadProductDataPath(const std::wstring& productKey, std::wstring& dataPath);

// A path is terminated when it ends with `\` or `/`; Terminate appends `\` otherwise.
bool IsTerminated(const std::wstring& path);
void Terminate(std::wstring& path);

struct ReleaseRow {
  const wchar_t* key;    // "Software\Kestrel\R24.3"
  const wchar_t* label;  // "2024"
};

// The 34 releases: rows 0-16 ordinary (2008 to 2024), rows 17-33 OEM, oldest first.
extern const std::array<ReleaseRow, 34> ReleaseTable;

// The current release's database key and year.
inline constexpr const wchar_t* kCurrentDatabaseKey = L"Software\\Kestrel\\PIECEbank\\2024";
inline constexpr int kCurrentReleaseYear = 2024;

}  // namespace kv::datamanager
