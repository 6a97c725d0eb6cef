// The suite's log: one-line, time-stamped messages appended to KestrelSystemLog.txt in
// the "Logs\" folder of a product's data path, which several processes share. Past
// 1,000,000 bytes the log becomes KestrelSystemsPrevLog.txt (one previous generation)
// before the next entry starts a fresh file.
//
// Each entry is a line break and then "MM-DD-YYYY hh:mm:ss:ms | message", the year and
// the milliseconds unpadded, line breaks stored as CR LF and the text as UTF-8:
//   "\r\n12-07-2026 15:05:09:42 | Data updated"
// so a new file starts with an empty line and the last entry has no line break after it.
#pragma once

#include <string>

#include "KVPlatform/export.h"

// Appends `message` to the log. The log folder is worked out on the first call that
// finds the "Data Path" value of `registryKey` (under HKEY_CURRENT_USER, else
// HKEY_LOCAL_MACHINE; an empty or relative value counts as none) and kept for the
// process, whose later calls ignore their key; its levels are created then. Without such a value,
// or when the log cannot be written, the message is dropped without a word. Processes that rotate
// the log at once rotate it once; entries of several processes never mix within a line.
KV_EXPORT void WriteLogMessageCore(const wchar_t* registryKey, const wchar_t* message);

// An entry point kept for its callers: it writes nothing and shows nothing.
KV_EXPORT void WriteLogMessageExCore(const wchar_t* registryKey, const std::wstring& text,
                                     wchar_t* buffer, bool flag);

// Logs `message` as WriteLogMessageCore does, then shows it in a message box with an OK
// button, captioned with the program's name.
KV_EXPORT void KtlMessageBoxCore(const wchar_t* registryKey, const wchar_t* message);
