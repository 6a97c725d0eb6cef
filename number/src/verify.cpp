// verify_real, verify_integer, verify_angle, verify_real_edit: the character screens,
// the range checks and their messages.
#include "verify.h"

#include <cmath>
#include <string>

#include "KVNumber/ddx.h"
#include "KVNumber/number.h"
#include "KVPlatform/text.h"
#include "KVPlatform/ui.h"
#include "format.h"
#include "invalid_real_dlg.h"
#include "parse.h"
#include "resources.h"

namespace kv::number {
namespace {

constexpr double kOpenReal = 10000000.0;
constexpr double kOpenAngle = 6.283185307179586;

bool IsAsciiDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// Digits from `at`; returns the position after them, or npos when there are none.
size_t SkipDigits(std::wstring_view text, size_t at) {
  size_t end = at;
  while (end < text.size() && IsAsciiDigit(text[end])) ++end;
  return end > at ? end : std::wstring_view::npos;
}

// "[+-]digits digits/digits" with exactly one blank.
bool IsMixedFraction(std::wstring_view text) {
  size_t at = !text.empty() && (text[0] == L'-' || text[0] == L'+') ? 1 : 0;
  at = SkipDigits(text, at);
  if (at == std::wstring_view::npos || at >= text.size() || text[at] != L' ') return false;
  at = SkipDigits(text, at + 1);
  if (at == std::wstring_view::npos || at >= text.size() || text[at] != L'/') return false;
  at = SkipDigits(text, at + 1);
  return at == text.size();
}

// The texts of the ten rows of a range's detail line, and how limits are written.
struct RangeRows {
  double open;              // limits at or beyond +-open are open-ended
  uint32_t firstId;         // the ten string ids, in row order
  bool highFirstInLastRow;  // the last row names the high limit first
  std::wstring (*limitText)(double limit);
};

std::wstring RealLimitText(double limit) {
  std::wstring text;
  RtosMaxPrecisionString(limit, -1, -1, text);
  return text;
}

std::wstring AngleLimitText(double limit) {
  std::wstring text;
  angtos(limit, 0, -1, text);
  return text;
}

constexpr RangeRows kRealRows{kOpenReal, IDS_REAL_DETAIL_FIRST, false, RealLimitText};
constexpr RangeRows kAngleRows{kOpenAngle, IDS_ANGLE_DETAIL_FIRST, true, AngleLimitText};

// The detail line: the first row whose condition holds.
std::wstring RangeDetail(const RangeRows& rows, double low, double high) {
  const bool lowOpen = low <= -rows.open;
  const bool highOpen = high >= rows.open;
  const bool lowJustAboveZero = std::fabs(low - 1e-8) <= 1e-8;
  const bool highJustBelowZero = std::fabs(high + 1e-8) <= 1e-8;
  auto text = [&](int row) { return LoadString(rows.firstId + static_cast<uint32_t>(row - 1)); };
  auto with = [&](int row, double limit) {
    const std::wstring shown = rows.limitText(limit);
    return kv::FormatMessageText(text(row), {shown});
  };
  if (lowOpen && highOpen) return text(1);
  if (low == 0 && highOpen) return text(2);
  if (high == 0 && lowOpen) return text(3);
  if (lowJustAboveZero && highOpen) return text(4);
  if (highJustBelowZero && lowOpen) return text(5);
  if (low == 0) return with(6, high);
  if (lowJustAboveZero) return with(7, high);
  if (high == 0) return with(8, low);
  if (highJustBelowZero) return with(9, low);
  const std::wstring lowText = rows.limitText(low);
  const std::wstring highText = rows.limitText(high);
  return rows.highFirstInLastRow ? kv::FormatMessageText(text(10), {highText, lowText})
                                 : kv::FormatMessageText(text(10), {lowText, highText});
}

std::wstring IntegerDetail(int low, int high) {
  const bool lowOpen = low <= -10000000;
  const bool highOpen = high >= 10000000;
  if (lowOpen && highOpen) return LoadString(IDS_INTEGER_ANY);
  if (low == 0 && highOpen) return LoadString(IDS_INTEGER_NOT_NEGATIVE);
  if (high == 0 && lowOpen) return LoadString(IDS_INTEGER_NOT_POSITIVE);
  if (low == 0) return kv::FormatMessageText(LoadString(IDS_INTEGER_BELOW_HIGH), {high});
  if (high == 0) return kv::FormatMessageText(LoadString(IDS_INTEGER_ABOVE_LOW), {low});
  return kv::FormatMessageText(LoadString(IDS_INTEGER_BETWEEN), {high, low});
}

std::wstring_view TextOf(const wchar_t* text) { return text != nullptr ? text : L""; }

}  // namespace

bool IsRealText(std::wstring_view text) {
  bool blank = false;
  for (wchar_t c : text) {
    if (IsAsciiDigit(c)) continue;
    if (c == L'+' || c == L'-' || c == L'.' || c == L'/' || c == L'\\') continue;
    if (c == L' ') {
      blank = true;
      continue;
    }
    return false;
  }
  return !blank || IsMixedFraction(text);
}

bool IsIntegerText(std::wstring_view text) {
  size_t at = !text.empty() && text[0] == L'-' ? 1 : 0;
  for (; at < text.size(); ++at) {
    if (!IsAsciiDigit(text[at])) return false;
  }
  return true;
}

bool IsAngleText(std::wstring_view text) {
  for (wchar_t c : text) {
    if (!IsAsciiDigit(c) && std::wstring_view(L"-+/\\.").find(c) == std::wstring_view::npos) {
      return false;
    }
  }
  return true;
}

bool IsRealInRange(double value, double low, double high) {
  return std::fabs(value - low) <= 1e-10 || std::fabs(value - high) <= 1e-10 ||
         (low <= value && value <= high);
}

std::wstring RealRangeMessage(std::wstring_view shown, double low, double high) {
  return kv::FormatMessageText(LoadString(IDS_INVALID_REAL), {shown}) + L"\n" +
         RangeDetail(kRealRows, low, high);
}

void ShowPlainMessage(const std::wstring& text) { kv::ShowMessageBox(text, kv::kMbOk); }

void ShowWarning(const std::wstring& text) {
  kv::ShowMessageBox(text, kv::kMbOk | kv::kMbIconExclamation);
}

void ShowReversedRange(std::wstring_view routine) {
  ShowPlainMessage(L"Programming ERROR Lowrange exceeds Highrange - Verify " +
                   std::wstring(routine));
}

}  // namespace kv::number

