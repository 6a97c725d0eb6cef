// The C runtime's number readers as the library uses them, without their undefined
// corners: atof (and its wide twin _wtof), _atoi64 and _wtoi. Each skips leading white
// space (blank, tab, line feed, vertical tab, form feed, carriage return), takes an
// optional sign, reads as far as the text fits, and gives 0 when no number starts
// there. Out of range, the integer readers saturate at their type's limits and the
// real reader gives an infinity (or 0 when the value is too small for a double).
#pragma once

#include <cstdint>

namespace kv::number {

// atof: digits with an optional point and an optional exponent ("12.5", ".5", "1e3").
// Only ASCII digits count; "inf", "nan" and hexadecimal forms are not numbers here.
double ReadReal(const char* begin, const char* end);
double ReadReal(const wchar_t* begin, const wchar_t* end);

// _atoi64 over [begin, end).
int64_t ReadInt64(const char* begin, const char* end);
int64_t ReadInt64(const wchar_t* begin, const wchar_t* end);

// _wtoi over a terminated text.
int32_t ReadInt32(const wchar_t* text);

// ParseDistance: decimal text or a fraction "n/d", "w n/d" (see distof).
double ParseDistance(const char* text);
double ParseDistance(const wchar_t* text);

}  // namespace kv::number
