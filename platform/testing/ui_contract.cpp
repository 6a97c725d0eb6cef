// The backend contract suite and the drivers of the scripted and console backends.
#include "ui_contract.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <deque>
#include <mutex>
#include <thread>

#include "KVPlatform/dialog.h"
#include "KVPlatform/scripted_ui.h"
#include "KVPlatform/text.h"
#include "temp_root.h"

namespace kv::testing {
namespace {

// --- Scripted ----------------------------------------------------------------------

// Scripts become queued answers and dialog actions; Enter and Escape become the
// answers the box gives for them.
class ScriptedDriver : public UiDriver {
 public:
  ScriptedDriver() : ui_(new ScriptedUi), saved_(SetUiBackend(std::unique_ptr<UiBackend>(ui_))) {}
  ~ScriptedDriver() override { SetUiBackend(std::move(saved_)); }

  void Box(unsigned type, BoxInput input) override { ui_->QueueAnswer(Answer(type, input)); }

  void Dialog(std::vector<DialogStep> steps) override {
    ui_->QueueDialog([this, steps](CDialog& dialog) {
      for (size_t i = 0; i < steps.size() && !dialog.IsEnded(); ++i) {
        const DialogStep& step = steps[i];
        // A box the next step opens is queued before it.
        if (i + 1 < steps.size() && steps[i + 1].kind == DialogStep::kAnswerBox) {
          ui_->QueueAnswer(Answer(steps[i + 1].boxType, steps[i + 1].box));
        }
        switch (step.kind) {
          case DialogStep::kType: dialog.TypeText(step.id, step.text); break;
          case DialogStep::kClick: dialog.Click(step.id); break;
          case DialogStep::kEscape: dialog.PressEscape(); break;
          case DialogStep::kAnswerBox: break;
        }
      }
    });
  }

  void Folder(std::optional<std::wstring> folder) override {
    ui_->QueueFolder(folder.value_or(L""));
  }

  std::wstring Shown() override {
    std::wstring shown;
    for (const ShownMessage& message : ui_->Messages()) {
      shown += message.caption + L"\n" + message.text + L"\n";
    }
    int low = 0, high = 100, position = 0;
    for (const ProgressEvent& event : ui_->Progress()) {
      if (!event.text.empty()) shown += event.text + L"\n";
      if (event.kind == ProgressEvent::kRange) low = event.a, high = event.b;
      if (event.kind == ProgressEvent::kPosition) position = event.a;
    }
    if (high > low) shown += std::to_wstring((position - low) * 100 / (high - low)) + L"%\n";
    for (const ShownDialog& dialog : ui_->Dialogs()) shown += dialog.caption + L"\n";
    return shown;
  }

  bool ProgressOpen() override {
    int open = 0;
    for (const ProgressEvent& event : ui_->Progress()) {
      if (event.kind == ProgressEvent::kOpen) ++open;
      if (event.kind == ProgressEvent::kClose) --open;
    }
    return open > 0;
  }

  size_t Unused() override {
    return ui_->PendingAnswers() + ui_->PendingDialogs() + ui_->PendingFolders();
  }

 private:
  static int Answer(unsigned type, BoxInput input) {
    switch (input.kind) {
      case BoxInput::kButton: return input.button;
      case BoxInput::kEnter: return DefaultAnswer(type);
      case BoxInput::kEscape: return EscapeAnswer(type);
    }
    return 0;
  }

  ScriptedUi* ui_;
  std::unique_ptr<UiBackend> saved_;
};

// --- Console -----------------------------------------------------------------------

// The console on a pseudo-terminal: scripts are typed ahead as lines; a thread reads
// everything the backend writes, so that it never blocks on a full terminal.
class ConsoleDriver : public UiDriver {
 public:
  ConsoleDriver() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    grantpt(master_);
    unlockpt(master_);
    slave_ = open(ptsname(master_), O_RDWR | O_NOCTTY);
    termios mode{};
    tcgetattr(slave_, &mode);
    mode.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    mode.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    tcsetattr(slave_, TCSANOW, &mode);
    reader_ = std::thread([this] { Read(); });
    ConsoleUiOptions options;
    options.inputFd = slave_;
    options.outputFd = slave_;
    options.throttleMs = 20;
    options.width = 100;
    saved_ = SetUiBackend(MakeConsoleUi(options));
  }

