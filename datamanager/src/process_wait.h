// CProcessWait: the data manager's modeless progress window with a title, a message
// line, a progress bar and a path line. It is shown from construction until Close or
// destruction; the caller repaints it between steps of work.
#pragma once

#include <memory>
#include <string>

#include "KVPlatform/dialog.h"
#include "KVPlatform/ui.h"

namespace kv::datamanager {

class CProcessWait {
 public:
  CProcessWait(const std::wstring& title, const std::wstring& message, kv::CWnd* parent = nullptr);
  ~CProcessWait();
  CProcessWait(const CProcessWait&) = delete;
  CProcessWait& operator=(const CProcessWait&) = delete;

  void SetMessage(const std::wstring& message);
  void SetRange(int low, int high);
  void SetPos(int position);
  // Shows a path in the path line and repaints.
  void SetPath(const std::wstring& path);
  // Lets the window repaint.
  void Pump();
  void Close();

 private:
  std::unique_ptr<kv::ProgressView> view_;
};

}  // namespace kv::datamanager
