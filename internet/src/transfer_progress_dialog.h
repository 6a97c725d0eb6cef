// CTransferProgressDialog: the modeless "Transferring Data" window of the FTP send with
// progress (template 197): a status line and a progress bar. It exists from its
// construction to its destruction; it is not pumped, and shows what it is told when it
// is told.
#pragma once

#include <cstdint>
#include <string>

#include "KVPlatform/dialog.h"

namespace kv::internet {

inline constexpr int IDD_TRANSFER_PROGRESS = 197;
inline constexpr int IDC_TRANSFER_STATUS = 196;
inline constexpr int IDC_TRANSFER_BAR = 198;

// Template 197 (dialog units): 316x88, caption "Transferring Data"; the status line at
// 16,17 285x31 and the bar at 16,54 285x12.
const DialogTemplate& TransferProgressTemplate();

class CTransferProgressDialog : public CDialog {
 public:
  // Creates the window at once, hidden, with an empty status line.
  explicit CTransferProgressDialog(CWnd* parent);
  // Destroys the window.
  ~CTransferProgressDialog() override;

  // The status line: m_strStatus, then moved to the control.
  void SetStatusText(const std::wstring& text);
  // The bar's range, as PBM_SETRANGE packs it (two 16-bit words); `upper` is kept in
  // m_nUpper.
  void SetRange(short lower, short upper);
  void SetPos(int pos);

  bool OnInitDialog() override;
  void DoDataExchange(CDataExchange* pDX) override;

  std::wstring m_strStatus;
  int m_nUpper = 0;
};

// The bar of a file of `size` bytes: one step per 1024-byte block, the range the number
// of whole blocks. Positions are shifted right by `shift` so that the range fits the
// bar's 16-bit bound (a signed one, as SetRange takes it): files of 32 MiB and more
// still show true progress.
//   1025 bytes => upper 1, shift 0      32 MiB - 1 => upper 32767, shift 0
//   32 MiB     => upper 16384, shift 1  64 MiB     => upper 16384, shift 2
struct BlockScale {
  short upper = 0;
  int shift = 0;
};
BlockScale ScaleBlocks(uint64_t size);

}  // namespace kv::internet
