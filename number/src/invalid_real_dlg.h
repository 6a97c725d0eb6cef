// The "Invalid Value Entered" dialog: shows why a value was rejected with the allowed
// range, and lets the user type a corrected value.
#pragma once

#include <string>

#include "KVPlatform/dialog.h"

namespace kv::number {

class CInvalidRealDlg : public kv::CDialog {
 public:
  // `pValue` is the caller's variable: its value is shown first and the corrected
  // value is stored there on OK only.
  CInvalidRealDlg(std::wstring message, double low, double high, double* pValue, kv::CWnd* owner);

  std::wstring m_strMessage;
  double m_dLow;
  double m_dHigh;
  double m_dValue;
  double* m_pValue;
  bool m_bValidate = false;

 protected:
  // The message, both limits and the value; while OK runs, the value is checked
  // against the limits as they are displayed.
  void DoDataExchange(kv::CDataExchange* pDX) override;
  bool OnInitDialog() override;
  // Checks the typed value: stores it and closes with IDOK when it is accepted, else
  // stays open (the check has said why).
  void OnOK() override;
};

// The owner of a dialog opened during an exchange: the exchanged dialog's parent.
kv::CWnd* ExchangeOwner(kv::CDataExchange* pDX);

}  // namespace kv::number
