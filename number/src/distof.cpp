// Text to values: distof (decimal numbers and fractions), angtof, and the runtime's
// number readers they are built on.
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <type_traits>

#include "KVNumber/number.h"
#include "parse.h"

namespace kv::number {
namespace {

// A character's code, 0 at the end of the range. `end` may be null for a terminated
// text (no pointer into the text equals null, so only the terminator stops it).
template <class C>
inline uint32_t At(const C* p, const C* end) {
  return p != end ? static_cast<uint32_t>(static_cast<std::make_unsigned_t<C>>(*p)) : 0;
}

inline bool IsSpace(uint32_t c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
inline bool IsDigit(uint32_t c) { return c - '0' < 10; }

// For a decimal text that from_chars found out of range: true when it is too large
// (an overflow), false when too small. [p, end) holds digits, an optional point and an
// optional exponent, and at least one digit.
bool IsOverflow(const char* p, const char* end) {
  // The decimal exponent of the first significant digit, without the exponent part.
  long long magnitude = 0;
  bool significant = false;
  long long integerDigits = 0;
  while (p != end && *p == '0') ++p;
  while (p != end && IsDigit(static_cast<unsigned char>(*p))) {
    ++integerDigits;
    ++p;
  }
  if (integerDigits > 0) {
    magnitude = integerDigits - 1;
    significant = true;
  }
  if (p != end && *p == '.') {
    ++p;
    long long zeros = 0;
    while (p != end && *p == '0') {
      ++zeros;
      ++p;
    }
    if (!significant && p != end && IsDigit(static_cast<unsigned char>(*p))) {
      magnitude = -(zeros + 1);
      significant = true;
    }
    while (p != end && IsDigit(static_cast<unsigned char>(*p))) ++p;
  }
  if (!significant) return false;
  long long exponent = 0;
  if (p != end && (*p == 'e' || *p == 'E')) {
    ++p;
    bool negative = false;
    if (p != end && (*p == '+' || *p == '-')) negative = *p++ == '-';
    while (p != end && IsDigit(static_cast<unsigned char>(*p))) {
      if (exponent < 1000000000) exponent = exponent * 10 + (*p - '0');
      ++p;
    }
    if (negative) exponent = -exponent;
  }
  return magnitude + exponent > 0;
}

template <class C>
double ReadRealImpl(const C* p, const C* end) {
  while (IsSpace(At(p, end))) ++p;
  bool negative = false;
  if (At(p, end) == '+' || At(p, end) == '-') negative = At(p++, end) == '-';

  // The extent of the number: digits, point, digits, then an exponent when one with
  // digits follows.
  const C* start = p;
  const C* q = p;
  while (IsDigit(At(q, end))) ++q;
  bool anyDigits = q != start;
  if (At(q, end) == '.') {
    const C* fraction = ++q;
    while (IsDigit(At(q, end))) ++q;
    anyDigits = anyDigits || q != fraction;
  }
  if (!anyDigits) return 0.0;
  if (At(q, end) == 'e' || At(q, end) == 'E') {
    const C* e = q + 1;
    if (At(e, end) == '+' || At(e, end) == '-') ++e;
    if (IsDigit(At(e, end))) {
      while (IsDigit(At(e, end))) ++e;
      q = e;
    }
  }

  const char* first;
  const char* last;
  char local[64];
  std::string copy;
  if constexpr (std::is_same_v<C, char>) {
    first = start;
    last = q;
  } else {
    const auto length = static_cast<size_t>(q - start);
    char* target = local;
    if (length > sizeof local) {
      copy.resize(length);
      target = copy.data();
    }
    for (size_t i = 0; i < length; ++i) target[i] = static_cast<char>(start[i]);
    first = target;
    last = target + length;
  }
  double value = 0.0;
  auto result = std::from_chars(first, last, value, std::chars_format::general);
  if (result.ec == std::errc::result_out_of_range) {
    value = IsOverflow(first, last) ? std::numeric_limits<double>::infinity() : 0.0;
  } else if (result.ec != std::errc()) {
    value = 0.0;
  }
  return negative ? -value : value;
}

// _atoi64: saturates at the 64-bit limits. *negative tells whether a "-" sign was read.
template <class C>
int64_t ReadInt64Impl(const C* p, const C* end, bool* negativeSign = nullptr) {
  while (IsSpace(At(p, end))) ++p;
  bool negative = false;
  if (At(p, end) == '+' || At(p, end) == '-') negative = At(p++, end) == '-';
  if (negativeSign != nullptr) *negativeSign = negative;
  const uint64_t limit = negative ? uint64_t{1} << 63 : (uint64_t{1} << 63) - 1;
  uint64_t magnitude = 0;
  for (uint32_t c = At(p, end); IsDigit(c); c = At(++p, end)) {
    const uint64_t digit = c - '0';
    magnitude = magnitude > (limit - digit) / 10 ? limit : magnitude * 10 + digit;
  }
  if (!negative) return static_cast<int64_t>(magnitude);
  if (magnitude == uint64_t{1} << 63) return std::numeric_limits<int64_t>::min();
  return -static_cast<int64_t>(magnitude);
}

template <class C>
const C* Find(const C* p, const C* end, C c) {
  for (; p != end && *p != C{}; ++p) {
    if (*p == c) return p;
  }
  return nullptr;
}

template <class C>
double ParseDistanceImpl(const C* text) {
  if (text == nullptr) return 0.0;
  const C* slash = Find<C>(text, nullptr, C('/'));
  if (slash == nullptr) return ReadRealImpl<C>(text, nullptr);

  const int64_t denominator = ReadInt64Impl<C>(slash + 1, nullptr);
  if (denominator == 0) return 0.0;
  const C* blank = Find<C>(text, slash, C(' '));
  if (blank == nullptr) {
    return static_cast<double>(ReadInt64Impl<C>(text, slash)) / static_cast<double>(denominator);
  }
  const auto numerator = static_cast<double>(ReadInt64Impl<C>(blank + 1, slash));
  bool negativeWhole = false;
  const auto whole = static_cast<double>(ReadInt64Impl<C>(text, blank, &negativeWhole));
  // The whole part's sign is the result's: "-1 1/2" is -1.5 and "-0 1/2" -0.5, while
  // "0 1/2" and " 1/2" (an empty whole part) are 0.5.
  const double part = numerator / static_cast<double>(denominator);
  return negativeWhole ? whole - part : whole + part;
}

}  // namespace

double ReadReal(const char* begin, const char* end) { return ReadRealImpl(begin, end); }
double ReadReal(const wchar_t* begin, const wchar_t* end) { return ReadRealImpl(begin, end); }
int64_t ReadInt64(const char* begin, const char* end) { return ReadInt64Impl(begin, end); }
int64_t ReadInt64(const wchar_t* begin, const wchar_t* end) { return ReadInt64Impl(begin, end); }

int32_t ReadInt32(const wchar_t* text) {
  if (text == nullptr) return 0;
  const int64_t value = ReadInt64Impl<wchar_t>(text, nullptr);
  if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(value);
}

double ParseDistance(const char* text) { return ParseDistanceImpl(text); }
double ParseDistance(const wchar_t* text) { return ParseDistanceImpl(text); }

}  // namespace kv::number

void distof(const char* text, double* out) {
  if (out != nullptr) *out = kv::number::ParseDistance(text);
}

// The wide text is read as it stands rather than converted to 8-bit first: the ANSI
// code page is UTF-8, whose multi-byte sequences hold no ASCII byte, so every character
// the reading looks at (digits, signs, point, exponent, blank, "/", white space) is in
// the same place either way and the result is the same.
void distof(const wchar_t* text, double* out) {
  if (out != nullptr) *out = kv::number::ParseDistance(text);
}

void angtof(const wchar_t* text, int units, double* out) {
  if (out == nullptr) return;
  double value = text != nullptr ? kv::number::ReadReal(text, nullptr) : 0.0;
  if (units == 0) value = value / 180.0 * 3.141592653589793;
  *out = value;
}
