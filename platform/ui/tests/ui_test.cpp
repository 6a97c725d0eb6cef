// The message-box rules, the choice of backend, and the contract every backend keeps
// when nobody can answer: the escape answer, a cancelled dialog, a cancelled chooser.
#include "KVPlatform/ui.h"
#include "scoped_env.h"

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <optional>
#include <string>

#include "KVPlatform/dialog.h"
#include "KVPlatform/scripted_ui.h"

namespace kv {
namespace {

TEST(MessageBoxRules, EscapeDefaultAndValidAnswersFollowTheButtons) {
  struct Row {
    const char* name;
    unsigned type;
    int escape;
    int byDefault;
    std::vector<int> buttons;
  };
  const Row rows[] = {
      {"OK", kMbOk | kMbIconError, kIdOk, kIdOk, {kIdOk}},
      {"OK/Cancel", kMbOkCancel, kIdCancel, kIdOk, {kIdOk, kIdCancel}},
      {"OK/Cancel, second default",
       kMbOkCancel | kMbDefButton2,
       kIdCancel,
       kIdCancel,
       {kIdOk, kIdCancel}},
      {"Abort/Retry/Ignore",
       kMbAbortRetryIgnore,
       kIdAbort,
       kIdAbort,
       {kIdAbort, kIdRetry, kIdIgnore}},
      {"Yes/No/Cancel, third default",
       kMbYesNoCancel | kMbDefButton3 | kMbIconQuestion,
       kIdCancel,
       kIdCancel,
       {kIdYes, kIdNo, kIdCancel}},
      {"Yes/No", kMbYesNo, kIdNo, kIdYes, {kIdYes, kIdNo}},
      {"Yes/No, third default (none)", kMbYesNo | kMbDefButton3, kIdNo, kIdYes, {kIdYes, kIdNo}},
      {"Retry/Cancel",
       kMbRetryCancel | kMbIconExclamation,
       kIdCancel,
       kIdRetry,
       {kIdRetry, kIdCancel}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(EscapeAnswer(row.type), row.escape);
    EXPECT_EQ(DefaultAnswer(row.type), row.byDefault);
    for (int answer = kIdOk; answer <= kIdNo; ++answer) {
      bool listed = std::find(row.buttons.begin(), row.buttons.end(), answer) != row.buttons.end();
      EXPECT_EQ(IsValidAnswer(row.type, answer), listed) << "answer " << answer;
    }
  }
}

using kv::testing::ScopedEnv;

TEST(UiBackendChoice, MadeByName) {
  EXPECT_NE(dynamic_cast<ScriptedUi*>(MakeUiBackend("scripted").get()), nullptr);
  EXPECT_NE(dynamic_cast<ScriptedUi*>(MakeUiBackend("Scripted").get()), nullptr);
  auto console = MakeUiBackend("console");
  ASSERT_NE(console, nullptr);
  EXPECT_EQ(dynamic_cast<ScriptedUi*>(console.get()), nullptr);
  EXPECT_EQ(MakeUiBackend("gtk"), nullptr);
  EXPECT_EQ(MakeUiBackend(""), nullptr);
}

TEST(UiBackendChoice, TheEnvironmentPicksTheFirstBackend) {
  std::unique_ptr<UiBackend> saved = SetUiBackend(nullptr);
  {
    ScopedEnv env("KESTREL_UI", "scripted");
    EXPECT_NE(dynamic_cast<ScriptedUi*>(&CurrentUi()), nullptr);
  }
  SetUiBackend(nullptr);
  {
    // Unknown names and no name at all give the console.
    ScopedEnv env("KESTREL_UI", "nonsense");
    EXPECT_EQ(dynamic_cast<ScriptedUi*>(&CurrentUi()), nullptr);
  }
  SetUiBackend(std::move(saved));
}

TEST(UiBackendChoice, BoxesAreCaptionedWithTheProgramNameByDefault) {
  ScriptedUi& ui = InstallScriptedUi();
  EXPECT_EQ(ProgramName(), L"KVPlatformUi_tests");
  ShowMessageBox(L"Done.");
  ShowMessageBox(L"Sure?", kMbYesNo | kMbIconQuestion, L"Kestrel Path Settings");
  ASSERT_EQ(ui.Messages().size(), 2u);
  EXPECT_EQ(ui.Messages()[0].caption, L"KVPlatformUi_tests");
  EXPECT_EQ(ui.Messages()[1].caption, L"Kestrel Path Settings");
  EXPECT_EQ(ui.Messages()[1].answer, kIdNo);
}

// --- One contract, every backend -----------------------------------------------------

// A backend under test as nobody can answer it: the scripted one with nothing queued,
// the console one without a terminal (its input a pipe that never delivers).
struct Subject {
  std::string name;
  std::function<std::unique_ptr<UiBackend>(int inputFd, int outputFd)> make;
};

class NobodyAnswers : public ::testing::TestWithParam<Subject> {
 protected:
  void SetUp() override {
    ASSERT_EQ(pipe(input_), 0);
    ASSERT_EQ(pipe(output_), 0);
    fcntl(output_[0], F_SETFL, O_NONBLOCK);
    saved_ = SetUiBackend(GetParam().make(input_[0], output_[1]));
  }
  void TearDown() override {
    SetUiBackend(std::move(saved_));
    for (int fd : {input_[0], input_[1], output_[0], output_[1]}) close(fd);
  }
  std::string Output() {
    std::string text;
    char buffer[4096];
    ssize_t got;
    while ((got = read(output_[0], buffer, sizeof buffer)) > 0) text.append(buffer, got);
    return text;
  }

  int input_[2] = {-1, -1};
  int output_[2] = {-1, -1};
  std::unique_ptr<UiBackend> saved_;
};

TEST_P(NobodyAnswers, BoxesGetTheirEscapeAnswer) {
  for (unsigned type :
       {kMbOk, kMbOkCancel, kMbAbortRetryIgnore, kMbYesNoCancel, kMbYesNo, kMbRetryCancel}) {
    SCOPED_TRACE(type);
    EXPECT_EQ(ShowMessageBox(L"Continue?", type | kMbIconQuestion, L"Caption"), EscapeAnswer(type));
  }
}

const DialogTemplate kAskTemplate = {
    700,
    L"Ask",
    100,
    50,
    L"MS Shell Dlg",
    8,
    kDialogModalFrame,
    {
        {10, ControlKind::kEdit, 0, 0, 50, 14, L""},
        {kIdcOk, ControlKind::kDefPushButton, 0, 20, 50, 14, L"OK"},
        {kIdcCancel, ControlKind::kPushButton, 60, 20, 50, 14, L"Cancel"},
    },
};

class AskDlg : public CDialog {
 public:
  AskDlg() : CDialog(kAskTemplate) {}
  bool OnInitDialog() override {
    initialised = true;
    return CDialog::OnInitDialog();
  }
  void DoDataExchange(CDataExchange* pDX) override { DDX_Text(pDX, 10, value); }
  void OnCancel() override {
    ++cancels;
    CDialog::OnCancel();
  }
  std::wstring value = L"kept";
  bool initialised = false;
  int cancels = 0;
};

TEST_P(NobodyAnswers, DialogsAreCancelled) {
  AskDlg dlg;
  EXPECT_EQ(dlg.DoModal(), kIdCancel);
  EXPECT_TRUE(dlg.initialised);
  EXPECT_EQ(dlg.cancels, 1);
  EXPECT_EQ(dlg.value, L"kept");
}

TEST_P(NobodyAnswers, DialogsThatRefuseToCancelAreClosedAllTheSame) {
  struct Stubborn : AskDlg {
    void OnCancel() override { ++cancels; }
  } dlg;
  EXPECT_EQ(dlg.DoModal(), kIdCancel);
  EXPECT_TRUE(dlg.IsEnded());
}

TEST_P(NobodyAnswers, FolderChoosersAreCancelled) {
  std::wstring folder = L"C:\\Kestrel\\Data\\";
  EXPECT_FALSE(CurrentUi().ChooseFolder(L"Choose the data folder", &folder));
  EXPECT_EQ(folder, L"C:\\Kestrel\\Data\\");
}

TEST_P(NobodyAnswers, ProgressWindowsNeverAsk) {
  auto view = CurrentUi().OpenProgress(L"Copying Data Files");
  ASSERT_NE(view, nullptr);
  view->SetMessage(L"Please wait.");
  view->SetRange(0, 3);
  for (int i = 0; i <= 3; ++i) {
    view->SetPath(L"C:\\data\\" + std::to_wstring(i));
    view->SetPosition(i);
    view->Pump();
  }
  view.reset();
  // And a box after it still gets its escape answer.
  EXPECT_EQ(ShowMessageBox(L"Done?", kMbYesNo), kIdNo);
}

INSTANTIATE_TEST_SUITE_P(
    Backends, NobodyAnswers,
    ::testing::Values(Subject{"scripted", [](int, int) { return std::make_unique<ScriptedUi>(); }},
                      Subject{"console",
                              [](int in, int out) {
                                ConsoleUiOptions options;
                                options.inputFd = in;
                                options.outputFd = out;
                                return MakeConsoleUi(options);
                              }}),
    [](const ::testing::TestParamInfo<Subject>& param) { return param.param.name; });

}  // namespace
}  // namespace kv