  ~ConsoleDriver() override {
    SetUiBackend(std::move(saved_));
    stop_ = true;
    reader_.join();
    close(slave_);
    close(master_);
  }

  void Box(unsigned, BoxInput input) override { Type(BoxLine(input)); }

  void Dialog(std::vector<DialogStep> steps) override {
    for (const DialogStep& step : steps) {
      switch (step.kind) {
        case DialogStep::kType:
          Type("set " + std::to_string(step.id) + " " + WideToAnsi(step.text) + "\n");
          break;
        case DialogStep::kClick: Type(std::to_string(step.id) + "\n"); break;
        case DialogStep::kEscape: Type("cancel\n"); break;
        case DialogStep::kAnswerBox: Type(BoxLine(step.box)); break;
      }
    }
  }

  void Folder(std::optional<std::wstring> folder) override {
    // An empty line keeps the current folder; "-" cancels.
    Type(folder ? WideToAnsi(*folder) + "\n" : "-\n");
  }

  std::wstring Shown() override {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::lock_guard<std::mutex> lock(mutex_);
    return AnsiToWide(output_);
  }

  // A bar still drawn in place has no line end after it yet.
  bool ProgressOpen() override {
    std::wstring shown = Shown();
    size_t bar = shown.rfind(L"%");
    return bar != std::wstring::npos && shown.find(L'\n', bar) == std::wstring::npos;
  }

  // Lines typed ahead that were never read.
  size_t Unused() override {
    int pending = 0;
    ioctl(slave_, FIONREAD, &pending);
    return static_cast<size_t>(pending);
  }

 private:
  // A button's first letter; Enter alone for the default; end of input (Ctrl-D) for
  // Escape, as a terminal has no Escape key a line can carry.
  static std::string BoxLine(BoxInput input) {
    static const std::pair<int, const char*> kLetters[] = {
        {kIdOk, "o"},     {kIdCancel, "c"}, {kIdAbort, "a"}, {kIdRetry, "r"},
        {kIdIgnore, "i"}, {kIdYes, "y"},    {kIdNo, "n"}};
    switch (input.kind) {
      case BoxInput::kEnter: return "\n";
      case BoxInput::kEscape: return "\x04";
      case BoxInput::kButton:
        for (const auto& [id, letter] : kLetters) {
          if (id == input.button) return std::string(letter) + "\n";
        }
    }
    return "\n";
  }

  void Type(const std::string& text) {
    ssize_t wrote = write(master_, text.data(), text.size());
    ASSERT_EQ(wrote, static_cast<ssize_t>(text.size()));
  }

  void Read() {
    char buffer[4096];
    while (!stop_) {
      pollfd ready{master_, POLLIN, 0};
      if (poll(&ready, 1, 10) <= 0 || (ready.revents & POLLIN) == 0) continue;
      ssize_t got = read(master_, buffer, sizeof buffer);
      if (got <= 0) continue;
      std::lock_guard<std::mutex> lock(mutex_);
      output_.append(buffer, static_cast<size_t>(got));
    }
  }

