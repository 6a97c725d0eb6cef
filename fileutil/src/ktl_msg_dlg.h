// The catalogue message dialog: the message text, a check box with which the user
// suppresses the message (for good, or in session mode for the rest of the process), and
// OK. It grows by 16 pixels for every line feed beyond four; the text stretches and the
// check box and button move down with its bottom edge.
#pragma once

#include <string>

#include "KVPlatform/dialog.h"

namespace kv::fileutil {

class CKtlMsgDlg : public kv::CDialog {
 public:
  CKtlMsgDlg(std::wstring text, bool sessionOnly, kv::CWnd* parent);

  std::wstring m_strText;
  int m_bDoNotShow = 0;  // the check box, unchecked at first
  bool m_bSessionOnly;

 protected:
  void DoDataExchange(kv::CDataExchange* pDX) override;
  bool OnInitDialog() override;
  void OnSize(int cx, int cy) override;
};

}  // namespace kv::fileutil
