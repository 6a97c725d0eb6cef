// CProcessWait over the platform's progress window.
#include "process_wait.h"

namespace kv::datamanager {

CProcessWait::CProcessWait(const std::wstring& title, const std::wstring& message,
                           kv::CWnd* /*parent*/)
    : view_(kv::CurrentUi().OpenProgress(title)) {
  view_->SetMessage(message);
  view_->Pump();
}

CProcessWait::~CProcessWait() { Close(); }

void CProcessWait::SetMessage(const std::wstring& message) {
  if (view_) view_->SetMessage(message);
}

void CProcessWait::SetRange(int low, int high) {
  if (view_) view_->SetRange(low, high);
}

void CProcessWait::SetPos(int position) {
  if (view_) view_->SetPosition(position);
}

void CProcessWait::SetPath(const std::wstring& path) {
  if (!view_) return;
  view_->SetPath(path);
  view_->Pump();
}

void CProcessWait::Pump() {
  if (view_) view_->Pump();
}

void CProcessWait::Close() { view_.reset(); }

}  // namespace kv::datamanager
