// The scripted backend: queued answers, what it records, and its order of events.
#include <gtest/gtest.h>

#include <stdexcept>

#include "KVPlatform/dialog.h"
#include "KVPlatform/scripted_ui.h"

namespace kv {
namespace {

class ScriptedUiTest : public ::testing::Test {
 protected:
  ScriptedUiTest() : ui_(InstallScriptedUi()) {}
  ScriptedUi& ui_;
};

TEST_F(ScriptedUiTest, AnswersAreUsedInOrderThenEscapeAnswersTakeOver) {
  ui_.QueueAnswer(kIdYes);
  ui_.QueueAnswer(kIdRetry);
  EXPECT_EQ(ShowMessageBox(L"Remove?", kMbYesNo | kMbIconQuestion, L"Paths"), kIdYes);
  EXPECT_EQ(ShowMessageBox(L"Disk full.", kMbRetryCancel | kMbIconError), kIdRetry);
  EXPECT_EQ(ShowMessageBox(L"Again?", kMbYesNoCancel), kIdCancel);
  EXPECT_EQ(ui_.PendingAnswers(), 0u);
  ASSERT_EQ(ui_.Messages().size(), 3u);
  const ShownMessage& first = ui_.Messages()[0];
  EXPECT_EQ(first.text, L"Remove?");
  EXPECT_EQ(first.caption, L"Paths");
  EXPECT_EQ(first.buttons, static_cast<unsigned>(kMbYesNo));
  EXPECT_EQ(first.icon, static_cast<unsigned>(kMbIconQuestion));
  EXPECT_TRUE(first.scripted);
  EXPECT_EQ(ui_.Messages()[1].icon, static_cast<unsigned>(kMbIconError));
  EXPECT_FALSE(ui_.Messages()[2].scripted);
  EXPECT_EQ(ui_.Messages()[2].answer, kIdCancel);
}

TEST_F(ScriptedUiTest, AnAnswerTheBoxCannotGiveIsAScriptError) {
  ui_.QueueAnswer(kIdYes);
  EXPECT_THROW(ShowMessageBox(L"Saved.", kMbOk), std::logic_error);
  ASSERT_EQ(ui_.Messages().size(), 1u);
  EXPECT_EQ(ui_.Messages()[0].answer, kIdYes);
}

TEST_F(ScriptedUiTest, ProgressEventsAreRecordedInOrder) {
  {
    auto view = ui_.OpenProgress(L"Copying Database Files");
    view->SetMessage(L"Please wait.");
    view->SetRange(0, 7);
    view->SetPath(L"C:\\db\\kvnest");
    view->Pump();
    view->SetPosition(1);
  }
  using E = ProgressEvent;
  const std::vector<ProgressEvent>& events = ui_.Progress();
  ASSERT_EQ(events.size(), 7u);
  EXPECT_EQ(events[0].kind, E::kOpen);
  EXPECT_EQ(events[0].text, L"Copying Database Files");
  EXPECT_EQ(events[1].kind, E::kMessage);
  EXPECT_EQ(events[1].text, L"Please wait.");
  EXPECT_EQ(events[2].kind, E::kRange);
  EXPECT_EQ(events[2].a, 0);
  EXPECT_EQ(events[2].b, 7);
  EXPECT_EQ(events[3].kind, E::kPath);
  EXPECT_EQ(events[3].text, L"C:\\db\\kvnest");
  EXPECT_EQ(events[4].kind, E::kPump);
  EXPECT_EQ(events[5].kind, E::kPosition);
  EXPECT_EQ(events[5].a, 1);
  EXPECT_EQ(events[6].kind, E::kClose);
}

// A modeless window with a status line and a bar, as the system's transfer window is.
const DialogTemplate kStatusTemplate = [] {
  DialogTemplate t;
  t.id = 197;
  t.caption = L"Transferring Data";
  t.controls = {{196, ControlKind::kStatic, 16, 17, 285, 31, L"Static"},
                {198, ControlKind::kProgress, 16, 54, 285, 12, L"", kStyleBorder}};
  return t;
}();

TEST_F(ScriptedUiTest, ModelessDialogsRecordTheirWindowAndEachChangedControl) {
  {
    CDialog dialog(kStatusTemplate);
    dialog.SetDlgItemText(196, L"before");  // no window yet: nothing recorded
    ASSERT_TRUE(dialog.Create());
    EXPECT_TRUE(dialog.IsWindowOpen());
    dialog.SetDlgItemText(196, L"Connecting");
    dialog.CenterWindow();
    dialog.SetProgressRange(198, 0, 262);
    dialog.ShowWindow(true);
    dialog.SetProgressPos(198, 7);
    dialog.UpdateWindow();
  }  // the destructor closes the window
  using E = ModelessEvent;
  const std::vector<ModelessEvent>& events = ui_.Modeless();
  ASSERT_EQ(events.size(), 8u);
  const E::Kind kinds[] = {E::kOpen, E::kChange, E::kCenter, E::kChange,
                           E::kShow, E::kChange, E::kPump,   E::kClose};
  for (size_t i = 0; i < events.size(); ++i) {
    EXPECT_EQ(events[i].kind, kinds[i]) << i;
    EXPECT_EQ(events[i].templateId, 197) << i;
  }
  EXPECT_EQ(events[0].text, L"Transferring Data");
  EXPECT_EQ(events[1].controlId, 196);
  EXPECT_EQ(events[1].text, L"Connecting");
  EXPECT_EQ(events[3].high, 262);
  EXPECT_EQ(events[5].controlId, 198);
  EXPECT_EQ(events[5].position, 7);
}

TEST(ScriptedUiLifetime, AProgressWindowMayOutliveItsBackend) {
  auto backend = std::make_unique<ScriptedUi>();
  auto view = backend->OpenProgress(L"Work");
  backend.reset();
  view->SetPosition(3);  // recorded nowhere, and harmless
  view.reset();
}

const DialogTemplate kPickTemplate = {
    800,
    L"Pick",
    100,
    60,
    L"MS Shell Dlg",
    8,
    kDialogModalFrame,
    {
        {10, ControlKind::kEdit, 0, 0, 50, 14, L"start"},
        {11, ControlKind::kPushButton, 0, 20, 50, 14, L"More..."},
        {kIdcOk, ControlKind::kDefPushButton, 0, 40, 50, 14, L"OK"},
        {kIdcCancel, ControlKind::kPushButton, 60, 40, 50, 14, L"Cancel"},
    },
};

// "More..." opens a second dialog, as the variable edit dialog opens the list.
class PickDlg : public CDialog {
 public:
  explicit PickDlg(int depth) : CDialog(kPickTemplate), depth_(depth) {}
  bool OnInitDialog() override {
    SetCaption(L"Pick " + std::to_wstring(depth_));
    if (closeAtOnce) EndDialog(kIdOk);
    return true;
  }
  bool OnCommand(int id, int code) override {
    if (id == 11 && code == kBnClicked) {
      PickDlg inner(depth_ + 1);
      innerResult = inner.DoModal();
      return true;
    }
    return CDialog::OnCommand(id, code);
  }
  bool closeAtOnce = false;
  int innerResult = 0;

