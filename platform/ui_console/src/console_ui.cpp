// The console UI backend: message boxes, progress windows, dialogs and folder choosers
// on a terminal. Everything is written to one output (standard error by default);
// answers are read only when the input is a terminal, so a program without one never
// waits: it takes the escape answer or cancels, and says so.
#include <errno.h>
#include <pthread.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "KVPlatform/dialog.h"
#include "KVPlatform/text.h"
#include "KVPlatform/ui.h"

namespace kv {
namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kMaxLine = 64 * 1024;
constexpr int kBarWidth = 20;
constexpr char kEraseLine[] = "\r\x1b[K";

// Text shown on a terminal: Windows line ends ("\r\n", a lone "\r") become "\n", other
// control characters (escape sequences among them) are shown as '?', so that data never
// drives the terminal.
std::string Printable(std::wstring_view text) {
  std::wstring clean;
  clean.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    wchar_t c = text[i];
    if (c == L'\r') {
      clean += L'\n';
      if (i + 1 < text.size() && text[i + 1] == L'\n') ++i;
      continue;
    }
    bool control = (c < 0x20 && c != L'\n' && c != L'\t') || (c >= 0x7F && c < 0xA0);
    clean += control ? L'?' : c;
  }
  return WideToAnsi(clean);
}

// One line of text: line ends inside it are shown as '?' too.
std::string PrintableLine(std::wstring_view text) {
  std::string line = Printable(text);
  for (char& c : line) {
    if (c == '\n' || c == '\t') c = c == '\t' ? ' ' : '?';
  }
  return line;
}

std::wstring Trim(std::wstring_view text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && (text[begin] == L' ' || text[begin] == L'\t')) ++begin;
  while (end > begin && (text[end - 1] == L' ' || text[end - 1] == L'\t')) --end;
  return std::wstring(text.substr(begin, end - begin));
}

// A button's caption without its '&' mnemonic marks ("&Apply" => "Apply").
std::wstring Caption(std::wstring_view text) {
  std::wstring caption;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'&' && i + 1 < text.size()) {
      ++i;
    }
    caption += text[i];
  }
  return caption;
}

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

struct ButtonName {
  int id;
  const wchar_t* word;  // the answer typed in full; its first letter answers too
};

constexpr ButtonName kButtonNames[] = {
    {kIdOk, L"OK"},       {kIdCancel, L"Cancel"}, {kIdAbort, L"Abort"}, {kIdRetry, L"Retry"},
    {kIdIgnore, L"Ignore"}, {kIdYes, L"Yes"},     {kIdNo, L"No"},
};

const wchar_t* WordOf(int id) {
  for (const ButtonName& name : kButtonNames) {
    if (name.id == id) return name.word;
  }
  return L"?";
}

std::vector<int> ButtonsOf(unsigned type) {
  std::vector<int> buttons;
  for (int id : {kIdOk, kIdYes, kIdNo, kIdAbort, kIdRetry, kIdIgnore, kIdCancel}) {
    if (IsValidAnswer(type, id)) buttons.push_back(id);
  }
  // Shown in the order the box shows them: Cancel last, Yes before No, and so on.
  return buttons;
}

const wchar_t* IconWord(unsigned type) {
  switch (type & kMbIconMask) {
    case kMbIconError: return L"Error";
    case kMbIconQuestion: return L"Question";
    case kMbIconExclamation: return L"Warning";
    case kMbIconInformation: return L"Information";
    default: return nullptr;
  }
}

// "[Y]es / [N]o"
std::wstring ButtonLine(const std::vector<int>& buttons) {
  std::wstring line;
  for (int id : buttons) {
    if (!line.empty()) line += L" / ";
    std::wstring word = WordOf(id);
    line += L"[";
    line += word[0];
    line += L"]";
    line += word.substr(1);
  }
  return line;
}

// The button an answer names (its first letter or the whole word, any case), 0 for none.
int ButtonNamed(const std::vector<int>& buttons, std::wstring_view answer) {
  for (int id : buttons) {
    std::wstring_view word = WordOf(id);
    bool letter = answer.size() == 1 && FoldCase(answer[0]) == FoldCase(word[0]);
    if (letter || EqualsNoCase(answer, word)) return id;
  }
  return 0;
}

// --- Progress windows --------------------------------------------------------------

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
                       std::string(static_cast<size_t>(kBarWidth - filled), '-') + "] " +
                       percent;
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

// --- The backend -------------------------------------------------------------------

class ConsoleUi : public UiBackend {
 public:
  explicit ConsoleUi(const ConsoleUiOptions& options)
      : terminal_(std::make_shared<Terminal>(options)) {}