using namespace kv::number;

int verify_real(double low, double high, const wchar_t* text) {
  if (low > high) {
    ShowReversedRange(L"Real");
    return 0;
  }
  const std::wstring_view typed = TextOf(text);
  if (!IsRealText(typed)) {
    ShowPlainMessage(LoadString(IDS_INVALID_CHARACTERS));
    return 0;
  }
  const double value = ParseDistance(text);
  if (IsRealInRange(value, low, high)) return 1;
  ShowWarning(RealRangeMessage(typed, low, high));
  return 0;
}

int verify_integer(int low, int high, const wchar_t* text) {
  if (low > high) {
    ShowReversedRange(L"Int");
    return 0;
  }
  const std::wstring_view typed = TextOf(text);
  const int32_t value = ReadInt32(text);
  if (IsIntegerText(typed) && low <= value && value <= high) return 1;
  ShowWarning(kv::FormatMessageText(LoadString(IDS_INVALID_INTEGER), {typed}) + L"\n" +
              IntegerDetail(low, high));
  return 0;
}

int verify_angle(double low, double high, const wchar_t* text) {
  if (low > high) {
    ShowReversedRange(L"Angle");
    return 0;
  }
  const std::wstring_view typed = TextOf(text);
  double value = 0.0;
  angtof(text, 0, &value);
  if (low <= value && value <= high) return 1;
  ShowWarning(kv::FormatMessageText(LoadString(IDS_INVALID_ANGLE), {typed}) + L"\n" +
              RangeDetail(kAngleRows, low, high));
  return 0;
}

int verify_real_edit(kv::CDataExchange* pDX, double low, double high, double* value) {
  if (low > high) {
    ShowReversedRange(L"Real");
    return 0;
  }
  if (value == nullptr) return 0;
  if (IsRealInRange(*value, low, high)) return 1;
  std::wstring shown;
  RtosMaxPrecisionString(*value, -1, -1, shown);
  CInvalidRealDlg dialog(RealRangeMessage(shown, low, high), low, high, value, ExchangeOwner(pDX));
  return dialog.DoModal() == kv::kIdOk ? 2 : 0;
}
