// The DDX_ and DDV_ routines for numeric edit controls.
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
#include "verify.h"

namespace kv::number {
namespace {

constexpr double kRealRange = 10000000.0;
constexpr int kIntegerRange = 10000000;
constexpr double kAngleRange = 6.283185307179586;
constexpr double kPi = 3.141592653589793;
// The characters taken from a control: a 32-character buffer, terminator included.
constexpr int kControlBufferSize = 32;

struct ControlText {
  wchar_t text[kControlBufferSize];
};

// Reads at most 31 characters of the control.
ControlText ReadControl(kv::CDataExchange* pDX, int controlId) {
  ControlText control{};
  pDX->m_pDlgWnd->GetDlgItemText(controlId, control.text, kControlBufferSize);
  return control;
}

void WriteControl(kv::CDataExchange* pDX, int controlId, const wchar_t* text) {
  pDX->m_pDlgWnd->SetDlgItemText(controlId, text);
}

// The currency text: two decimals at least, trimmed from at most two.
void CurrencyText(double value, wchar_t* text) {
  SetMaxPrecision(2);
  RtosMaxPrecision(value, -1, 2, text);
  SetMaxPrecision(4);
}

bool HasDialog(kv::CDataExchange* pDX) { return pDX != nullptr && pDX->m_pDlgWnd != nullptr; }

// Puts a corrected value's text into the control last prepared.
void WriteCorrectedValue(kv::CDataExchange* pDX, double value) {
  if (pDX->m_idLastControl == 0) return;  // nothing exchanged yet: no control to update
  std::wstring text;
  RtosMaxPrecisionString(value, -1, -1, text);
  pDX->PrepareEditCtrl(pDX->m_idLastControl);
  pDX->m_pDlgWnd->SetDlgItemText(pDX->m_idLastControl, text);
}

// The real exchange shared by DDX_Real, DDX_Multiple and DDX_Currency.
template <class Format>
void ExchangeReal(kv::CDataExchange* pDX, int nIDC, double& value, Format format) {
  if (!HasDialog(pDX)) return;
  pDX->PrepareEditCtrl(nIDC);
  if (pDX->m_bSaveAndValidate) {
    const ControlText control = ReadControl(pDX, nIDC);
    if (!verify_real(-kRealRange, kRealRange, control.text)) pDX->Fail();
    value = ParseDistance(control.text);
  } else {
    wchar_t text[kTextSize];
    format(value, text);
    WriteControl(pDX, nIDC, text);
  }
}

}  // namespace
}  // namespace kv::number

using namespace kv::number;

void DDX_Real(kv::CDataExchange* pDX, int nIDC, double& value) {
  ExchangeReal(pDX, nIDC, value,
               [](double v, wchar_t* text) { RtosMaxPrecision(v, -1, -1, text); });
}

void DDX_Multiple(kv::CDataExchange* pDX, int nIDC, double& value) {
  ExchangeReal(pDX, nIDC, value, [](double v, wchar_t* text) { rtos(v, -1, -1, text); });
}

void DDX_Currency(kv::CDataExchange* pDX, int nIDC, double& value) {
  ExchangeReal(pDX, nIDC, value, CurrencyText);
}

void DDX_Integer(kv::CDataExchange* pDX, int nIDC, int& value) {
  if (!HasDialog(pDX)) return;
  pDX->PrepareEditCtrl(nIDC);
  if (pDX->m_bSaveAndValidate) {
    const ControlText control = ReadControl(pDX, nIDC);
    if (!verify_integer(-kIntegerRange, kIntegerRange, control.text)) pDX->Fail();
    value = ReadInt32(control.text);
  } else {
    WriteControl(pDX, nIDC, std::to_wstring(value).c_str());
  }
}

void DDX_Angle(kv::CDataExchange* pDX, int nIDC, double& radians) {
  if (!HasDialog(pDX)) return;
  pDX->PrepareEditCtrl(nIDC);
  if (pDX->m_bSaveAndValidate) {
    const ControlText control = ReadControl(pDX, nIDC);
    if (!IsAngleText(control.text)) {
      ShowPlainMessage(LoadString(IDS_INVALID_CHARACTERS));
      pDX->Fail();
    }
    if (!verify_angle(-kAngleRange, kAngleRange, control.text)) pDX->Fail();
    angtof(control.text, 0, &radians);
  } else {
    wchar_t text[kTextSize];
    angtos(radians, 0, -1, text);
    WriteControl(pDX, nIDC, text);
  }
}

void DDV_Real(kv::CDataExchange* pDX, const double& value, double low, double high) {
  wchar_t text[kTextSize];
  RtosMaxPrecision(value, -1, -1, text);
  if (!verify_real(low, high, text) && pDX != nullptr) pDX->Fail();
}

void DDV_Integer(kv::CDataExchange* pDX, const int& value, int low, int high) {
  if (!verify_integer(low, high, std::to_wstring(value).c_str()) && pDX != nullptr) pDX->Fail();
}

void DDV_Angle(kv::CDataExchange* pDX, const double& radians, double lowDegrees,
               double highDegrees) {
  wchar_t text[kTextSize];
  angtos(radians, 0, -1, text);
  if (!verify_angle(lowDegrees / 180.0 * kPi, highDegrees / 180.0 * kPi, text) && pDX != nullptr) {
    pDX->Fail();
  }
}

void DDV_Currency(kv::CDataExchange* pDX, const double& value, double low, double high) {
  wchar_t text[kTextSize];
  CurrencyText(value, text);
  if (!verify_real(low, high, text) && pDX != nullptr) pDX->Fail();
}

void DDV_Multiple(kv::CDataExchange* pDX, const double& value, double multiple) {
  wchar_t text[kTextSize];
  rtos(value, -1, -1, text);
  if (!verify_real(-kRealRange, kRealRange, text)) {
    if (pDX != nullptr) pDX->Fail();
    return;
  }
  // Whole part and fraction of the quotient, the fraction with the quotient's sign; a
  // fraction within 1e-7 of one whole (either sign) counts as that whole.
  const double quotient = value / multiple;
  double whole = std::trunc(quotient);
  const double fraction = quotient - whole;
  if (std::fabs(fraction - 1.0) <= 1e-7) whole += 1.0;
  if (std::fabs(fraction + 1.0) <= 1e-7) whole -= 1.0;
  if (std::fabs(quotient - whole) <= 1e-8) return;
  rtos(multiple, -1, -1, text);
  ShowPlainMessage(kv::FormatMessageText(LoadString(IDS_NOT_MULTIPLE), {std::wstring_view(text)}));
  if (pDX != nullptr) pDX->Fail();
}

bool DDV_RealEdit(kv::CDataExchange* pDX, double& value, double low, double high) {
  std::wstring text;
  RtosMaxPrecisionString(value, -1, -1, text);
  if (!IsRealText(text)) {
    CInvalidRealDlg dialog(LoadString(IDS_INVALID_CHARACTERS), low, high, &value,
                           ExchangeOwner(pDX));
    if (dialog.DoModal() == kv::kIdOk) {
      if (HasDialog(pDX)) WriteCorrectedValue(pDX, value);
      return true;
    }
    if (pDX != nullptr) pDX->Fail();
    return false;
  }
  switch (verify_real_edit(pDX, low, high, &value)) {
    case 0:
      if (pDX != nullptr) pDX->Fail();
      return false;
    case 2:
      if (HasDialog(pDX)) WriteCorrectedValue(pDX, value);
      return true;
    default: return false;
  }
}