  int MessageBox(std::wstring_view text, std::wstring_view caption, unsigned type) override {
    std::vector<int> buttons = ButtonsOf(type);
    std::wstring head = L"[" + (caption.empty() ? ProgramName() : std::wstring(caption)) + L"]";
    if (const wchar_t* icon = IconWord(type)) head += L" " + std::wstring(icon);
    std::wstring box = L"\n" + head + L"\n" + std::wstring(text) + L"\n";
    int escape = EscapeAnswer(type);
    if (!terminal_->Interactive()) {
      terminal_->Print(box + ButtonLine(buttons) + L"\n(no terminal: answered " +
                       WordOf(escape) + L")\n");
      return escape;
    }
    int fallback = DefaultAnswer(type);
    std::wstring prompt = ButtonLine(buttons);
    if (buttons.size() > 1) prompt += L" (Enter: " + std::wstring(WordOf(fallback)) + L")";
    prompt += L": ";
    terminal_->Print(box);
    for (;;) {
      terminal_->Print(prompt);
      std::wstring line;
      if (!terminal_->ReadLine(&line)) {
        terminal_->Print(L"\n(end of input: answered " + std::wstring(WordOf(escape)) + L")\n");
        return escape;
      }
      line = Trim(line);
      if (line.empty()) return fallback;
      if (int answer = ButtonNamed(buttons, line)) return answer;
      terminal_->Print(L"Please answer " + ButtonLine(buttons) + L".\n");
    }
  }

  std::unique_ptr<ProgressView> OpenProgress(std::wstring_view title) override {
    return std::make_unique<ConsoleProgress>(terminal_, title);
  }

  int RunModal(CDialog& dialog) override;

  bool ChooseFolder(std::wstring_view title, std::wstring* folder) override {
    std::wstring head = L"\n== " + std::wstring(title.empty() ? L"Choose a folder" : title) +
                        L" ==\n";
    if (folder != nullptr && !folder->empty()) head += L"Current folder: " + *folder + L"\n";
    if (!terminal_->Interactive()) {
      terminal_->Print(head + L"(no terminal: folder chooser cancelled)\n");
      return false;
    }
    terminal_->Print(head + L"Folder (an empty line cancels): ");
    std::wstring line;
    if (!terminal_->ReadLine(&line)) {
      terminal_->Print(L"\n(end of input: folder chooser cancelled)\n");
      return false;
    }
    line = Trim(line);
    if (line.empty()) {
      terminal_->Print(L"(cancelled)\n");
      return false;
    }
    if (folder != nullptr) *folder = line;
    return true;
  }

 private:
  std::shared_ptr<Terminal> terminal_;
};

// --- Dialogs as line-driven forms --------------------------------------------------

// One dialog on the console: the form shown and the commands read.
class ConsoleForm {
 public:
  ConsoleForm(Terminal& terminal, CDialog& dialog) : terminal_(terminal), dialog_(dialog) {}

  void Run() {
    Show();
    while (!dialog_.IsEnded()) {
      terminal_.Print(L"> ");
      std::wstring line;
      if (!terminal_.ReadLine(&line)) {
        terminal_.Print(L"\n(end of input: dialog cancelled)\n");
        return;
      }
      if (Execute(Trim(line)) && !dialog_.IsEnded()) Show();
    }
  }

 private:
  static constexpr const wchar_t* kHelp =
      L"  <id> or a button's caption: press the button, toggle the check box\n"
      L"  set <id> <text>: fill an edit field     pick <id> <n>: choose item n\n"
      L"  open <id> <n>: double-click item n      expand <id> <n>: open or close a tree item\n"
      L"  cancel: close the dialog                ?: show the dialog again\n";

  void Show() {
    std::wstring form = L"\n== " + dialog_.Caption() + L" ==\n";
    trees_.clear();
    for (const ControlState& control : dialog_.Controls()) {
      if (control.visible) form += Describe(control);
    }
    form += L"(type ? for help)\n";
    terminal_.Print(form);
  }

