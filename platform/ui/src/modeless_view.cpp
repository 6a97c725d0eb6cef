// The default presentation of a modeless dialog: a progress window of the backend, fed
// from the dialog's first static text and first progress bar. Backends that draw dialogs
// themselves override UiBackend::OpenModeless instead.
#include "KVPlatform/dialog.h"
#include "KVPlatform/ui.h"

namespace kv {
namespace {

class ProgressDialogView : public DialogView {
 public:
  ProgressDialogView(UiBackend& backend, CDialog& dialog) : backend_(backend), dialog_(dialog) {
    for (const ControlState& control : dialog.Controls()) {
      if (control.Kind() == ControlKind::kStatic && messageId_ == kNone) messageId_ = control.Id();
      if (control.Kind() == ControlKind::kProgress && barId_ == kNone) barId_ = control.Id();
    }
  }

  void Show(bool visible) override {
    if (!visible) {
      progress_.reset();
      return;
    }
    if (progress_) return;
    // Opened on first showing: a hidden window shows nothing.
    progress_ = backend_.OpenProgress(dialog_.Caption());
    ShowMessage();
    ShowBar();
  }

  void Center() override {}

  void ControlChanged(int controlId) override {
    if (!progress_) return;
    if (controlId == messageId_) ShowMessage();
    if (controlId == barId_) ShowBar();
  }

  void Pump() override {
    if (progress_) progress_->Pump();
  }

 private:
  static constexpr int kNone = -1000000;

  void ShowMessage() {
    if (const ControlState* control = dialog_.GetControl(messageId_))
      progress_->SetMessage(control->text);
  }

  void ShowBar() {
    if (const ControlState* control = dialog_.GetControl(barId_)) {
      progress_->SetRange(control->rangeLow, control->rangeHigh);
      progress_->SetPosition(control->position);
    }
  }

  UiBackend& backend_;
  CDialog& dialog_;
  int messageId_ = kNone;
  int barId_ = kNone;
  std::unique_ptr<ProgressView> progress_;
};

}  // namespace

std::unique_ptr<DialogView> UiBackend::OpenModeless(CDialog& dialog) {
  return std::make_unique<ProgressDialogView>(*this, dialog);
}

}  // namespace kv
