// The text forms shared by rtos, RtosMaxPrecision and angtos. Texts are built as
// 8-bit ASCII in a caller's buffer of kTextSize characters and widened on the way out.
#pragma once

#include <cstdint>
#include <string>

namespace kv::number {

// The size of every text buffer of the library, terminator included.
inline constexpr int kTextSize = 34;
// The most digits after the point: "-" + 19 whole digits + "." + 12 digits + NUL = 34.
inline constexpr int kMaxDecimalDigits = 12;
// The finest fraction: 2^8, sixteenths at precision 4.
inline constexpr int kMaxFractionPrecision = 8;

// A precision as the formatters take it: -1 is `fallback`; below that, or a negative
// fallback, counts as 0.
int EffectivePrecision(int precision, int fallback);

// Precision 0: the value cut toward zero as a whole number: -2.7 => "-2", -0.5 => "0".
// Returns the length written into `text`.
int WholeText(double value, char* text);

// The decimal form with `digits` digits after the point (1 to kMaxDecimalDigits): "-"
// when negative (also for values that round to zero), the whole part, ".", the digits
// rounded to nearest with an exact half going down, a carry moving into the whole part.
int DecimalText(double value, int digits, char* text);

// The fractional form with denominators up to 2^precision (precision 1 to 8).
int FractionText(double value, int precision, char* text);

// A fraction search result: whole part and, when `hasFraction`, numerator/denominator.
struct Fraction {
  int64_t whole = 0;
  int64_t numerator = 0;
  int64_t denominator = 1;
  bool hasFraction = false;
};

// The continued-fraction search behind the fractional form, for 0 <= x < 2^63 and a
// largest denominator M >= 2. Its tolerances (1e-14) are part of its result: 0.3 with
// M 16 gives 3/10, 0.95 with M 16 gives whole 1 and no fraction (the search stops at
// 1/1), 0.02 with M 16 no fraction (1/16 is further from 0.02 than 0 is).
Fraction ApproximateFraction(double x, int64_t maxDenominator);

// "whole", "num/den" or "whole num/den" ("0" for no whole part and no fraction).
int FormatFraction(const Fraction& fraction, char* text);

// Widens an ASCII text of `length` characters into `out`, terminated.
inline void WidenText(const char* text, int length, wchar_t* out) {
  for (int i = 0; i < length; ++i) out[i] = static_cast<unsigned char>(text[i]);
  out[length] = L'\0';
}

// RtosMaxPrecision into a string: the companion the exchange routines use.
void RtosMaxPrecisionString(double value, int units, int precision, std::wstring& out);

}  // namespace kv::number