 private:
  int depth_;
};

TEST_F(ScriptedUiTest, DialogsAreRecordedInTheOrderTheyOpened) {
  ui_.QueueDialog([](CDialog& dlg) {
    dlg.TypeText(10, L"outer");
    dlg.Click(11);
    dlg.Click(kIdcOk);
  });
  ui_.QueueDialog([](CDialog& dlg) { dlg.TypeText(10, L"inner"); });  // left open
  PickDlg outer(1);
  EXPECT_EQ(outer.DoModal(), kIdOk);
  EXPECT_EQ(outer.innerResult, kIdCancel);
  ASSERT_EQ(ui_.Dialogs().size(), 2u);
  const ShownDialog& first = ui_.Dialogs()[0];
  const ShownDialog& second = ui_.Dialogs()[1];
  EXPECT_EQ(first.caption, L"Pick 1");
  EXPECT_EQ(first.AtStart(10)->text, L"start");
  EXPECT_EQ(first.AtEnd(10)->text, L"outer");
  EXPECT_EQ(first.focusAtEnd, kIdcOk);
  EXPECT_EQ(first.result, kIdOk);
  EXPECT_EQ(second.caption, L"Pick 2");
  EXPECT_EQ(second.AtEnd(10)->text, L"inner");
  EXPECT_EQ(second.result, kIdCancel);
  EXPECT_TRUE(second.scripted);
  EXPECT_EQ(first.AtEnd(999), nullptr);
}

TEST_F(ScriptedUiTest, ADialogThatEndsInItsInitLeavesTheScriptQueued) {
  ui_.QueueDialog([](CDialog& dlg) { dlg.Click(kIdcCancel); });
  PickDlg dlg(1);
  dlg.closeAtOnce = true;
  EXPECT_EQ(dlg.DoModal(), kIdOk);
  EXPECT_EQ(ui_.PendingDialogs(), 1u);
  ASSERT_EQ(ui_.Dialogs().size(), 1u);
  EXPECT_FALSE(ui_.Dialogs()[0].scripted);
}

TEST_F(ScriptedUiTest, FolderAnswersChooseOrCancel) {
  ui_.QueueFolder(L"D:\\Posts\\");
  ui_.QueueFolder(L"");
  std::wstring folder = L"C:\\Old\\";
  EXPECT_TRUE(ui_.ChooseFolder(L"Folder", &folder));
  EXPECT_EQ(folder, L"D:\\Posts\\");
  EXPECT_FALSE(ui_.ChooseFolder(L"Folder", &folder));
  EXPECT_FALSE(ui_.ChooseFolder(L"Folder", &folder));
  EXPECT_EQ(folder, L"D:\\Posts\\");
  const auto& shown = ui_.FolderChoosers();
  ASSERT_EQ(shown.size(), 3u);
  EXPECT_EQ(shown[0].initialFolder, L"C:\\Old\\");
  EXPECT_TRUE(shown[0].chosen);
  EXPECT_TRUE(shown[1].scripted);
  EXPECT_FALSE(shown[1].chosen);
  EXPECT_FALSE(shown[2].scripted);
}

}  // namespace
}  // namespace kv
