// The console UI backend's parts: the terminal they share (one output, answers read
// only from a terminal), and the message boxes, progress windows and dialog forms drawn
// on it. Internal to the ui library.
#pragma once

#include <errno.h>
#include <pthread.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "KVPlatform/dialog.h"
#include "KVPlatform/text.h"
#include "KVPlatform/ui.h"

namespace kv::console {

using Clock = std::chrono::steady_clock;

inline constexpr size_t kMaxLine = 64 * 1024;
inline constexpr char kEraseLine[] = "\r\x1b[K";

// Text shown on a terminal: Windows line ends ("\r\n", a lone "\r") become "\n", other
// control characters (escape sequences among them) are shown as '?', so that data never
// drives the terminal.
std::string Printable(std::wstring_view text);
// One line of text: line ends inside it are shown as '?' too.
std::string PrintableLine(std::wstring_view text);
std::wstring Trim(std::wstring_view text);
// A button's caption without its '&' mnemonic marks ("&Apply" => "Apply").
std::wstring Caption(std::wstring_view text);

// The input and output of the console, shared by the backend and its progress windows.
class Terminal {
 public:
  Terminal(const ConsoleUiOptions& options)
      : in_(options.inputFd),
        out_(options.outputFd),
        width_(options.width),
        throttle_(std::chrono::milliseconds(std::max(options.throttleMs, 0))) {}

  // A person can answer: the input is a terminal that has not reached its end, and the
  // output one too (a question written into a log file would be waited on unseen).
  bool Interactive() const {
    return !inputEnded_ && in_ >= 0 && isatty(in_) == 1 && OutputIsTerminal();
  }
  bool OutputIsTerminal() const { return out_ >= 0 && isatty(out_) == 1; }
  Clock::duration Throttle() const { return throttle_; }

  int Width() const {
    if (width_ > 0) return width_;
    winsize size{};
    if (ioctl(out_, TIOCGWINSZ, &size) == 0 && size.ws_col >= 20) return size.ws_col;
    return 80;
  }

  // Writes whole lines; a live progress line on the screen is erased first, and its
  // owner redraws it with its next update.
  void Print(std::string_view text) {
    std::lock_guard<std::mutex> lock(mutex_);
    EraseLiveLocked();
    WriteLocked(text);
  }
  void Print(std::wstring_view text) { Print(std::string_view(Printable(text))); }

  // Draws `line` as the live line of `owner` (a progress window on a terminal).
  void DrawLive(const void* owner, std::string_view line) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::string text = "\r";
    text += line;
    text += "\x1b[K";
    WriteLocked(text);
    liveOwner_ = owner;
  }
  // Leaves the live line of `owner` on the screen as an ordinary line.
  void EndLive(const void* owner) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (liveOwner_ != owner) return;
    WriteLocked("\n");
    liveOwner_ = nullptr;
  }
  bool LiveShownFor(const void* owner) {
    std::lock_guard<std::mutex> lock(mutex_);
    return liveOwner_ == owner;
  }

  // Reads one line of input without its line end. False at the end of input (or on a
  // read error): from then on the console is no longer interactive.
  bool ReadLine(std::wstring* line) {
    std::string bytes;
    bool any = false;
    for (;;) {
      char c = 0;
      ssize_t got = read(in_, &c, 1);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) {
        inputEnded_ = true;
        if (!any) return false;
        break;
      }
      any = true;
      if (c == '\n') break;
      if (bytes.size() < kMaxLine) bytes += c;
    }
    if (!bytes.empty() && bytes.back() == '\r') bytes.pop_back();
    *line = AnsiToWide(bytes);
    return true;
  }

 private:
  void EraseLiveLocked() {
    if (liveOwner_ == nullptr) return;
    WriteLocked(kEraseLine);
    liveOwner_ = nullptr;
  }

  // Writes everything, retrying short writes. A closed pipe must not kill the program
  // with SIGPIPE: the signal is held back during the write and dropped if it came.
  void WriteLocked(std::string_view text) {
    if (broken_ || out_ < 0) return;
    sigset_t pipeOnly;
    sigemptyset(&pipeOnly);
    sigaddset(&pipeOnly, SIGPIPE);
    sigset_t pending;
    sigpending(&pending);
    bool wasPending = sigismember(&pending, SIGPIPE) == 1;
    sigset_t old;
    pthread_sigmask(SIG_BLOCK, &pipeOnly, &old);
    while (!text.empty()) {
      ssize_t wrote = write(out_, text.data(), text.size());
      if (wrote < 0 && errno == EINTR) continue;
      if (wrote <= 0) {
        if (errno == EPIPE && !wasPending) {
          timespec zero{0, 0};
          sigtimedwait(&pipeOnly, nullptr, &zero);
        }
        broken_ = true;
        break;
      }
      text.remove_prefix(static_cast<size_t>(wrote));
    }
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
  }

  int in_;
  int out_;
  int width_;
  Clock::duration throttle_;
  std::mutex mutex_;
  const void* liveOwner_ = nullptr;
  bool broken_ = false;
  bool inputEnded_ = false;
};

// --- Message boxes -----------------------------------------------------------------

// A message box: the text, the buttons, and the answer read (or the escape answer).
int ShowConsoleBox(Terminal& terminal, std::wstring_view text, std::wstring_view caption,
                   unsigned type);

// A progress window: a live bar on a terminal, throttled plain lines otherwise.
std::unique_ptr<ProgressView> OpenConsoleProgress(std::shared_ptr<Terminal> terminal,
                                                  std::wstring_view title);

// A modal dialog as a line-driven form; without a terminal the form is shown once and
// the dialog cancelled.
int RunConsoleDialog(Terminal& terminal, CDialog& dialog);

// A folder chooser: a typed path; an empty line keeps the current folder (cancels when
// there is none), "-" cancels.
bool ChooseConsoleFolder(Terminal& terminal, std::wstring_view title, std::wstring* folder);

}  // namespace kv::console
