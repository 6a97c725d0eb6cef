// The scripted UI backend: answers and dialog actions queued by a test, everything shown
// recorded for its assertions.
#include "KVPlatform/scripted_ui.h"

#include <algorithm>
#include <stdexcept>

#include "KVPlatform/text.h"

namespace kv {
namespace {

const ControlState* FindState(const std::vector<ControlState>& controls, int controlId) {
  for (const ControlState& control : controls) {
    if (control.tmpl != nullptr && control.tmpl->id == controlId) return &control;
  }
  return nullptr;
}

}  // namespace

const ControlState* ShownDialog::AtStart(int controlId) const {
  return FindState(controlsAtStart, controlId);
}

const ControlState* ShownDialog::AtEnd(int controlId) const {
  return FindState(controlsAtEnd, controlId);
}

// A progress window: records its events into the backend while both live.
class ScriptedUi::View : public ProgressView {
 public:
  explicit View(ScriptedUi* owner) : owner_(owner) { owner_->openViews_.push_back(this); }
  ~View() override {
    if (owner_ == nullptr) return;
    Record({ProgressEvent::kClose, {}, 0, 0});
    auto& views = owner_->openViews_;
    views.erase(std::remove(views.begin(), views.end(), this), views.end());
  }
  void Detach() { owner_ = nullptr; }

  void SetTitle(std::wstring_view title) override {
    Record({ProgressEvent::kTitle, std::wstring(title), 0, 0});
  }
  void SetMessage(std::wstring_view message) override {
    Record({ProgressEvent::kMessage, std::wstring(message), 0, 0});
  }
  void SetRange(int low, int high) override { Record({ProgressEvent::kRange, {}, low, high}); }
  void SetPosition(int position) override { Record({ProgressEvent::kPosition, {}, position, 0}); }
  void SetPath(std::wstring_view path) override {
    Record({ProgressEvent::kPath, std::wstring(path), 0, 0});
  }
  void Pump() override { Record({ProgressEvent::kPump, {}, 0, 0}); }

 private:
  void Record(ProgressEvent event) {
    if (owner_ != nullptr) owner_->progress_.push_back(std::move(event));
  }
  ScriptedUi* owner_;
};

// A modeless dialog: records what happens to it, with the changed control's state.
class ScriptedUi::ModelessView : public DialogView {
 public:
  ModelessView(ScriptedUi* owner, CDialog& dialog) : owner_(owner), dialog_(dialog) {
    owner_->openModeless_.push_back(this);
    ModelessEvent open = Event(ModelessEvent::kOpen);
    open.text = dialog.Caption();
    Record(std::move(open));
  }
  ~ModelessView() override {
    if (owner_ == nullptr) return;
    Record(Event(ModelessEvent::kClose));
    auto& views = owner_->openModeless_;
    views.erase(std::remove(views.begin(), views.end(), this), views.end());
  }
  void Detach() { owner_ = nullptr; }

  void Show(bool visible) override {
    Record(Event(visible ? ModelessEvent::kShow : ModelessEvent::kHide));
  }
  void Center() override { Record(Event(ModelessEvent::kCenter)); }
  void ControlChanged(int controlId) override {
    ModelessEvent change = Event(ModelessEvent::kChange);
    change.controlId = controlId;
    if (const ControlState* control = dialog_.GetControl(controlId)) {
      change.text = control->text;
      change.low = control->rangeLow;
      change.high = control->rangeHigh;
      change.position = control->position;
    }
    Record(std::move(change));
  }
  void Pump() override { Record(Event(ModelessEvent::kPump)); }

 private:
  ModelessEvent Event(ModelessEvent::Kind kind) const {
    ModelessEvent event{kind};
    event.templateId = dialog_.Template().id;
    return event;
  }
  void Record(ModelessEvent event) {
    if (owner_ != nullptr) owner_->modeless_.push_back(std::move(event));
  }
  ScriptedUi* owner_;
  CDialog& dialog_;
};

ScriptedUi::ScriptedUi() = default;

ScriptedUi::~ScriptedUi() {
  for (View* view : openViews_) view->Detach();
  for (ModelessView* view : openModeless_) view->Detach();
}

std::unique_ptr<DialogView> ScriptedUi::OpenModeless(CDialog& dialog) {
  return std::make_unique<ModelessView>(this, dialog);
}

void ScriptedUi::QueueAnswer(int answer) { answers_.push_back(answer); }

void ScriptedUi::QueueDialog(std::function<void(CDialog&)> actions) {
  dialogActions_.push_back(std::move(actions));
}

void ScriptedUi::QueueFolder(std::wstring folder) { folders_.push_back(std::move(folder)); }

void ScriptedUi::Clear() {
  messages_.clear();
  progress_.clear();
  dialogs_.clear();
  folderChoosers_.clear();
  modeless_.clear();
}

int ScriptedUi::MessageBox(std::wstring_view text, std::wstring_view caption, unsigned type) {
  ShownMessage shown;
  shown.text = text;
  shown.caption = caption;
  shown.buttons = type & kMbButtonMask;
  shown.icon = type & kMbIconMask;
  if (!answers_.empty()) {
    shown.answer = answers_.front();
    shown.scripted = true;
    answers_.pop_front();
    if (!IsValidAnswer(type, shown.answer)) {
      messages_.push_back(shown);
      throw std::logic_error("scripted answer " + std::to_string(shown.answer) +
                             " is no button of the box \"" + WideToAnsi(text) + "\"");
    }
  } else {
    shown.answer = EscapeAnswer(type);
  }
  messages_.push_back(shown);
  return shown.answer;
}

std::unique_ptr<ProgressView> ScriptedUi::OpenProgress(std::wstring_view title) {
  progress_.push_back({ProgressEvent::kOpen, std::wstring(title), 0, 0});
  return std::make_unique<View>(this);
}

int ScriptedUi::RunModal(CDialog& dialog) {
  // The slot is taken now so that dialogs opened from this one's actions come after it.
  size_t slot = dialogs_.size();
  dialogs_.push_back({});
  dialogs_[slot].templateId = dialog.Template().id;

  dialog.Start();
  dialogs_[slot].caption = dialog.Caption();
  dialogs_[slot].controlsAtStart = dialog.Controls();

  bool scripted = false;
  if (!dialog.IsEnded() && !dialogActions_.empty()) {
    std::function<void(CDialog&)> actions = std::move(dialogActions_.front());
    dialogActions_.pop_front();
    scripted = true;
    actions(dialog);
  }
  if (!dialog.IsEnded()) dialog.PressEscape();
  // A dialog whose Cancel handler refuses to close is closed all the same.
  if (!dialog.IsEnded()) dialog.EndDialog(kIdCancel);

  ShownDialog& shown = dialogs_[slot];
  shown.scripted = scripted;
  shown.caption = dialog.Caption();
  shown.controlsAtEnd = dialog.Controls();
  shown.focusAtEnd = dialog.GetFocus();
  shown.result = dialog.Result();
  return dialog.Result();
}

bool ScriptedUi::ChooseFolder(std::wstring_view title, std::wstring* folder) {
  ShownFolderChooser shown;
  shown.title = title;
  if (folder != nullptr) shown.initialFolder = *folder;
  if (!folders_.empty()) {
    shown.scripted = true;
    shown.folder = std::move(folders_.front());
    folders_.pop_front();
    shown.chosen = !shown.folder.empty();
  }
  if (shown.chosen && folder != nullptr) *folder = shown.folder;
  folderChoosers_.push_back(shown);
  return shown.chosen;
}

}  // namespace kv
