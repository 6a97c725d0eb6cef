// CKtlMsgDlg.
#include "ktl_msg_dlg.h"

#include <algorithm>
#include <utility>

#include "resources.h"

namespace kv::fileutil {

CKtlMsgDlg::CKtlMsgDlg(std::wstring text, bool sessionOnly, kv::CWnd* parent)
    : kv::CDialog(KtlMessageTemplate(), parent),
      m_strText(std::move(text)),
      m_bSessionOnly(sessionOnly) {}

void CKtlMsgDlg::DoDataExchange(kv::CDataExchange* pDX) {
  kv::DDX_Text(pDX, IDC_KTL_MESSAGE_TEXT, m_strText);
  kv::DDX_Check(pDX, IDC_KTL_DO_NOT_SHOW, m_bDoNotShow);
}

bool CKtlMsgDlg::OnInitDialog() {
  kv::CDialog::OnInitDialog();
  // Every control keeps its size and its distance from the bottom edge; the text keeps
  // its top edge and stretches down instead.
  SetLayoutForAllControls(kv::kLayoutKeepSize, kv::kLayoutKeepSize | kv::kLayoutKeepTrailing);
  SetControlLayout(IDC_KTL_MESSAGE_TEXT, kv::kLayoutKeepSize,
                   kv::kLayoutKeepLeading | kv::kLayoutKeepTrailing);
  const auto lineFeeds = std::count(m_strText.begin(), m_strText.end(), L'\n');
  if (lineFeeds > 4) {
    const int pixels = 16 * static_cast<int>(lineFeeds) - 64;
    SetWindowSize(Width(), Height() + PixelsToDialogUnitsY(pixels));
  }
  if (m_bSessionOnly) {
    SetDlgItemText(IDC_KTL_DO_NOT_SHOW, FileUtilityStrings().Load(IDS_DO_NOT_SHOW_THIS_SESSION));
  }
  return true;
}

void CKtlMsgDlg::OnSize(int cx, int cy) {
  kv::CDialog::OnSize(cx, cy);
  ApplyLayout();
}

}  // namespace kv::fileutil
