// The "Transferring Data" window of the FTP send with progress.
#include "transfer_progress_dialog.h"

#include <cstdint>

namespace kv::internet {

const DialogTemplate& TransferProgressTemplate() {
  static const DialogTemplate kTemplate = [] {
    DialogTemplate t;
    t.id = IDD_TRANSFER_PROGRESS;
    t.caption = L"Transferring Data";
    t.cx = 316;
    t.cy = 88;
    t.style = kDialogModalFrame | kDialogTopmost | kDialogToolWindow;
    t.controls = {
        {IDC_TRANSFER_STATUS, ControlKind::kStatic, 16, 17, 285, 31, L"Static", kStyleGroup},
        {IDC_TRANSFER_BAR, ControlKind::kProgress, 16, 54, 285, 12, L"", kStyleBorder},
    };
    return t;
  }();
  return kTemplate;
}

CTransferProgressDialog::CTransferProgressDialog(CWnd* parent)
    : CDialog(TransferProgressTemplate(), parent) {
  Create();
}

CTransferProgressDialog::~CTransferProgressDialog() { DestroyWindow(); }

bool CTransferProgressDialog::OnInitDialog() {
  CDialog::OnInitDialog();
  return true;
}

void CTransferProgressDialog::DoDataExchange(CDataExchange* pDX) {
  DDX_Text(pDX, IDC_TRANSFER_STATUS, m_strStatus);
}

void CTransferProgressDialog::SetStatusText(const std::wstring& text) {
  m_strStatus = text;
  UpdateData(false);
}

void CTransferProgressDialog::SetRange(short lower, short upper) {
  SetProgressRange(IDC_TRANSFER_BAR, static_cast<uint16_t>(lower), static_cast<uint16_t>(upper));
  m_nUpper = upper;
}

void CTransferProgressDialog::SetPos(int pos) { SetProgressPos(IDC_TRANSFER_BAR, pos); }

BlockScale ScaleBlocks(uint64_t size) {
  uint64_t blocks = size / 1024;
  BlockScale scale;
  while ((blocks >> scale.shift) > 32767) ++scale.shift;
  scale.upper = static_cast<short>(blocks >> scale.shift);
  return scale;
}

}  // namespace kv::internet