  int master_ = -1;
  int slave_ = -1;
  std::thread reader_;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::string output_;
  std::unique_ptr<UiBackend> saved_;
};

// --- The contract ------------------------------------------------------------------

bool Contains(const std::wstring& text, const std::wstring& part) {
  return text.find(part) != std::wstring::npos;
}

TEST_P(UiContract, MessageBoxesGiveTheButtonChosen) {
  struct Row {
    const char* name;
    unsigned type;
    BoxInput input;
    int answer;
  };
  const Row rows[] = {
      {"Yes/No, No", kMbYesNo | kMbIconQuestion, {BoxInput::kButton, kIdNo}, kIdNo},
      {"Yes/No/Cancel, Yes", kMbYesNoCancel, {BoxInput::kButton, kIdYes}, kIdYes},
      {"Abort/Retry/Ignore, Ignore",
       kMbAbortRetryIgnore | kMbIconError,
       {BoxInput::kButton, kIdIgnore},
       kIdIgnore},
      {"Retry/Cancel, Retry",
       kMbRetryCancel | kMbIconExclamation,
       {BoxInput::kButton, kIdRetry},
       kIdRetry},
      {"OK/Cancel, Cancel",
       kMbOkCancel | kMbIconInformation,
       {BoxInput::kButton, kIdCancel},
       kIdCancel},
      // Enter takes the default button.
      {"Yes/No, Enter", kMbYesNo, {BoxInput::kEnter}, kIdYes},
      {"OK/Cancel, second default, Enter",
       kMbOkCancel | kMbDefButton2,
       {BoxInput::kEnter},
       kIdCancel},
      {"Abort/Retry/Ignore, second default, Enter",
       kMbAbortRetryIgnore | kMbDefButton2,
       {BoxInput::kEnter},
       kIdRetry},
      {"Yes/No/Cancel, third default, Enter",
       kMbYesNoCancel | kMbDefButton3,
       {BoxInput::kEnter},
       kIdCancel},
  };
  std::unique_ptr<UiDriver> driver = GetParam().make();
  for (const Row& row : rows) driver->Box(row.type, row.input);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const std::wstring text = L"Replace the file?\n" + AnsiToWide(row.name);
    EXPECT_EQ(ShowMessageBox(text, row.type, L"Kestrel Data Update"), row.answer);
    EXPECT_TRUE(Contains(driver->Shown(), AnsiToWide(row.name)));
  }
  EXPECT_TRUE(Contains(driver->Shown(), L"Kestrel Data Update"));
  EXPECT_EQ(driver->Unused(), 0u);
}

TEST_P(UiContract, EscapeGivesTheEscapeAnswerOfBoxesThatHaveOne) {
  for (unsigned type : {kMbOk, kMbOkCancel, kMbYesNoCancel, kMbRetryCancel}) {
    SCOPED_TRACE(type);
    // A fresh person each time: on the console, Escape is the end of the input.
    std::unique_ptr<UiDriver> driver = GetParam().make();
    driver->Box(type, {BoxInput::kEscape});
    EXPECT_EQ(ShowMessageBox(L"Stop now?", type | kMbDefButton2), EscapeAnswer(type));
  }
}

// A dialog with a text field, a number field and a check box.
const DialogTemplate kFormTemplate = {
    710,
    L"Job Settings",
    180,
    80,
    L"MS Shell Dlg",
    8,
    kDialogModalFrame | kDialogSysMenu,
    {
        {kIdcStatic, ControlKind::kStatic, 7, 9, 40, 8, L"&Name:"},
        {10, ControlKind::kEdit, 50, 7, 120, 14, L"", kStyleBorder | kStyleTabStop},
        {kIdcStatic, ControlKind::kStatic, 7, 27, 40, 8, L"&Copies:"},
        {11, ControlKind::kEdit, 50, 25, 40, 14, L"", kStyleBorder | kStyleTabStop},
        {12, ControlKind::kCheckBox, 50, 43, 100, 10, L"&Keep a log", kStyleTabStop},
        {kIdcOk, ControlKind::kDefPushButton, 66, 60, 50, 14, L"OK", kStyleTabStop},
        {kIdcCancel, ControlKind::kPushButton, 123, 60, 50, 14, L"Cancel", kStyleTabStop},
    },
};

class FormDlg : public CDialog {
 public:
  FormDlg() : CDialog(kFormTemplate) {}
  void DoDataExchange(CDataExchange* pDX) override {
    DDX_Text(pDX, 10, name);
    DDX_Text(pDX, 11, copies);
    DDX_Check(pDX, 12, log);
  }
  std::wstring name = L"bracket";
  int copies = 1;
  int log = 0;
};

