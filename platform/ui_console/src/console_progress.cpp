// Progress windows on the console: a bar redrawn in place on a terminal, plain lines
// (a new percent or a new path) otherwise, both throttled.
#include <algorithm>
#include <string>

#include "console_terminal.h"

namespace kv::console {
namespace {

constexpr int kBarWidth = 20;

class ConsoleProgress : public ProgressView {
 public:
  ConsoleProgress(std::shared_ptr<Terminal> terminal, std::wstring_view title)
      : terminal_(std::move(terminal)), live_(terminal_->OutputIsTerminal()) {
    SetTitle(title);
  }

  ~ConsoleProgress() override {
    // The last state stays on the screen: shown if pending, or drawn again if something
    // else took the live line away.
    if (dirty_ || Erased()) Show(/*force=*/true);
    if (live_) terminal_->EndLive(this);
  }

  void SetTitle(std::wstring_view title) override {
    if (title == title_) return;
    title_ = title;
    if (title_.empty()) return;
    FlushPending();
    terminal_->Print("== " + Printable(title_) + " ==\n");
  }

  void SetMessage(std::wstring_view message) override {
    if (message == message_) return;
    message_ = message;
    if (message_.empty()) return;
    FlushPending();
    terminal_->Print(Printable(message_) + "\n");
  }

  void SetRange(int low, int high) override {
    if (low == low_ && high == high_) return;
    low_ = low;
    high_ = high;
    Changed();
  }

  void SetPosition(int position) override {
    if (position == position_ && shownOnce_) return;
    position_ = position;
    Changed();
  }

  void SetPath(std::wstring_view path) override {
    if (path == path_) return;
    path_ = path;
    pathChanged_ = true;
    Changed();
  }

  void Pump() override {
    if (Erased()) {
      Show(/*force=*/true);
    } else if (dirty_) {
      Show(/*force=*/false);
    }
  }

 private:
  // The live bar was drawn, then taken off the line by other output.
  bool Erased() const { return live_ && shownOnce_ && !terminal_->LiveShownFor(this); }

  // -1 when the range is empty.
  int Percent() const {
    if (high_ <= low_) return -1;
    long long done = static_cast<long long>(position_) - low_;
    long long span = static_cast<long long>(high_) - low_;
    done = std::clamp(done, 0LL, span);
    return static_cast<int>(done * 100 / span);
  }

  void Changed() {
    // Plain lines are written for a new path or a new whole percent only.
    if (!live_ && !pathChanged_ && Percent() == shownPercent_ && shownOnce_) return;
    dirty_ = true;
    Show(/*force=*/false);
  }

  void FlushPending() {
    if (dirty_) Show(/*force=*/true);
  }

  void Show(bool force) {
    Clock::time_point now = Clock::now();
    if (!force && shownOnce_ && now - lastShown_ < terminal_->Throttle()) return;
    lastShown_ = now;
    shownOnce_ = true;
    dirty_ = false;
    pathChanged_ = false;
    shownPercent_ = Percent();
    std::string percent = "    ";
    if (shownPercent_ >= 0) {
      std::string digits = std::to_string(shownPercent_) + "%";
      percent = std::string(4 - digits.size(), ' ') + digits;
    }
    if (!live_) {
      std::string line = "[" + percent + "]";
      if (!path_.empty()) line += " " + PrintableLine(path_);
      terminal_->Print(line + "\n");
      return;
    }
    int filled = shownPercent_ < 0 ? 0 : shownPercent_ * kBarWidth / 100;
    std::string line = "[" + std::string(static_cast<size_t>(filled), '#') +
                       std::string(static_cast<size_t>(kBarWidth - filled), '-') + "] " + percent;
    // The path fills the rest of the line; a long one loses its beginning.
    int room = terminal_->Width() - 1 - static_cast<int>(line.size()) - 2;
    if (!path_.empty() && room > 3) {
      std::wstring path = path_;
      if (static_cast<int>(path.size()) > room) {
        path = L"..." + path.substr(path.size() - static_cast<size_t>(room - 3));
      }
      line += "  " + PrintableLine(path);
    }
    terminal_->DrawLive(this, line);
  }

  std::shared_ptr<Terminal> terminal_;
  bool live_;
  std::wstring title_, message_, path_;
  int low_ = 0, high_ = 100, position_ = 0;
  bool dirty_ = false;
  bool pathChanged_ = false;
  bool shownOnce_ = false;
  int shownPercent_ = -2;
  Clock::time_point lastShown_;
};

}  // namespace

std::unique_ptr<ProgressView> OpenConsoleProgress(std::shared_ptr<Terminal> terminal,
                                                  std::wstring_view title) {
  return std::make_unique<ConsoleProgress>(std::move(terminal), title);
}

}  // namespace kv::console
