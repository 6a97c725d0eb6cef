// The console backend fed through a pipe (no terminal) and through a pseudo-terminal
// (a person typing): what it writes, what it reads, and that it never waits in vain.
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "KVPlatform/dialog.h"
#include "KVPlatform/scripted_ui.h"
#include "KVPlatform/ui.h"

namespace kv {
namespace {

// Everything readable from `fd` now (waiting briefly for data in flight).
std::string Drain(int fd) {
  std::string text;
  char buffer[4096];
  for (;;) {
    pollfd ready{fd, POLLIN, 0};
    if (poll(&ready, 1, 50) <= 0 || (ready.revents & POLLIN) == 0) break;
    ssize_t got = read(fd, buffer, sizeof buffer);
    if (got <= 0) break;
    text.append(buffer, static_cast<size_t>(got));
  }
  return text;
}

// A backend writing into a pipe, reading from another pipe or from a pseudo-terminal.
class ConsoleTest : public ::testing::Test {
 protected:
  ~ConsoleTest() override {
    if (saved_) SetUiBackend(std::move(*saved_));
    for (int fd : {in_[0], in_[1], out_[0], out_[1], master_, slave_}) {
      if (fd >= 0) close(fd);
    }
  }

  // Input: a pipe that stays open and never delivers (no terminal).
  void UsePipes(int throttleMs = 0) {
    ASSERT_EQ(pipe(in_), 0);
    ASSERT_EQ(pipe(out_), 0);
    Make(in_[0], out_[1], throttleMs);
  }

  // Input and output: a pseudo-terminal without echo and without output translation;
  // the test types into its master side and reads what was shown from it. With
  // `outputToPipe` only the input is the terminal.
  void UseTerminal(int throttleMs = 0, bool outputToPipe = false) {
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master_, 0);
    ASSERT_EQ(grantpt(master_), 0);
    ASSERT_EQ(unlockpt(master_), 0);
    slave_ = open(ptsname(master_), O_RDWR | O_NOCTTY);
    ASSERT_GE(slave_, 0);
    termios mode{};
    ASSERT_EQ(tcgetattr(slave_, &mode), 0);
    mode.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    mode.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    ASSERT_EQ(tcsetattr(slave_, TCSANOW, &mode), 0);
    if (outputToPipe) {
      ASSERT_EQ(pipe(out_), 0);
    }
    Make(slave_, outputToPipe ? out_[1] : slave_, throttleMs);
  }

  void Type(std::string_view text) {
    ASSERT_EQ(write(master_, text.data(), text.size()), static_cast<ssize_t>(text.size()));
  }

  std::string Shown() { return Drain(out_[0] >= 0 ? out_[0] : master_); }

  UiBackend& ui() { return CurrentUi(); }

  int in_[2] = {-1, -1};
  int out_[2] = {-1, -1};
  int master_ = -1;
  int slave_ = -1;

