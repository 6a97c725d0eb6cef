// Test support for the desktop backend: the backend started on the virtual display,
// acting on windows as a person would (simulated pointer and keys), waiting for the
// toolkit, screenshots, and the driver that runs the backend contract suite.
#pragma once

#include <wx/wx.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "KVPlatform/dialog.h"
#include "KVPlatform/gui_ui.h"
#include "ui_contract.h"

namespace kv::gui::testing {

// Starts the desktop backend once (and makes failed toolkit assertions fail the
// test); false when there is no display. Tests skip then.
bool GuiAvailable();
#define KV_REQUIRE_GUI() \
  if (!::kv::gui::testing::GuiAvailable()) GTEST_SKIP() << "no display"

// Installs the desktop backend as the process's for the object's life.
class UseGui {
 public:
  UseGui();
  ~UseGui();

 private:
  std::unique_ptr<UiBackend> saved_;
};

// Runs the toolkit until `done` holds or `ms` have passed; true when it holds. The
// default is generous: a loaded machine can keep a display server waiting.
bool WaitUntil(const std::function<bool()>& done, int ms = 10000);
// Lets the toolkit take in what was just simulated.
void Settle(int ms = 80);

// The control of a dialog or message box by its id (see ControlName); null if none.
wxWindow* Control(wxWindow* window, int controlId);
// The pointer over a window's middle (keys go where the pointer is on a bare display).
void PointAt(wxWindow* window);
// A click in the middle of a control.
void ClickOn(wxWindow* control);
// A click into an edit, all of its text selected, and `text` typed (ASCII).
void TypeInto(wxWindow* control, const std::wstring& text);
// A key press, with modifiers (wxMOD_ALT, ...), into the innermost modal window (the
// pointer is moved over it when it is elsewhere).
void PressKey(int key, int modifiers = wxMOD_NONE);

// Every control of a dialog's window where the model puts it: position and size
// converted from dialog units in the dialog's font (a combo box is an edit line high,
// 12 units: its template height is its list's), and the client area the template's.
void ExpectLaidOutAsModel(wxTopLevelWindow* window, const CDialog& dialog);

// Saves what a window shows as <build>/screenshots/<name>.png; returns the path, or ""
// when it could not be read.
std::string SaveScreenshot(wxTopLevelWindow* window, const std::string& name);

// Answers the desktop's folder chooser: `folder` (a Windows path) accepted, or without
// one, cancelled.
void AnswerFolderChooser(const ShownWindow& shown, const std::optional<std::wstring>& folder);

// Actions for the windows the backend shows, in the order they come. A window that
// comes with nothing queued, or that its action leaves open, fails the test and is
// closed.
class WindowScript {
 public:
  using Action = std::function<void(const ShownWindow&)>;
  WindowScript();
  ~WindowScript();
  void Then(Action action);
  void First(Action action);  // before everything queued
  // Progress windows and modeless dialogs are watched, not scripted: this sees each one
  // open.
  void OnProgress(Action action);
  size_t Pending() const;

 private:
  struct State;
  std::shared_ptr<State> state_;
};

// The contract suite's driver for the desktop backend.
std::unique_ptr<kv::testing::UiDriver> MakeGuiDriver();

}  // namespace kv::gui::testing