  std::wstring Describe(const ControlState& control) {
    std::wstring id = control.Id() == kIdcStatic ? L"" : std::to_wstring(control.Id());
    std::wstring head = (dialog_.GetFocus() == control.Id() && control.Id() != kIdcStatic)
                            ? L"> "
                            : L"  ";
    head += std::wstring(id.size() < 6 ? 6 - id.size() : 0, L' ') + id + L"  ";
    std::wstring indent(head.size(), L' ');
    std::wstring body;
    switch (control.Kind()) {
      case ControlKind::kStatic:
        if (control.text.empty()) return {};
        body = control.text;
        break;
      case ControlKind::kGroupBox:
        body = L"-- " + control.text + L" --";
        break;
      case ControlKind::kEdit:
        body = L"edit: [" + control.text + L"]";
        if (control.HasStyle(kStyleReadOnly)) body += L" (read-only)";
        break;
      case ControlKind::kPushButton:
      case ControlKind::kDefPushButton:
        body = L"<" + Caption(control.text) + L">";
        break;
      case ControlKind::kCheckBox:
        body = std::wstring(control.check == 1 ? L"[x] " : control.check == 2 ? L"[-] " : L"[ ] ") +
               Caption(control.text);
        break;
      case ControlKind::kRadioButton:
        body = std::wstring(control.check != 0 ? L"(*) " : L"( ) ") + Caption(control.text);
        break;
      case ControlKind::kComboBox:
      case ControlKind::kListBox:
      case ControlKind::kListView:
        body = Items(control);
        break;
      case ControlKind::kTreeView:
        body = Tree(control);
        break;
      case ControlKind::kProgress: {
        long long span = static_cast<long long>(control.rangeHigh) - control.rangeLow;
        long long done = std::clamp(static_cast<long long>(control.position) - control.rangeLow,
                                    0LL, std::max(span, 0LL));
        body = L"progress: " + (span > 0 ? std::to_wstring(done * 100 / span) + L"%" : L"-");
        break;
      }
    }
    if (!control.enabled) body += L" (disabled)";
    // Later lines of a text line up under its first.
    std::wstring out = head;
    for (wchar_t c : body) {
      out += c;
      if (c == L'\n') out += indent;
    }
    return out + L"\n";
  }

  std::wstring Items(const ControlState& control) {
    std::wstring body;
    if (control.Kind() == ControlKind::kComboBox) {
      body = L"combo: [" + control.text + L"]";
    } else if (control.Kind() == ControlKind::kListBox) {
      body = L"list:";
    } else {
      body = L"list:";
      for (size_t c = 0; c < control.columns.size(); ++c) {
        body += (c == 0 ? L" " : L" | ") + control.columns[c];
      }
    }
    for (size_t i = 0; i < control.items.size(); ++i) {
      body += L"\n" + std::wstring(static_cast<int>(i) == control.selection ? L"  * " : L"    ") +
              std::to_wstring(i + 1) + L". " + control.items[i];
      if (i < control.subItems.size()) {
        for (const std::wstring& cell : control.subItems[i]) body += L" | " + cell;
      }
    }
    return body;
  }

  // Items are numbered in the order shown; the children of closed items are not shown.
  std::wstring Tree(const ControlState& control) {
    std::vector<TreeItemHandle>& shown = trees_[control.Id()];
    std::wstring body = L"tree:";
    AddTreeLevel(control, kTreeRoot, 0, &shown, &body);
    return body;
  }

  void AddTreeLevel(const ControlState& control, TreeItemHandle parent, int depth,
                    std::vector<TreeItemHandle>* shown, std::wstring* body) {
    for (TreeItemHandle handle : dialog_.GetTreeChildren(control.Id(), parent)) {
      const TreeItem& item = control.treeItems[static_cast<size_t>(handle)];
      bool hasChildren = !dialog_.GetTreeChildren(control.Id(), handle).empty();
      shown->push_back(handle);
      std::wstring line = L"\n" + std::wstring(control.treeSelection == handle ? L"  * " : L"    ");
      line += std::wstring(static_cast<size_t>(depth) * 2, L' ');
      line += hasChildren ? (item.expanded ? L"- " : L"+ ") : L"  ";
      line += std::to_wstring(shown->size()) + L". ";
      int image = control.treeSelection == handle ? item.selectedImage : item.image;
      if (image >= 0 && static_cast<size_t>(image) < control.imageLabels.size()) {
        line += L"[" + control.imageLabels[static_cast<size_t>(image)] + L"] ";
      }
      *body += line + item.text;
      if (hasChildren && item.expanded) AddTreeLevel(control, handle, depth + 1, shown, body);
    }
  }

