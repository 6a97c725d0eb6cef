// Real values to text: the decimal and fractional forms, RtosMaxPrecision's trimmed
// decimal text, and kvc_num_round.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "KVNumber/number.h"
#include "format.h"
#include "settings.h"

namespace kv::number {
namespace {

constexpr double kTwoTo63 = 9223372036854775808.0;

constexpr double kPowersOfTen[kMaxDecimalDigits + 1] = {1e0, 1e1, 1e2, 1e3,  1e4,  1e5, 1e6,
                                                        1e7, 1e8, 1e9, 1e10, 1e11, 1e12};
constexpr int64_t kIntegerPowersOfTen[kMaxDecimalDigits + 1] = {
    1,        10,        100,        1000,        10000,        100000,       1000000,
    10000000, 100000000, 1000000000, 10000000000, 100000000000, 1000000000000};

// kvc_num_round(value, 1.0, 3): the nearest whole number, an exact half going down.
inline double RoundHalfDown(double value) {
  double down = std::floor(value);
  double up = std::ceil(value);
  return value - down <= up - value ? down : up;
}

int WriteUnsigned(uint64_t value, char* text) {
  char digits[20];
  int count = 0;
  do {
    digits[count++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  for (int i = 0; i < count; ++i) text[i] = digits[count - 1 - i];
  return count;
}

int WriteSigned(int64_t value, char* text) {
  if (value < 0) {
    text[0] = '-';
    return 1 + WriteUnsigned(uint64_t{0} - static_cast<uint64_t>(value), text + 1);
  }
  return WriteUnsigned(static_cast<uint64_t>(value), text);
}

int WriteLiteral(const char* literal, char* text) {
  int length = static_cast<int>(std::strlen(literal));
  std::memcpy(text, literal, static_cast<size_t>(length));
  return length;
}

// The texts of values that no 64-bit whole part holds: "nan", "inf", "-inf", and
// exponent form for magnitudes of 2^63 and more. False for every other value.
bool SpecialText(double value, int digits, char* text, int* length) {
  if (std::isnan(value)) {
    *length = WriteLiteral("nan", text);
  } else if (std::isinf(value)) {
    *length = WriteLiteral(value < 0 ? "-inf" : "inf", text);
  } else if (std::fabs(value) >= kTwoTo63) {
    // At most "-d." + 12 digits + "e+308": 20 characters.
    auto result =
        std::to_chars(text, text + kTextSize - 1, value, std::chars_format::scientific, digits);
    *length = static_cast<int>(result.ptr - text);
  } else {
    return false;
  }
  return true;
}

bool IsFractionDenominator(int64_t denominator) {
  return denominator >= 2 && denominator <= 256 && (denominator & (denominator - 1)) == 0;
}

// rtos's text: precision and units resolved, then one of the forms.
int RealText(double value, int units, int precision, char* text) {
  precision = EffectivePrecision(precision, g_settings.defaultPrecision);
  if (precision == 0) return WholeText(value, text);
  if (units == -1) units = g_settings.defaultUnits;
  if (units == 2) return DecimalText(value, std::min(precision, kMaxDecimalDigits), text);
  return FractionText(value, std::min(precision, kMaxFractionPrecision), text);
}

// RtosMaxPrecision's text.
int MaxPrecisionText(double value, int units, int precision, char* text) {
  precision = EffectivePrecision(precision, g_settings.defaultPrecision);
  if (units == -1) units = g_settings.defaultUnits;
  if (units != 2) return RealText(value, units, precision, text);

  int length = RealText(value, -1, g_settings.maxPrecision, text);
  const char* point = static_cast<const char*>(std::memchr(text, '.', static_cast<size_t>(length)));
  // Whole numbers, fractions and exponent forms are used as they stand.
  if (point == nullptr || std::memchr(text, 'e', static_cast<size_t>(length)) != nullptr) {
    return length;
  }
  while (text[length - 1] == '0') --length;
  const int pointAt = static_cast<int>(point - text);
  const int minimumDigits = std::min(precision, kMaxDecimalDigits);
  while (length - pointAt - 1 < minimumDigits) text[length++] = '0';
  return length;
}

}  // namespace

int EffectivePrecision(int precision, int fallback) {
  if (precision == -1) precision = fallback;
  return precision < 0 ? 0 : precision;
}

int WholeText(double value, char* text) {
  int length;
  if (SpecialText(value, 0, text, &length)) return length;
  return WriteSigned(static_cast<int64_t>(value), text);
}

int DecimalText(double value, int digits, char* text) {
  int length;
  if (SpecialText(value, digits, text, &length)) return length;
  char* p = text;
  if (value < 0) {
    *p++ = '-';
    value = -value;
  }
  const double wholePart = std::trunc(value);
  auto whole = static_cast<uint64_t>(wholePart);
  auto fraction = static_cast<int64_t>(RoundHalfDown(kPowersOfTen[digits] * (value - wholePart)));
  if (fraction >= kIntegerPowersOfTen[digits]) {  // the digits rounded up to a whole one
    ++whole;
    fraction = 0;
  }
  p += WriteUnsigned(whole, p);
  *p++ = '.';
  for (int i = digits - 1; i >= 0; --i) {
    p[i] = static_cast<char>('0' + fraction % 10);
    fraction /= 10;
  }
  p += digits;
  return static_cast<int>(p - text);
}

Fraction ApproximateFraction(double x, int64_t maxDenominator) {
  constexpr double kTolerance = 1e-14;
  Fraction result;
  result.whole = static_cast<int64_t>(x + kTolerance);
  const double f = std::fabs(x - static_cast<double>(result.whole));
  if (f <= kTolerance) return result;

  double remainder = f;
  double tolerance = kTolerance;
  int64_t h1 = 0;  // the previous numerator
  int64_t h2 = 0;  // the one before it
  bool firstStep = true;
  for (;;) {
    // remainder >= tolerance >= 1e-14 here, so q stays below 1e14; numerators stay
    // below 256 * 1e14 + 256, far inside 64 bits.
    const double q = 1.0 / remainder;
    const auto a = static_cast<int64_t>(q + tolerance);
    const double next = q - static_cast<double>(a);
    const int64_t h = firstStep ? 1 : a * h1 + h2;
    const double d = static_cast<double>(h) / f + 0.5;
    if (d >= static_cast<double>(maxDenominator + 1)) {  // denominator above M
      if (firstStep) {
        const double oneOverM = 1.0 / static_cast<double>(maxDenominator);
        if (std::fabs(oneOverM - f) <= f) {
          result.numerator = 1;
          result.denominator = maxDenominator;
          result.hasFraction = true;
        }
      } else {
        result.numerator = h1;
        result.denominator = static_cast<int64_t>(static_cast<double>(h1) / f + 0.5);
        result.hasFraction = true;
      }
      break;
    }
    const auto denominator = static_cast<int64_t>(d);
    const double error = std::fabs(static_cast<double>(h) / static_cast<double>(denominator) - f);
    if (error <= kTolerance || next < tolerance) {
      result.numerator = h;
      result.denominator = denominator;
      result.hasFraction = true;
      break;
    }
    h2 = h1;
    h1 = h;
    tolerance = kTolerance / error;
    remainder = next;
    firstStep = false;
  }
  if (result.hasFraction && result.numerator == result.denominator) {  // rounded to one
    ++result.whole;
    result.hasFraction = false;
  }
  return result;
}

int FormatFraction(const Fraction& fraction, char* text) {
  if (!fraction.hasFraction) return WriteSigned(fraction.whole, text);
  char* p = text;
  if (fraction.whole != 0) {
    p += WriteSigned(fraction.whole, p);
    *p++ = ' ';
  }
  p += WriteSigned(fraction.numerator, p);
  *p++ = '/';
  p += WriteSigned(fraction.denominator, p);
  return static_cast<int>(p - text);
}

int FractionText(double value, int precision, char* text) {
  int length;
  if (SpecialText(value, 0, text, &length)) return length;
  char* p = text;
  if (value < 0) {
    *p++ = '-';
    value = -value;
  }
  const int64_t maxDenominator = int64_t{1} << precision;
  Fraction fraction = ApproximateFraction(value, maxDenominator);
  if (fraction.hasFraction && !IsFractionDenominator(fraction.denominator)) {
    // Snap to the finest denominator, then reduce.
    const double f = std::fabs(value - static_cast<double>(fraction.whole));
    fraction.denominator = maxDenominator;
    fraction.numerator = static_cast<int64_t>(static_cast<double>(maxDenominator) * f + 0.5);
    while (fraction.numerator != 0 && fraction.numerator % 2 == 0 && fraction.denominator > 1) {
      fraction.numerator /= 2;
      fraction.denominator /= 2;
    }
    if (fraction.numerator == 0) {
      fraction.hasFraction = false;
    } else if (fraction.numerator >= fraction.denominator) {
      fraction.whole += fraction.numerator / fraction.denominator;
      fraction.hasFraction = false;
    }
  }
  return static_cast<int>(p - text) + FormatFraction(fraction, p);
}

void RtosMaxPrecisionString(double value, int units, int precision, std::wstring& out) {
  wchar_t buffer[kTextSize];
  RtosMaxPrecision(value, units, precision, buffer);
  out = buffer;
}

}  // namespace kv::number

using kv::number::kTextSize;

void rtos(double value, int units, int precision, wchar_t* out) {
  if (out == nullptr) return;
  char text[kTextSize];
  kv::number::WidenText(text, kv::number::RealText(value, units, precision, text), out);
}

void rtos(double value, int precision, wchar_t* out) { rtos(value, -1, precision, out); }

void rtos(double value, int units, int precision, std::wstring& out) {
  wchar_t buffer[kTextSize];
  rtos(value, units, precision, buffer);
  out = buffer;
}

void rtos(double value, int precision, std::wstring& out) { rtos(value, -1, precision, out); }

void RtosMaxPrecision(double value, int units, int precision, wchar_t* out) {
  if (out == nullptr) return;
  char text[kTextSize];
  kv::number::WidenText(text, kv::number::MaxPrecisionText(value, units, precision, text), out);
}

int SetMaxPrecision(int maxPrecision) {
  const int previous = kv::number::g_settings.maxPrecision;
  kv::number::g_settings.maxPrecision = maxPrecision;
  return previous;
}

double kvc_num_round(double value, double increment, int mode) {
  if (std::fabs(increment - 0.0) <= 1e-6) return value;
  const double q = value / increment;
  switch (mode) {
    case 1: return std::ceil(q) * increment;
    case 2: return std::floor(q) * increment;
    case 3: {
      const double down = std::floor(q) * increment;
      const double up = std::ceil(q) * increment;
      return value - down <= up - value ? down : up;
    }
    case 4: return std::ceil((value + increment) / increment) * increment;
    case 5: return std::ceil((value - increment) / increment) * increment;
    default: return value;
  }
}
