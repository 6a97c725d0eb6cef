// Text conversion and the Windows rules for comparing and formatting text.
//
// The system's wide text is wchar_t (UTF-32 on Linux). Its 8-bit "ANSI code page" is
// UTF-8 here, so ANSI conversions never lose a character; the "OEM code page" is CP437.
#pragma once

#include "KVPlatform/export.h"

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace kv {

// Wide text to the ANSI code page (UTF-8). Unpaired surrogates and values outside
// Unicode become U+FFFD.
KV_EXPORT std::string WideToAnsi(std::wstring_view text);

// ANSI (UTF-8) text to wide text. Invalid sequences become U+FFFD, one per bad byte.
KV_EXPORT std::wstring AnsiToWide(std::string_view text);

// The same conversions for text that must survive whole although it is not Unicode
// text: unpaired surrogates (from UTF-16 files) take the three bytes UTF-8 would give
// their values, as WTF-8 writes them. Such bytes are not valid UTF-8, so the text is
// still seen as not text, and Wtf8ToWide gives the surrogates back.
KV_EXPORT std::string WideToWtf8(std::wstring_view text);
KV_EXPORT std::wstring Wtf8ToWide(std::string_view text);

// Wide text to CP437. Returns false, with `out` holding '?' for each character that
// CP437 cannot hold, when the conversion was lossy.
KV_EXPORT bool WideToOem(std::wstring_view text, std::string* out);

// CP437 text to wide text (every byte has a character).
KV_EXPORT std::wstring OemToWide(std::string_view text);

// True when CP437 holds `c`.
KV_EXPORT bool OemCanHold(wchar_t c);

// Windows case folding for names: simple upper-case mapping of each character.
KV_EXPORT wchar_t FoldCase(wchar_t c);
KV_EXPORT std::wstring FoldCase(std::wstring_view text);
KV_EXPORT bool EqualsNoCase(std::wstring_view a, std::wstring_view b);

// Fills a message text: each %s takes the next argument as text, each %d the next as a
// decimal integer, %% is one percent sign. A % inside an argument is printed as it
// stands. Missing arguments leave the directive in place.
using FormatArg = std::variant<std::wstring_view, long long>;
KV_EXPORT std::wstring FormatMessageText(std::wstring_view format,
                                         std::initializer_list<FormatArg> args);

// Wide text <=> UTF-16LE bytes (Unicode `.reg` and INI files). Characters above U+FFFF become
// surrogate pairs; lone surrogates travel as they stand (so nothing is narrowed). An odd last byte
// is dropped.
KV_EXPORT std::vector<uint8_t> WideToUtf16Le(std::wstring_view text);
KV_EXPORT std::wstring Utf16LeToWide(const uint8_t* data, size_t size);

}  // namespace kv
