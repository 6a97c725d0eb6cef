// The parts of the desktop backend and what they share: the one toolkit session of
// the process, the windows open now (new ones are owned by the innermost), the shown
// hook, and the look every window of ours takes. Internal to the gui library.
#pragma once

#include <wx/wx.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <string_view>

#include "KVPlatform/dialog.h"
#include "KVPlatform/gui_ui.h"
#include "KVPlatform/ui.h"

namespace kv::gui {

// Starts the toolkit once per process on the calling thread (it is never stopped: GTK
// cannot start twice). False when there is no display or the toolkit refuses it. A
// host program that runs wxWidgets itself keeps its own application object.
bool StartSession();

// Repaints and lays out the windows: runs the paint and layout events the toolkit has
// queued, but no user input (a click on a dialog waits until its loop runs again, so
// no handler runs in the middle of the caller's work). Does nothing when called from
// inside such a pass.
void PumpPaint();

// The window that new windows belong to: the innermost of ours still open, else null.
wxWindow* OwnerWindow();

// Gives a window of ours its look (compact controls); call it before adding controls.
void StyleWindow(wxTopLevelWindow* window);

// Registers a window of ours as open for its life.
class OpenWindow {
 public:
  explicit OpenWindow(wxTopLevelWindow* window);
  ~OpenWindow();
  OpenWindow(const OpenWindow&) = delete;
  OpenWindow& operator=(const OpenWindow&) = delete;

 private:
  wxTopLevelWindow* window_;
};

// Runs the shown hook, if any, for a modal window about to enter its loop: queued so
// that it runs inside the loop once the window is on the screen and painted.
void HookWhenShown(WindowKind kind, wxTopLevelWindow* window, CDialog* dialog = nullptr);
// Runs the shown hook now (a progress window or modeless dialog just painted).
void HookNow(WindowKind kind, wxTopLevelWindow* window, CDialog* dialog = nullptr);

// The pace of a window that the program changes from its own work loop (a progress
// window, a modeless dialog): at most 20 repaints a second, as smooth as a bar and a
// path line need to be read; painting takes at most a fiftieth of the time between two
// repaints, but the window never lags more than a fifth of a second behind.
class RepaintPace {
 public:
  using Clock = std::chrono::steady_clock;
  // Nothing is due for a frame from now (a window just mapped and painted).
  void Wait() { next_ = Clock::now() + kFrame; }
  bool Due() const { return Clock::now() >= next_; }
  // Paints through `paint` and sets the next repaint by what it cost.
  template <typename Painter>
  void Paint(Painter paint) {
    const Clock::time_point start = Clock::now();
    paint();
    const Clock::duration cost = Clock::now() - start;
    next_ = Clock::now() + std::clamp<Clock::duration>(cost * kPaintShare, kFrame, kLongest);
  }

 private:
  static constexpr auto kFrame = std::chrono::milliseconds(50);
  static constexpr int kPaintShare = 50;
  static constexpr auto kLongest = std::chrono::milliseconds(200);
  Clock::time_point next_;
};

// Places a new top-level window over its owner, or in the middle of the screen.
void PlaceWindow(wxTopLevelWindow* window);

// Text for a wx label: line ends "\r\n" and "\r" become "\n".
wxString Label(std::wstring_view text);
// The same text shown as it stands: '&' is no mnemonic.
wxString PlainLabel(std::wstring_view text);
std::wstring FromWx(const wxString& text);

// The parts of the backend, one file each.
int ShowMessageBoxWindow(std::wstring_view text, std::wstring_view caption, unsigned type);
std::unique_ptr<ProgressView> OpenProgressWindow(std::wstring_view title);
int RunDialogWindow(CDialog& dialog);
std::unique_ptr<DialogView> OpenModelessWindow(CDialog& dialog);
bool ChooseFolderWindow(std::wstring_view title, std::wstring* folder);

}  // namespace kv::gui