TEST_P(UiContract, DialogsRunToTheirEnd) {
  using Step = DialogStep;
  struct Row {
    const char* name;
    std::vector<Step> steps;
    int result;
    std::wstring name_;
    int copies;
    int log;
  };
  const Row rows[] = {
      {"filled in and accepted",
       {{Step::kType, 10, L"flange"},
        {Step::kType, 11, L"3"},
        {Step::kClick, 12},
        {Step::kClick, kIdcOk}},
       kIdOk,
       L"flange",
       3,
       1},
      {"a refused number corrected",
       {{Step::kType, 11, L"three"},
        {Step::kClick, kIdcOk},
        {Step::kAnswerBox, 0, L"", kMbOk | kMbIconExclamation, {BoxInput::kEnter}},
        {Step::kType, 11, L"4"},
        {Step::kClick, kIdcOk}},
       kIdOk,
       L"bracket",
       4,
       0},
      {"cancelled with Escape",
       {{Step::kType, 10, L"lost"}, {Step::kEscape}},
       kIdCancel,
       L"bracket",
       1,
       0},
      {"cancelled with its button",
       {{Step::kClick, 12}, {Step::kClick, kIdcCancel}},
       kIdCancel,
       L"bracket",
       1,
       0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::unique_ptr<UiDriver> driver = GetParam().make();
    driver->Dialog(row.steps);
    FormDlg dlg;
    EXPECT_EQ(dlg.DoModal(), row.result);
    EXPECT_EQ(dlg.name, row.name_);
    EXPECT_EQ(dlg.copies, row.copies);
    EXPECT_EQ(dlg.log, row.log);
    EXPECT_TRUE(Contains(driver->Shown(), L"Job Settings"));
    EXPECT_EQ(driver->Unused(), 0u);
  }
}

TEST_P(UiContract, ProgressWindowsShowTheirLastStateAndClose) {
  std::unique_ptr<UiDriver> driver = GetParam().make();
  std::unique_ptr<ProgressView> view = CurrentUi().OpenProgress(L"Copying Data Files");
  view->SetMessage(L"Updating the data path. Please wait.");
  view->SetRange(0, 400);
  for (int i = 1; i <= 400; ++i) {
    view->SetPath(L"C:\\Kestrel\\Data\\Post\\file" + std::to_wstring(i) + L".pst");
    view->SetPosition(i);
    view->Pump();
  }
  // Repaints are throttled; once a moment has passed, a pump shows the last state.
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  view->Pump();
  const std::wstring shown = driver->Shown();
  for (const wchar_t* part : {L"Copying Data Files", L"Updating the data path. Please wait.",
                              L"C:\\Kestrel\\Data\\Post\\file400.pst", L"100%"}) {
    EXPECT_TRUE(Contains(shown, part)) << WideToAnsi(part) << " not in:\n" << WideToAnsi(shown);
  }
  EXPECT_TRUE(driver->ProgressOpen());
  view.reset();
  EXPECT_FALSE(driver->ProgressOpen());
}

TEST_P(UiContract, FolderChoosersGiveTheFolderOrNothing) {
  TempRoot root;
  std::filesystem::create_directories(root.Drive(L'c') / "Jobs" / "Fixtures");
  std::filesystem::create_directories(root.Drive(L'c') / "Kestrel");
  struct Row {
    const char* name;
    std::optional<std::wstring> picked;
    bool chosen;
    std::wstring folder;
  };
  const Row rows[] = {
      {"picked", L"C:\\Jobs\\Fixtures", true, L"C:\\Jobs\\Fixtures"},
      {"cancelled", std::nullopt, false, L"C:\\Kestrel"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::unique_ptr<UiDriver> driver = GetParam().make();
    driver->Folder(row.picked);
    std::wstring folder = L"C:\\Kestrel";
    EXPECT_EQ(CurrentUi().ChooseFolder(L"Select the job folder", &folder), row.chosen);
    EXPECT_EQ(folder, row.folder);
    EXPECT_EQ(driver->Unused(), 0u);
  }
}

}  // namespace

std::unique_ptr<UiDriver> MakeScriptedDriver() { return std::make_unique<ScriptedDriver>(); }
std::unique_ptr<UiDriver> MakeConsoleDriver() { return std::make_unique<ConsoleDriver>(); }

}  // namespace kv::testing
