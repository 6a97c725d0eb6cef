// The checks behind the exchange routines: character screens and the range messages.
#pragma once

#include <string>
#include <string_view>

namespace kv::number {

// The real screen: ASCII digits and "+-./\" (an empty text passes), and besides them
// one blank between the whole number and the fraction of a mixed fraction, the form
// the fractional units write ("10 5/16", "-1 1/2"). Any other blank fails: " 1/2",
// "1 2", "1.5 1/2".
bool IsRealText(std::wstring_view text);

// The integer screen: an optional "-" first, then ASCII digits only ("" and "-" pass).
bool IsIntegerText(std::wstring_view text);

// The angle screen of DDX_Angle: ASCII digits and "-+/\." only ("" passes).
bool IsAngleText(std::wstring_view text);

// verify_real's acceptance: within 1e-10 of a limit, or between them.
bool IsRealInRange(double value, double low, double high);

// The real range message: "Invalid Value Entered: <shown>", a line break, and the
// detail line for the range with the limits as RtosMaxPrecision writes them.
std::wstring RealRangeMessage(std::wstring_view shown, double low, double high);

// Message boxes of the checks: OK only, with or without the exclamation icon.
void ShowPlainMessage(const std::wstring& text);
void ShowWarning(const std::wstring& text);

// "Programming ERROR Lowrange exceeds Highrange - Verify Real" and its Int and Angle
// twins.
void ShowReversedRange(std::wstring_view routine);

}  // namespace kv::number