  // Runs one command line; true when the form should be shown again.
  bool Execute(const std::wstring& line) {
    if (line.empty() || line == L"?" || EqualsNoCase(line, L"help")) {
      if (line == L"?" || EqualsNoCase(line, L"help")) terminal_.Print(kHelp);
      return line.empty();
    }
    std::wstring verb = line.substr(0, line.find(L' '));
    std::wstring rest = line.size() > verb.size() ? line.substr(verb.size() + 1) : L"";
    if (EqualsNoCase(verb, L"set")) return Set(rest);
    if (EqualsNoCase(verb, L"pick") || EqualsNoCase(verb, L"open") ||
        EqualsNoCase(verb, L"expand")) {
      return Pick(FoldCase(verb), rest);
    }
    if (int id = 0; Number(line, &id)) return Press(id);
    // A button's caption, with or without its trailing "...".
    for (const ControlState& control : dialog_.Controls()) {
      ControlKind kind = control.Kind();
      bool button = kind == ControlKind::kPushButton || kind == ControlKind::kDefPushButton ||
                    kind == ControlKind::kCheckBox || kind == ControlKind::kRadioButton;
      if (!button || !control.visible) continue;
      std::wstring caption = Caption(control.text);
      std::wstring bare = caption;
      while (!bare.empty() && (bare.back() == L'.' || bare.back() == L' ')) bare.pop_back();
      if (EqualsNoCase(line, caption) || (!bare.empty() && EqualsNoCase(line, bare))) {
        return Press(control.Id());
      }
    }
    if (EqualsNoCase(line, L"cancel") || EqualsNoCase(line, L"esc")) {
      dialog_.PressEscape();
      return true;
    }
    terminal_.Print(L"Unknown command; type ? for help.\n");
    return false;
  }

  static bool Number(std::wstring_view text, int* value) {
    if (text.empty() || text.size() > 9) return false;
    size_t start = text[0] == L'-' ? 1 : 0;
    if (start == text.size()) return false;
    int result = 0;
    for (size_t i = start; i < text.size(); ++i) {
      if (text[i] < L'0' || text[i] > L'9') return false;
      result = result * 10 + (text[i] - L'0');
    }
    *value = start == 1 ? -result : result;
    return true;
  }

  bool Refused(int id) {
    terminal_.Print(L"Control " + std::to_wstring(id) +
                    L" does not take that now (no such control, another kind, disabled or "
                    L"hidden).\n");
    return false;
  }

  bool Press(int id) { return dialog_.Click(id) ? true : Refused(id); }

  bool Set(const std::wstring& rest) {
    std::wstring idText = rest.substr(0, rest.find(L' '));
    std::wstring text = rest.size() > idText.size() ? rest.substr(idText.size() + 1) : L"";
    int id = 0;
    if (!Number(idText, &id)) {
      terminal_.Print(L"Usage: set <id> <text>\n");
      return false;
    }
    return dialog_.TypeText(id, text) ? true : Refused(id);
  }

  bool Pick(const std::wstring& verb, const std::wstring& rest) {
    std::wstring idText = Trim(rest.substr(0, rest.find(L' ')));
    std::wstring nText = rest.size() > idText.size() ? Trim(rest.substr(idText.size() + 1)) : L"";
    int id = 0;
    int n = 0;
    if (!Number(idText, &id) || !Number(nText, &n) || n < 1) {
      terminal_.Print(L"Usage: " + verb + L" <id> <n>\n");
      return false;
    }
    const ControlState* control = dialog_.GetControl(id);
    if (control == nullptr) return Refused(id);
    if (control->Kind() == ControlKind::kTreeView) {
      auto shown = trees_.find(id);
      if (shown == trees_.end() || static_cast<size_t>(n) > shown->second.size()) {
        return Refused(id);
      }
      TreeItemHandle item = shown->second[static_cast<size_t>(n - 1)];
      if (verb == L"EXPAND") {
        const TreeItem* treeItem = dialog_.GetTreeItem(id, item);
        return treeItem != nullptr && dialog_.ExpandTreeItem(id, item, !treeItem->expanded);
      }
      if (!dialog_.SelectTreeItem(id, item)) return Refused(id);
    } else {
      if (verb == L"EXPAND" || !dialog_.Select(id, n - 1)) return Refused(id);
    }
    if (verb == L"OPEN" && !dialog_.IsEnded()) dialog_.DoubleClick(id);
    return true;
  }

  Terminal& terminal_;
  CDialog& dialog_;
  // Per tree control, the items in the order the form numbered them.
  std::map<int, std::vector<TreeItemHandle>> trees_;
};

int ConsoleUi::RunModal(CDialog& dialog) {
  dialog.Start();
  if (!dialog.IsEnded()) {
    if (terminal_->Interactive()) {
      ConsoleForm(*terminal_, dialog).Run();
    } else {
      terminal_->Print(L"\n== " + dialog.Caption() + L" ==\n(no terminal: dialog cancelled)\n");
    }
  }
  if (!dialog.IsEnded()) dialog.PressEscape();
  // A dialog whose Cancel handler refuses to close is closed all the same: nobody is
  // left to answer it.
  if (!dialog.IsEnded()) dialog.EndDialog(kIdCancel);
  return dialog.Result();
}

}  // namespace

std::unique_ptr<UiBackend> MakeConsoleUi(const ConsoleUiOptions& options) {
  return std::make_unique<ConsoleUi>(options);
}

}  // namespace kv
