// The desktop UI backend: message boxes, dialogs, progress windows and the folder
// chooser as windows, on wxWidgets 3.2 (GTK 3). It is a library of its own that the ui
// library loads only when asked (MakeUiBackend("gui"), KESTREL_UI=gui, or a program
// started on a desktop), so that nothing else needs a GUI package.
//
// Every call runs on the thread that made the backend (the toolkit's thread) and
// returns when the window is done with, as the system's callers expect: modal windows
// run their own event loop; progress windows repaint when the caller pumps them.
//
// Dialogs are presented from their model: each control of the template becomes a
// native control placed by converting dialog units to pixels from the dialog's font
// (wxWindow::ConvertDialogToPixels), what the user does goes back through the dialog's
// event calls, and after each event the controls show the model again.
#pragma once

#include "KVPlatform/export.h"

#include <functional>
#include <string>

#include "KVPlatform/ui.h"

class wxTopLevelWindow;

// Makes the backend, starting the toolkit on the calling thread the first time; null
// when no display can be opened. The caller owns the result. Looked up by this name.
extern "C" KV_EXPORT kv::UiBackend* KVPlatformMakeGuiUi();

namespace kv::gui {

// kModeless: a dialog the program opened modelessly (CDialog::Create) as it is first shown.
enum class WindowKind { kMessageBox, kDialog, kFolderChooser, kProgress, kModeless };

// A window the backend has put on the screen.
struct KV_EXPORT ShownWindow {
  WindowKind kind;
  wxTopLevelWindow* window;
  CDialog* dialog;  // the model of a kDialog window, else null
};

// For tests and automation: called once each window is on the screen and painted. For
// modal windows (boxes, dialogs, the folder chooser) it runs inside the window's own
// event loop, so it may act on the window as a user would; for progress windows it
// runs when the window opens. An empty function removes the hook.
KV_EXPORT void SetShownHook(std::function<void(const ShownWindow&)> hook);

// The window name of the control with this id: dialog controls are named by their
// template ids, message box buttons by their answers (IDOK = 1, IDYES = 6, ...), and
// the parts of a progress window are "message", "progress" and "path".
KV_EXPORT std::string ControlName(int controlId);

// The name of the hidden window that stands beside each radio button of a dialog (no
// control of the template: layout checks pass over it).
inline constexpr char kRadioPartnerName[] = "radio-partner";

}  // namespace kv::gui
