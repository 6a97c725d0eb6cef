// The user-interface backend: every message box, modal dialog, progress window and
// folder chooser of the system goes through it; no library writes to a terminal or
// opens a window itself.
//
// Backends: "scripted" (tests: answers queued in advance, everything shown recorded),
// "console" (programs: the terminal; without one the escape answer, said aloud), and
// "gui" (windows on the desktop, from the separate library libKVPlatformGui, loaded only
// when asked). The host program picks one with SetUiBackend, or the environment
// variable KESTREL_UI does; without it a program gets the desktop when a display is
// available (DISPLAY or WAYLAND_DISPLAY) and the desktop backend loads, else the
// console.
#pragma once

#include "KVPlatform/export.h"

#include <memory>
#include <string>
#include <string_view>

namespace kv {

class CDialog;

// Message box buttons and icons, with the Win32 numbers.
enum MessageBoxType : unsigned {
  kMbOk = 0x0,
  kMbOkCancel = 0x1,
  kMbAbortRetryIgnore = 0x2,
  kMbYesNoCancel = 0x3,
  kMbYesNo = 0x4,
  kMbRetryCancel = 0x5,
  kMbButtonMask = 0xF,
  kMbIconNone = 0x0,
  kMbIconError = 0x10,  // MB_ICONERROR / MB_ICONSTOP / MB_ICONHAND
  kMbIconQuestion = 0x20,
  kMbIconExclamation = 0x30,  // MB_ICONEXCLAMATION / MB_ICONWARNING
  kMbIconInformation = 0x40,  // MB_ICONINFORMATION / MB_ICONASTERISK
  kMbIconMask = 0xF0,
  // The default button (the one Enter picks): the first unless one of these says so.
  kMbDefButton1 = 0x000,
  kMbDefButton2 = 0x100,
  kMbDefButton3 = 0x200,
  kMbDefButtonMask = 0xF00,
};

// Dialog and message box results, with the Win32 numbers.
enum DialogResult : int {
  kIdOk = 1,
  kIdCancel = 2,
  kIdAbort = 3,
  kIdRetry = 4,
  kIdIgnore = 5,
  kIdYes = 6,
  kIdNo = 7,
};

// The answer a box gets when nobody can answer: OK for OK-only boxes, else Cancel,
// or No for Yes/No boxes.
KV_EXPORT int EscapeAnswer(unsigned type);
// An Abort/Retry/Ignore box has no Cancel; its escape answer is Abort (stopping is the
// safe choice, and Retry would ask again for ever). Unknown button sets get Cancel.

// True when `answer` is one of the buttons of a box of `type`.
KV_EXPORT bool IsValidAnswer(unsigned type, int answer);

// The answer Enter gives: the button the kMbDefButton bits name (the first button when
// the box has fewer).
KV_EXPORT int DefaultAnswer(unsigned type);

// The program's name ("KVDNC"), the default caption of message boxes.
KV_EXPORT std::wstring ProgramName();

// A modeless progress window as a backend shows it: title, message line, a bar with a
// range and a position, and a path line.
class KV_EXPORT ProgressView {
 public:
  virtual ~ProgressView();
  virtual void SetTitle(std::wstring_view title) = 0;
  virtual void SetMessage(std::wstring_view message) = 0;
  virtual void SetRange(int low, int high) = 0;
  virtual void SetPosition(int position) = 0;
  virtual void SetPath(std::wstring_view path) = 0;
  // Lets the window repaint between steps of work.
  virtual void Pump() = 0;
};

// A modeless dialog as a backend shows it (CDialog::Create opens one): the backend
// presents the dialog's model (caption, controls) and is told of each change the
// program makes to it. It starts hidden; the window closes when the view is destroyed.
// The dialog outlives its view.
class KV_EXPORT DialogView {
 public:
  virtual ~DialogView();
  virtual void Show(bool visible) = 0;             // ShowWindow
  virtual void Center() = 0;                       // CenterWindow: in the middle of the screen
  virtual void ControlChanged(int controlId) = 0;  // a control's text, range or position
  virtual void Pump() = 0;                         // UpdateWindow: paint the window now
};

class KV_EXPORT UiBackend {
 public:
  virtual ~UiBackend();
  // Shows a modal message box; returns the button chosen (kIdOk, kIdCancel, ...).
  virtual int MessageBox(std::wstring_view text, std::wstring_view caption, unsigned type) = 0;
  // Opens a modeless progress window; it closes when the view is destroyed.
  virtual std::unique_ptr<ProgressView> OpenProgress(std::wstring_view title) = 0;
  // Runs a dialog modally: presents its model, feeds user actions back to it through
  // Dialog's event calls, and returns when the dialog ends (its result).
  virtual int RunModal(CDialog& dialog) = 0;
  // A folder chooser: true with the folder chosen, false when cancelled.
  virtual bool ChooseFolder(std::wstring_view title, std::wstring* folder) = 0;
  // Opens a started dialog modelessly, hidden. The default presents it through
  // OpenProgress once it is first shown: the caption as the title, the first static
  // text as the message line, the first progress bar as the bar (what the system's
  // modeless dialogs hold); a backend that can draw the dialog itself overrides it. The
  // backend outlives the views it opens.
  virtual std::unique_ptr<DialogView> OpenModeless(CDialog& dialog);
};

// The process's backend (created from KESTREL_UI, or from the display, on first use;
// the first use must come from the thread that shows the UI: a desktop backend starts
// its toolkit on it).
KV_EXPORT UiBackend& CurrentUi();
// Installs a backend for the process; returns the previous one.
KV_EXPORT std::unique_ptr<UiBackend> SetUiBackend(std::unique_ptr<UiBackend> backend);
// Makes a backend by name ("console", "scripted", "gui"); null for an unknown name, and
// for "gui" when the desktop library is not installed or no display can be opened.
KV_EXPORT std::unique_ptr<UiBackend> MakeUiBackend(std::string_view name);

// The console backend, for programs. Everything it shows goes to `outputFd` (standard
// error by default, so that a program's standard output stays its data); answers are
// read from `inputFd` only when it and the output are terminals (a question written to a
// log file would be waited on unseen). Without a terminal a message box takes
// its escape answer, a dialog is shown once and cancelled, a folder chooser is
// cancelled, and the output says so; on a terminal the folder chooser keeps the current
// folder when the user just presses Enter;
// nothing ever waits for input that cannot come. Progress windows are a bar redrawn in
// place when the output is a terminal, else plain lines (no escape sequences).
struct KV_EXPORT ConsoleUiOptions {
  int inputFd = 0;
  int outputFd = 2;
  // The least time between two progress redraws (terminal) or lines (otherwise);
  // changes in between are shown with the next redraw or when the window closes.
  int throttleMs = 100;
  // Columns of the terminal; 0 asks the terminal (80 when it does not say).
  int width = 0;
};
KV_EXPORT std::unique_ptr<UiBackend> MakeConsoleUi(const ConsoleUiOptions& options = {});

// Shorthands over CurrentUi(). The caption defaults to the program's name.
KV_EXPORT int ShowMessageBox(std::wstring_view text, unsigned type = kMbOk,
                             std::wstring_view caption = {});

}  // namespace kv