 private:
  void Make(int input, int output, int throttleMs) {
    ConsoleUiOptions options;
    options.inputFd = input;
    options.outputFd = output;
    options.throttleMs = throttleMs;
    options.width = 60;
    saved_ = SetUiBackend(MakeConsoleUi(options));
  }
  std::optional<std::unique_ptr<UiBackend>> saved_;
};

TEST_F(ConsoleTest, WithoutATerminalBoxesTakeTheEscapeAnswerAndSaySo) {
  UsePipes();
  struct Row {
    unsigned type;
    int answer;
    const char* buttons;
    const char* said;
  };
  const Row rows[] = {
      {kMbOk, kIdOk, "[O]K\n", "(no terminal: answered OK)\n"},
      {kMbOkCancel, kIdCancel, "[O]K / [C]ancel\n", "(no terminal: answered Cancel)\n"},
      {kMbYesNo, kIdNo, "[Y]es / [N]o\n", "(no terminal: answered No)\n"},
      {kMbYesNoCancel, kIdCancel, "[Y]es / [N]o / [C]ancel\n", "(no terminal: answered Cancel)\n"},
      {kMbAbortRetryIgnore, kIdAbort, "[A]bort / [R]etry / [I]gnore\n",
       "(no terminal: answered Abort)\n"},
      {kMbRetryCancel, kIdCancel, "[R]etry / [C]ancel\n", "(no terminal: answered Cancel)\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.buttons);
    EXPECT_EQ(ui().MessageBox(L"The folder\nis missing.", L"KVDNC", row.type | kMbIconError),
              row.answer);
    EXPECT_EQ(Shown(),
              std::string("\n[KVDNC] Error\nThe folder\nis missing.\n") + row.buttons + row.said);
  }
}

TEST_F(ConsoleTest, ControlCharactersInTextNeverReachTheTerminal) {
  UsePipes();
  ui().MessageBox(L"bad \x1b[2Jname\a\r\nline 2\rline 3", L"Cap\x1b]0;x\a", kMbOk);
  std::string shown = Shown();
  EXPECT_EQ(shown.find('\x1b'), std::string::npos);
  EXPECT_EQ(shown.find('\a'), std::string::npos);
  EXPECT_EQ(shown.find('\r'), std::string::npos);
  EXPECT_NE(shown.find("bad ?[2Jname?\nline 2\nline 3\n"), std::string::npos);
}

TEST_F(ConsoleTest, OnATerminalTheAnswerIsRead) {
  UseTerminal();
  struct Row {
    const char* typed;
    unsigned type;
    int answer;
  };
  const Row rows[] = {
      {"n\n", kMbYesNo, kIdNo},
      {"Y\n", kMbYesNoCancel, kIdYes},
      {"retry\n", kMbRetryCancel, kIdRetry},
      {"  ignore \n", kMbAbortRetryIgnore, kIdIgnore},
      {"\n", kMbYesNo, kIdYes},  // Enter: the default button
      {"\n", kMbOkCancel | kMbDefButton2, kIdCancel},
      {"maybe\nq\nc\n", kMbOkCancel, kIdCancel},  // asked again until answered
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.typed);
    Type(row.typed);
    EXPECT_EQ(ui().MessageBox(L"Go on?", L"Test", row.type), row.answer);
    std::string shown = Shown();
    EXPECT_EQ(shown.find("no terminal"), std::string::npos);
    EXPECT_NE(shown.find("Go on?"), std::string::npos);
  }
  Type("x\nn\n");
  EXPECT_EQ(ui().MessageBox(L"Go on?", L"Test", kMbYesNo), kIdNo);
  EXPECT_NE(Shown().find("Please answer [Y]es / [N]o."), std::string::npos);
}

TEST_F(ConsoleTest, AQuestionNobodyCanSeeIsNotAsked) {
  UseTerminal(0, /*outputToPipe=*/true);
  Type("y\n");
  EXPECT_EQ(ui().MessageBox(L"Replace?", L"Test", kMbYesNo), kIdNo);
  EXPECT_NE(Shown().find("(no terminal: answered No)"), std::string::npos);
}

TEST_F(ConsoleTest, AtTheEndOfInputTheEscapeAnswerIsTakenAndSaid) {
  UseTerminal();
  Type("\x04");  // end of input (Ctrl-D)
  EXPECT_EQ(ui().MessageBox(L"Replace?", L"Test", kMbYesNo), kIdNo);
  EXPECT_NE(Shown().find("(end of input: answered No)"), std::string::npos);
  // From then on nothing is asked: no input is waited for.
  EXPECT_EQ(ui().MessageBox(L"Again?", L"Test", kMbOkCancel), kIdCancel);
  EXPECT_NE(Shown().find("(no terminal: answered Cancel)"), std::string::npos);
}

TEST_F(ConsoleTest, WithoutATerminalProgressIsPlainLines) {
  UsePipes(/*throttleMs=*/0);
  {
    auto view = ui().OpenProgress(L"Copying Data Files");
    view->SetMessage(L"Please wait while the data files are copied.");
    view->SetRange(0, 4);
    view->SetPosition(0);
    view->SetPath(L"C:\\Data\\kvcfg");
    view->SetPosition(1);
    view->SetPosition(1);  // no change: no line
    view->Pump();
    view->SetPath(L"C:\\Data\\posts");
    view->SetPosition(4);
    view->SetMessage(L"Please wait while the data files are copied.");  // unchanged
  }
  EXPECT_EQ(Shown(),
            "== Copying Data Files ==\n"
            "Please wait while the data files are copied.\n"
            "[  0%]\n"
            "[  0%] C:\\Data\\kvcfg\n"
            "[ 25%] C:\\Data\\kvcfg\n"
            "[ 25%] C:\\Data\\posts\n"
            "[100%] C:\\Data\\posts\n");
}

TEST_F(ConsoleTest, AModelessDialogIsShownAsAProgressWindowOnceVisible) {
  UsePipes(/*throttleMs=*/0);
  DialogTemplate t;
  t.caption = L"Transferring Data";
  t.controls = {{196, ControlKind::kStatic, 16, 17, 285, 31, L"Static"},
                {198, ControlKind::kProgress, 16, 54, 285, 12}};
  {
    CDialog dialog(t);
    ASSERT_TRUE(dialog.Create());
    dialog.SetDlgItemText(196, L"Connecting");
    dialog.SetProgressRange(198, 0, 4);
    EXPECT_EQ(Shown(), "");  // hidden
    dialog.ShowWindow(true);
    dialog.SetDlgItemText(196, L"C:\\parts\\a.dxf");
    dialog.SetProgressPos(198, 2);
  }
  EXPECT_EQ(Shown(),
            "== Transferring Data ==\n"
            "Connecting\n"
            "[  0%]\n"
            "C:\\parts\\a.dxf\n"
            "[ 50%]\n");
}

TEST_F(ConsoleTest, PlainProgressLinesAreThrottledAndTheLastStateShown) {
  UsePipes(/*throttleMs=*/60 * 60 * 1000);
  {
    auto view = ui().OpenProgress(L"Kestrel Permission Test");
    view->SetRange(0, 1000);
    for (int i = 0; i <= 1000; ++i) {
      view->SetPath(L"group " + std::to_wstring(i / 100));
      view->SetPosition(i);
    }
    view->SetMessage(L"Validating Paths");  // shows the pending state first
    view->SetPosition(1000);
  }
  EXPECT_EQ(Shown(),
            "== Kestrel Permission Test ==\n"
            "[  0%]\n"
            "[100%] group 10\n"
            "Validating Paths\n");
}

TEST_F(ConsoleTest, OnATerminalProgressIsABarRedrawnInPlace) {
  UseTerminal(/*throttleMs=*/0);
  {
    auto view = ui().OpenProgress(L"Copying Database Files");
    view->SetMessage(L"Please wait.");
    view->SetRange(0, 4);
    view->SetPosition(2);
    view->SetPath(L"C:\\a\\very\\long\\path\\that\\does\\not\\fit\\on\\the\\line\\kvnest");
    // A box in between takes the bar off the line first.
    Type("\n");
    ui().MessageBox(L"Careful.", L"Test", kMbOk);
    view->SetPosition(4);
  }
  std::string shown = Shown();
  EXPECT_NE(shown.find("== Copying Database Files ==\nPlease wait.\n"), std::string::npos);
  EXPECT_NE(shown.find("\r[##########----------]  50%\x1b[K"), std::string::npos);
  EXPECT_NE(shown.find("\r[##########----------]  50%  ...\\not\\fit\\on\\the\\line\\kvnest\x1b[K"),
            std::string::npos)
      << shown;
  EXPECT_NE(shown.find("\r\x1b[K\n[Test]\nCareful.\n"), std::string::npos) << shown;
  EXPECT_NE(shown.find("\r[####################] 100%  ...\\not\\fit\\on\\the\\line\\kvnest"
                       "\x1b[K\n"),
            std::string::npos)
      << shown;
  EXPECT_EQ(shown.back(), '\n');
}

// --- Dialogs and folders -------------------------------------------------------------

const DialogTemplate kValueTemplate = {
    900,
    L"Invalid Value Entered",
    210,
    129,
    L"MS Shell Dlg",
    8,
    kDialogModalFrame | kDialogSysMenu,
    {
        {kIdcStatic, ControlKind::kStatic, 7, 7, 196, 40, L"Value entered must be\nsmall."},
        {20, ControlKind::kEdit, 85, 87, 40, 14, L"", kStyleBorder | kStyleTabStop},
        {21, ControlKind::kCheckBox, 7, 60, 40, 10, L"&Round"},
        {22, ControlKind::kComboBox, 7, 70, 40, 50, L"", kStyleDropDownList},
        {kIdcOk, ControlKind::kDefPushButton, 40, 108, 50, 14, L"OK"},
        {kIdcCancel, ControlKind::kPushButton, 118, 108, 50, 14, L"Cancel"},
    },
};

// The form of ValueDlg as the console shows it when it opens.
constexpr const char* kValueForm =
    "== Invalid Value Entered ==\n"
    "          Value entered must be\n"
    "          small.\n"
    ">     20  edit: [5]\n"
    "      21  [ ] Round\n"
    "      22  combo: [inch]\n"
    "            * 1. inch\n"
    "              2. mm\n"
    "       1  <OK>\n"
    "       2  <Cancel>\n";

class ValueDlg : public CDialog {
 public:
  ValueDlg() : CDialog(kValueTemplate) {}
  bool OnInitDialog() override {
    AddString(22, L"inch");
    AddString(22, L"mm");
    return CDialog::OnInitDialog();
  }
  void DoDataExchange(CDataExchange* pDX) override {
    DDX_Text(pDX, 20, value);
    DDX_Check(pDX, 21, round);
    DDX_CBIndex(pDX, 22, unit);
  }
  int value = 5;
  int round = 0;
  int unit = 0;
};

TEST_F(ConsoleTest, WithoutATerminalDialogsAreCancelledAndSaySo) {
  UsePipes();
  ValueDlg dlg;
  EXPECT_EQ(dlg.DoModal(), kIdCancel);
  EXPECT_EQ(dlg.value, 5);
  // The form is shown all the same, without the prompt for commands.
  EXPECT_EQ(Shown(), "\n" + std::string(kValueForm) + "(no terminal: dialog cancelled)\n");
}

TEST_F(ConsoleTest, OnATerminalADialogIsAForm) {
  UseTerminal();
  // A bad number, the box's OK by Enter, then a good number, the check box by caption,
  // the unit by number, and OK by id.
  Type("set 20 abc\nOK\n\nset 20 12\nround\npick 22 2\nbogus\n1\n");
  ValueDlg dlg;
  EXPECT_EQ(dlg.DoModal(), kIdOk);
  EXPECT_EQ(dlg.value, 12);
  EXPECT_EQ(dlg.round, 1);
  EXPECT_EQ(dlg.unit, 1);
  std::string shown = Shown();
  EXPECT_NE(shown.find(kValueForm), std::string::npos) << shown;
  EXPECT_NE(shown.find("Please enter an integer."), std::string::npos);
  EXPECT_NE(shown.find("Unknown command"), std::string::npos);
  EXPECT_NE(shown.find("      21  [x] Round\n"), std::string::npos);
}

const DialogTemplate kTreeTemplate = {
    901,
    L"Path Settings",
    300,
    200,
    L"MS Shell Dlg",
    8,
    kDialogModalFrame,
    {
        {30, ControlKind::kTreeView, 7, 7, 280, 150, L""},
        {kIdcOk, ControlKind::kDefPushButton, 40, 170, 50, 14, L"OK"},
    },
};

class TreeDlg : public CDialog {
 public:
  TreeDlg() : CDialog(kTreeTemplate) {}
  bool OnInitDialog() override {
    SetImageList(30, {L"red", L"green"});
    TreeItemHandle design = InsertTreeItem(30, kTreeRoot, L"KVDesign", 1, 1);
    InsertTreeItem(30, design, L"Data = C:\\Data\\", 1, 1, 11);
    TreeItemHandle nest = InsertTreeItem(30, kTreeRoot, L"KVNest", 0, 0);
    InsertTreeItem(30, nest, L"Posts = D:\\Posts\\", 0, 0, 22);
    ExpandTreeItem(30, design);
    return true;
  }
  bool OnNotify(int controlId, int code) override {
    if (controlId == 30 && code == kNmDblClk) {
      const TreeItem* item = GetTreeItem(30, GetTreeSelection(30));
      opened = item != nullptr ? item->data : 0;
    }
    return true;
  }
  uintptr_t opened = 0;
};

TEST_F(ConsoleTest, OnATerminalTreeItemsArePickedByTheirNumber) {
  UseTerminal();
  // Shown: 1 KVDesign, 2 its entry, 3 KVNest (closed). Opening KVNest shows its entry
  // as 4.
  Type("expand 30 3\nopen 30 4\nOK\n");
  TreeDlg dlg;
  EXPECT_EQ(dlg.DoModal(), kIdOk);
  EXPECT_EQ(dlg.opened, 22u);
  std::string shown = Shown();
  EXPECT_NE(shown.find(">     30  tree:\n"
                       "              - 1. [green] KVDesign\n"
                       "                  2. [green] Data = C:\\Data\\\n"
                       "              + 3. [red] KVNest\n"),
            std::string::npos)
      << shown;
  EXPECT_NE(shown.find("            *     4. [red] Posts = D:\\Posts\\\n"), std::string::npos)
      << shown;
}

TEST_F(ConsoleTest, OnATerminalADialogEndsWithTheInput) {
  UseTerminal();
  Type("set 20 7\n\x04");
  ValueDlg dlg;
  EXPECT_EQ(dlg.DoModal(), kIdCancel);
  EXPECT_EQ(dlg.value, 5);
  EXPECT_NE(Shown().find("(end of input: dialog cancelled)"), std::string::npos);
}

TEST_F(ConsoleTest, FolderChooserReadsAFolderKeepsTheCurrentOneOrCancels) {
  UseTerminal();
  struct Row {
    const wchar_t* current;
    const char* typed;
    bool chosen;
    const wchar_t* folder;
  };
  const Row rows[] = {
      {L"C:\\Old\\", "  D:\\Posts\\ \n", true, L"D:\\Posts\\"},
      {L"C:\\Old\\", "\n", true, L"C:\\Old\\"},  // Enter keeps the current folder
      {L"C:\\Old\\", "-\n", false, L"C:\\Old\\"},
      {L"", "\n", false, L""},  // nothing to keep: cancelled
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.typed);
    std::wstring folder = row.current;
    Type(row.typed);
    EXPECT_EQ(ui().ChooseFolder(L"Choose", &folder), row.chosen);
    EXPECT_EQ(folder, row.folder);
    std::string shown = Shown();
    EXPECT_EQ(shown.find("Current folder: C:\\Old\\\n") != std::string::npos,
              *row.current != L'\0');
  }
}

TEST_F(ConsoleTest, WithoutATerminalTheFolderChooserCancels) {
  UsePipes();
  std::wstring folder = L"C:\\Old\\";
  EXPECT_FALSE(ui().ChooseFolder(L"Choose", &folder));
  EXPECT_EQ(folder, L"C:\\Old\\");
  EXPECT_NE(Shown().find("(no terminal: folder chooser cancelled)"), std::string::npos);
}

TEST_F(ConsoleTest, AClosedOutputDoesNotEndTheProgram) {
  UsePipes();
  close(out_[0]);
  out_[0] = -1;
  EXPECT_EQ(ui().MessageBox(L"Anyone?", L"Test", kMbYesNo), kIdNo);
  auto view = ui().OpenProgress(L"Work");
  view->SetPosition(50);
}

}  // namespace
}  // namespace kv
