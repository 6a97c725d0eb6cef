// INI files with the Windows private-profile semantics.
//
// Sections and keys match without regard to case (the first matching section and key
// win); blanks around names and values are trimmed; a pair of double quotes around a
// value is removed on reading, never added on writing; lines starting with ';' are
// comments. A write edits the text in place: every other byte of the file stays; a new
// key goes at the end of its section, a new section at the end of the file; lines end
// with CR LF. Writes lock the file, write a temporary file beside it and rename it over,
// so a reader never sees a half-written file. Files are UTF-8 (the ANSI code page); a
// file that begins with the UTF-16LE byte order mark (a Windows Unicode INI file) is read
// and written in UTF-16LE. The folder of the file is never created. A write fails
// (false) when the file is read-only (no write permission at all), or when the text would
// change the file's structure: a line break in a name or value, '=' in a key or a key
// beginning with ';' or '[', ']' in a section name.
#pragma once

#include "KVPlatform/export.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace kv {

// GetPrivateProfileString: copies the value (or `fallback` when the key is missing)
// into `buffer` of `size` characters, truncated to size - 1 and terminated; returns the
// number of characters copied.
KV_EXPORT uint32_t GetPrivateProfileString(std::wstring_view section, std::wstring_view key,
                                           std::wstring_view fallback, wchar_t* buffer,
                                           uint32_t size, std::wstring_view file);

// The same into a string; false when the file or the key is missing (value = fallback).
KV_EXPORT bool ReadProfileString(std::wstring_view section, std::wstring_view key,
                                 std::wstring_view fallback, std::wstring* value,
                                 std::wstring_view file);

// GetPrivateProfileInt: the value's leading decimal integer, or `fallback`.
KV_EXPORT int GetPrivateProfileInt(std::wstring_view section, std::wstring_view key, int fallback,
                                   std::wstring_view file);

// WritePrivateProfileString: sets a key (creating the file and section as needed).
KV_EXPORT bool WritePrivateProfileString(std::wstring_view section, std::wstring_view key,
                                         std::wstring_view value, std::wstring_view file);

// Removes a key, or a whole section.
KV_EXPORT bool DeleteProfileKey(std::wstring_view section, std::wstring_view key,
                                std::wstring_view file);
KV_EXPORT bool DeleteProfileSection(std::wstring_view section, std::wstring_view file);

}  // namespace kv
