// Lengths and angles as the suite's dialogs show them: real values to text (`rtos`,
// `RtosMaxPrecision`, `angtos`) and text back to values (`distof`, `angtof`), with the
// per-user unit and precision defaults read from HKEY_CURRENT_USER\Software\Kestrel
// when the library loads.
//
// Two text forms for reals:
//   decimal (units 2):    "-" when negative, the whole part, ".", exactly `precision`
//                         digits, an exact half rounded down: 1.23456 p4 => "1.2346",
//                         0.125 p2 => "0.12", 1.99999 p4 => "2.0000"
//   fractional (other):   a whole number and a fraction over a power of two of at most
//                         2^precision (and never more than 256): 10.3 p4 => "10 5/16",
//                         -0.25 => "-1/4", 10.95 p4 => "11", 0.02 p4 => "0"
// Precision 0 gives the whole part cut toward zero in either form: -2.7 => "-2".
// Units or precision -1 take the defaults (`DefaultUnits` 2, `DefaultPrecision` 4
// unless the registry says otherwise).
//
// Limits of this implementation (the texts always fit the 34-character buffers the
// suite uses, terminator included, whatever the arguments):
//   - a precision below -1 counts as 0; decimal texts have at most 12 digits after the
//     point (a larger precision is capped at 12), fractions at most 256ths;
//   - whole parts are 64-bit; a value of 2^63 or more in magnitude is written in
//     exponent form with the digits the precision asks for (1e20 p4 => "1.0000e+20",
//     in fractional form or at precision 0 "1e+20");
//   - NaN is written "nan", infinities "inf" and "-inf".
#pragma once

#include <string>

#include "KVPlatform/export.h"

// Writes `value` as text into `out`, a buffer of at least 34 characters.
KV_EXPORT void rtos(double value, int units, int precision, wchar_t* out);
// The same with the default units.
KV_EXPORT void rtos(double value, int precision, wchar_t* out);
// The same, assigned to `out`.
KV_EXPORT void rtos(double value, int units, int precision, std::wstring& out);
KV_EXPORT void rtos(double value, int precision, std::wstring& out);

// Decimal text with the trailing zeros of `MaxPrecision` digits trimmed, but at least
// `precision` digits kept (units 2; other units give `rtos`'s fractional text):
// with MaxPrecision 4, (1.5, 2) => "1.50", (1.23456, 2) => "1.2346", (2.0, 0) => "2.".
// `out` holds at least 34 characters.
KV_EXPORT void RtosMaxPrecision(double value, int units, int precision, wchar_t* out);

// Sets the digit count RtosMaxPrecision formats with (4 at start); returns the
// previous count. No range check: out-of-range counts are handled as rtos handles
// precisions.
KV_EXPORT int SetMaxPrecision(int maxPrecision);

// Rounds `value` to a multiple of `increment`: mode 1 up, 2 down, 3 nearest with an
// exact half going down, 4 the multiple above value + increment rounded up, 5 the
// multiple above value - increment rounded up; any other mode, or an increment within
// 1e-6 of zero, returns `value` unchanged. (7, 2, 3) => 6, (7.1, 2, 3) => 8.
KV_EXPORT double kvc_num_round(double value, double increment, int mode);

// Reads a distance: a decimal number with atof's rules ("12.5", "1e3", "12abc" => 12,
// no number => 0), or a fraction "3/4", "-3/4", "10 5/16", "-1 1/2" (whole part,
// blank, numerator, "/", denominator). The whole part's sign is the sign of the
// result: "-0 1/2" => -0.5, "0 1/2" => 0.5. A zero or missing denominator gives 0.
// A null text gives 0. Integers beyond 64 bits saturate; decimal overflow gives an
// infinity, underflow 0.
KV_EXPORT void distof(const char* text, double* out);
KV_EXPORT void distof(const wchar_t* text, double* out);

// Reads an angle with atof's rules; units 0 takes the number as degrees and returns
// radians (number / 180 * pi), every other units code returns the number as read.
KV_EXPORT void angtof(const wchar_t* text, int units, double* out);

// Writes an angle as decimal degrees, "-", whole degrees, "." and `precision` digits:
// units 0 converts radians to degrees, other units write the value as it is; -1 takes
// `DefaultAngleUnits` (0) or `DefaultAnglePrecision` (4). (pi/2, 0, 4) => "90.0000".
// Limits as rtos's decimal form. `out` holds at least 34 characters.
KV_EXPORT void angtos(double value, int units, int precision, wchar_t* out);
KV_EXPORT void angtos(double value, int units, int precision, std::wstring& out);
