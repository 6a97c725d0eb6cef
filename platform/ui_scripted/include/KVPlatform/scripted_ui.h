// The scripted UI backend, for tests: answers and dialog actions are queued in advance,
// and everything shown is recorded for assertions. With nothing queued a message box
// gets its escape answer and a dialog is cancelled; both are recorded as such.
#pragma once

#include "KVPlatform/export.h"

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "KVPlatform/dialog.h"
#include "KVPlatform/ui.h"

namespace kv {

struct KV_EXPORT ShownMessage {
  std::wstring text;
  std::wstring caption;
  unsigned buttons = 0;  // type & kMbButtonMask
  unsigned icon = 0;     // type & kMbIconMask
  int answer = 0;
  bool scripted = false;  // false when the escape answer was taken
};

// One event of a progress window, in the order they happened.
struct KV_EXPORT ProgressEvent {
  enum Kind { kOpen, kTitle, kMessage, kRange, kPosition, kPath, kPump, kClose } kind;
  std::wstring text;  // title, message or path
  int a = 0, b = 0;   // range low/high, or position in a
};

// One event of a modeless dialog, in the order they happened.
struct KV_EXPORT ModelessEvent {
  enum Kind { kOpen, kShow, kHide, kCenter, kChange, kPump, kClose } kind;
  int templateId = 0;
  int controlId = 0;      // kChange: the control that changed
  std::wstring text;      // kOpen: the caption; kChange: the control's text
  int low = 0, high = 0;  // kChange: the control's progress range
  int position = 0;       // kChange: the control's progress position
};

struct KV_EXPORT ShownDialog {
  int templateId = 0;
  std::wstring caption;
  std::vector<ControlState> controlsAtStart;  // after OnInitDialog
  std::vector<ControlState> controlsAtEnd;
  int result = 0;
  bool scripted = false;  // false when nothing was queued and the dialog was cancelled
  int focusAtEnd = 0;     // the control that had the focus when the dialog ended

  // The state of a control after init / at the end; null when there is none.
  const ControlState* AtStart(int controlId) const;
  const ControlState* AtEnd(int controlId) const;
};

struct KV_EXPORT ShownFolderChooser {
  std::wstring title;
  std::wstring initialFolder;  // the folder passed in
  std::wstring folder;         // the folder chosen, empty when cancelled
  bool chosen = false;
  bool scripted = false;
};

class KV_EXPORT ScriptedUi : public UiBackend {
 public:
  ScriptedUi();
  ~ScriptedUi() override;

  // Queues the answer of the next message box. A box that gets an answer it has no
  // button for throws std::logic_error (the script is wrong).
  void QueueAnswer(int answer);
  // Queues the actions of the next modal dialog: the function gets the started dialog
  // and acts on it (TypeText, Click, ...). If the dialog is still open afterwards it is
  // cancelled.
  void QueueDialog(std::function<void(CDialog&)> actions);
  // Queues the answer of the next folder chooser (an empty folder cancels).
  void QueueFolder(std::wstring folder);

  const std::vector<ShownMessage>& Messages() const { return messages_; }
  const std::vector<ProgressEvent>& Progress() const { return progress_; }
  const std::vector<ShownDialog>& Dialogs() const { return dialogs_; }
  const std::vector<ShownFolderChooser>& FolderChoosers() const { return folderChoosers_; }
  const std::vector<ModelessEvent>& Modeless() const { return modeless_; }
  // Forgets everything recorded; queued answers and actions stay queued.
  void Clear();
  // What is still queued (a test can check that its script was used up).
  size_t PendingAnswers() const { return answers_.size(); }
  size_t PendingDialogs() const { return dialogActions_.size(); }
  size_t PendingFolders() const { return folders_.size(); }

  int MessageBox(std::wstring_view text, std::wstring_view caption, unsigned type) override;
  std::unique_ptr<ProgressView> OpenProgress(std::wstring_view title) override;
  int RunModal(CDialog& dialog) override;
  bool ChooseFolder(std::wstring_view title, std::wstring* folder) override;
  std::unique_ptr<DialogView> OpenModeless(CDialog& dialog) override;

 private:
  std::deque<int> answers_;
  std::deque<std::function<void(CDialog&)>> dialogActions_;
  std::deque<std::wstring> folders_;
  std::vector<ShownMessage> messages_;
  std::vector<ProgressEvent> progress_;
  std::vector<ShownDialog> dialogs_;
  std::vector<ShownFolderChooser> folderChoosers_;
  std::vector<ModelessEvent> modeless_;
  // Progress windows and modeless dialogs still open: they record into this backend and
  // are cut loose when it goes first.
  class View;
  class ModelessView;
  std::vector<View*> openViews_;
  std::vector<ModelessView*> openModeless_;
};

// Installs a fresh scripted backend for the process and returns it (owned by the
// process's UI; valid until the next SetUiBackend).
KV_EXPORT ScriptedUi& InstallScriptedUi();

}  // namespace kv
