// CInvalidRealDlg.
#include "invalid_real_dlg.h"

#include <utility>

#include "KVNumber/ddx.h"
#include "KVNumber/number.h"
#include "KVPlatform/ui.h"
#include "format.h"
#include "parse.h"
#include "resources.h"

namespace kv::number {
namespace {

// A limit's static text: written as DDX_Real writes it, read back whole and as it
// reads. Not DDX_Real's save: that would hold limits beyond its own +-10000000 range,
// or written as mixed fractions, against the dialog and no value could ever pass.
void ExchangeLimit(kv::CDataExchange* pDX, int controlId, double& limit) {
  pDX->PrepareCtrl(controlId);
  if (pDX->m_bSaveAndValidate) {
    limit = ParseDistance(pDX->m_pDlgWnd->GetDlgItemText(controlId).c_str());
  } else {
    std::wstring text;
    RtosMaxPrecisionString(limit, -1, -1, text);
    pDX->m_pDlgWnd->SetDlgItemText(controlId, text);
  }
}

}  // namespace

CInvalidRealDlg::CInvalidRealDlg(std::wstring message, double low, double high, double* pValue,
                                 kv::CWnd* owner)
    : kv::CDialog(InvalidRealTemplate(), owner),
      m_strMessage(std::move(message)),
      m_dLow(low),
      m_dHigh(high),
      m_dValue(pValue != nullptr ? *pValue : 0.0),
      m_pValue(pValue) {}

void CInvalidRealDlg::DoDataExchange(kv::CDataExchange* pDX) {
  kv::DDX_Text(pDX, IDC_REAL_MESSAGE, m_strMessage);
  ExchangeLimit(pDX, IDC_REAL_MINIMUM, m_dLow);
  ExchangeLimit(pDX, IDC_REAL_MAXIMUM, m_dHigh);
  DDX_Real(pDX, IDC_REAL_VALUE, m_dValue);
  if (m_bValidate) DDV_Real(pDX, m_dValue, m_dLow, m_dHigh);
}

bool CInvalidRealDlg::OnInitDialog() { return kv::CDialog::OnInitDialog(); }

void CInvalidRealDlg::OnOK() {
  m_bValidate = true;
  const bool accepted = UpdateData(true);
  m_bValidate = false;
  if (!accepted) return;
  if (m_pValue != nullptr) *m_pValue = m_dValue;
  EndDialog(kv::kIdOk);
}

kv::CWnd* ExchangeOwner(kv::CDataExchange* pDX) {
  if (pDX == nullptr || pDX->m_pDlgWnd == nullptr) return nullptr;
  return pDX->m_pDlgWnd->GetParent();
}

}  // namespace kv::number
