// Dialog data exchange as the framework does it: CDataExchange carries the direction and
// the control last prepared; the DDX_ routines move values between controls and members,
// and a failed check shows its message and ends the exchange through Fail.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <stdexcept>
#include <string>

#include "KVPlatform/dialog.h"
#include "KVPlatform/text.h"
#include "KVPlatform/ui.h"

namespace kv {
namespace {

constexpr wchar_t kParseInt[] = L"Please enter an integer.";
constexpr wchar_t kParseReal[] = L"Please enter a number.";
constexpr wchar_t kParseStringSize[] = L"Please enter no more than %d characters.";

bool IsBlank(wchar_t c) {
  return c == L' ' || c == L'\t' || c == L'\n' || c == L'\r' || c == L'\v' || c == L'\f';
}

// The number between optional blanks, as 7-bit text; false when anything else is there.
bool NumberText(std::wstring_view text, std::string* number) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  if (begin == end) return false;
  number->clear();
  for (size_t i = begin; i < end; ++i) {
    if (text[i] > 0x7F) return false;
    number->push_back(static_cast<char>(text[i]));
  }
  // A leading plus sign is allowed, as the C library's readers allow it.
  if ((*number)[0] == '+') {
    number->erase(0, 1);
    if (number->empty() || (*number)[0] == '-' || (*number)[0] == '+') return false;
  }
  return true;
}

// "%d" as the framework reads it: blanks, an optional sign, digits, blanks; a value
// outside the 32-bit range fails too.
bool ParseInt(std::wstring_view text, int* value) {
  std::string number;
  if (!NumberText(text, &number)) return false;
  const char* end = number.data() + number.size();
  auto [ptr, ec] = std::from_chars(number.data(), end, *value);
  return ec == std::errc() && ptr == end;
}

// A decimal number (fixed or exponent notation) between optional blanks; infinities,
// NaNs and values too large for a double fail. Independent of the C locale.
bool ParseDouble(std::wstring_view text, double* value) {
  std::string number;
  if (!NumberText(text, &number)) return false;
  for (char c : number) {
    bool allowed =
        (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E';
    if (!allowed) return false;
  }
  const char* end = number.data() + number.size();
  double parsed = 0;
  auto [ptr, ec] = std::from_chars(number.data(), end, parsed, std::chars_format::general);
  if (ec != std::errc() || ptr != end || !std::isfinite(parsed)) return false;
  *value = parsed;
  return true;
}

// "%.15g", independent of the C locale.
std::wstring DoubleText(double value) {
  char buffer[64];
  auto [ptr, ec] =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
  if (ec != std::errc()) return L"0";
  return std::wstring(buffer, ptr);
}

void ShowParseError(const wchar_t* text) { ShowMessageBox(text, kMbOk | kMbIconExclamation); }

ControlState& ExchangedControl(CDataExchange* pDX, int controlId) {
  ControlState* control = pDX->m_pDlgWnd->GetControl(controlId);
  // PrepareCtrl has made sure the control exists.
  return *control;
}

}  // namespace

CDataExchange::CDataExchange(CDialog* dialog, bool saveAndValidate)
    : m_bSaveAndValidate(saveAndValidate), m_pDlgWnd(dialog) {}

void CDataExchange::PrepareCtrl(int controlId) {
  // As in the framework, exchanging with a control that is not there is a program
  // error, never a user's: it throws, and is not caught by UpdateData.
  if (m_pDlgWnd == nullptr) throw std::logic_error("data exchange without a dialog");
  if (controlId == 0 || controlId == kIdcStatic || m_pDlgWnd->GetControl(controlId) == nullptr) {
    throw std::invalid_argument("dialog " + std::to_string(m_pDlgWnd->Template().id) +
                                " has no control " + std::to_string(controlId) +
                                " to exchange data with");
  }
  m_idLastControl = controlId;
  m_bEditLastControl = false;
}

void CDataExchange::PrepareEditCtrl(int controlId) {
  PrepareCtrl(controlId);
  m_bEditLastControl = true;
}

void CDataExchange::Fail() {
  // Focus goes back to the offending field so the user can correct it. Failing while
  // loading has no field to return to, but ends the exchange all the same.
  if (m_bSaveAndValidate && m_idLastControl != 0 && m_pDlgWnd != nullptr) {
    m_pDlgWnd->SetFocus(m_idLastControl);
  }
  throw DataExchangeFailure{};
}

void DDX_Text(CDataExchange* pDX, int controlId, std::wstring& value) {
  pDX->PrepareEditCtrl(controlId);
  if (pDX->m_bSaveAndValidate) {
    value = pDX->m_pDlgWnd->GetDlgItemText(controlId);
  } else {
    pDX->m_pDlgWnd->SetDlgItemText(controlId, value);
  }
}

void DDX_Text(CDataExchange* pDX, int controlId, int& value) {
  pDX->PrepareEditCtrl(controlId);
  if (pDX->m_bSaveAndValidate) {
    int parsed = 0;
    if (!ParseInt(pDX->m_pDlgWnd->GetDlgItemText(controlId), &parsed)) {
      ShowParseError(kParseInt);
      pDX->Fail();
    }
    value = parsed;
  } else {
    pDX->m_pDlgWnd->SetDlgItemText(controlId, std::to_wstring(value));
  }
}

void DDX_Text(CDataExchange* pDX, int controlId, double& value) {
  pDX->PrepareEditCtrl(controlId);
  if (pDX->m_bSaveAndValidate) {
    double parsed = 0;
    if (!ParseDouble(pDX->m_pDlgWnd->GetDlgItemText(controlId), &parsed)) {
      ShowParseError(kParseReal);
      pDX->Fail();
    }
    value = parsed;
  } else {
    pDX->m_pDlgWnd->SetDlgItemText(controlId, DoubleText(value));
  }
}

void DDX_Check(CDataExchange* pDX, int controlId, int& value) {
  pDX->PrepareCtrl(controlId);
  ControlState& control = ExchangedControl(pDX, controlId);
  if (pDX->m_bSaveAndValidate) {
    value = control.check;
  } else {
    if (value < 0 || value > 2) value = 0;  // out of range reads as unchecked
    control.check = value;
  }
}

void DDX_Radio(CDataExchange* pDX, int controlId, int& value) {
  pDX->PrepareCtrl(controlId);
  const std::vector<ControlState>& controls = pDX->m_pDlgWnd->Controls();
  size_t first = 0;
  while (controls[first].Id() != controlId) ++first;
  if (pDX->m_bSaveAndValidate) value = -1;
  int button = 0;
  for (size_t i = first; i < controls.size(); ++i) {
    const ControlState& control = controls[i];
    if (i > first &&
        (control.Kind() != ControlKind::kRadioButton || control.HasStyle(kStyleGroup))) {
      break;
    }
    if (control.Kind() != ControlKind::kRadioButton) break;
    if (pDX->m_bSaveAndValidate) {
      if (control.check != 0) value = button;
    } else {
      pDX->m_pDlgWnd->CheckDlgButton(control.Id(), button == value ? 1 : 0);
    }
    ++button;
  }
}

void DDX_CBIndex(CDataExchange* pDX, int controlId, int& index) {
  pDX->PrepareCtrl(controlId);
  if (pDX->m_bSaveAndValidate) {
    index = pDX->m_pDlgWnd->GetCurSel(controlId);
  } else {
    pDX->m_pDlgWnd->SetCurSel(controlId, index);
  }
}

void DDX_CBString(CDataExchange* pDX, int controlId, std::wstring& value) {
  pDX->PrepareCtrl(controlId);
  ControlState& control = ExchangedControl(pDX, controlId);
  if (pDX->m_bSaveAndValidate) {
    value = control.text;
    return;
  }
  // The first item that begins with the value (without regard to case) is selected;
  // when none does, the value becomes the edit text (a drop-down list has none).
  for (size_t i = 0; i < control.items.size(); ++i) {
    const std::wstring& item = control.items[i];
    if (item.size() >= value.size() &&
        EqualsNoCase(std::wstring_view(item).substr(0, value.size()), value)) {
      pDX->m_pDlgWnd->SetCurSel(controlId, static_cast<int>(i));
      return;
    }
  }
  if (!control.HasStyle(kStyleDropDownList)) control.text = value;
}

void DDX_LBIndex(CDataExchange* pDX, int controlId, int& index) {
  pDX->PrepareCtrl(controlId);
  if (pDX->m_bSaveAndValidate) {
    index = pDX->m_pDlgWnd->GetCurSel(controlId);
  } else {
    pDX->m_pDlgWnd->SetCurSel(controlId, index);
  }
}

void DDV_MaxChars(CDataExchange* pDX, const std::wstring& value, int maxChars) {
  if (pDX->m_bSaveAndValidate && value.size() > static_cast<size_t>(std::max(maxChars, 0))) {
    ShowMessageBox(FormatMessageText(kParseStringSize, {static_cast<long long>(maxChars)}),
                   kMbOk | kMbIconExclamation);
    pDX->Fail();
  } else if (pDX->m_idLastControl != 0 && pDX->m_bEditLastControl) {
    // The edit refuses to take more than that from now on.
    if (ControlState* control = pDX->m_pDlgWnd->GetControl(pDX->m_idLastControl)) {
      control->textLimit = maxChars;
    }
  }
}

}  // namespace kv
