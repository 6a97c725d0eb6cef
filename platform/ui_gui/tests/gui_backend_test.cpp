// The desktop backend beyond the contract: every kind of control laid out and showing
// its model, user actions reaching the model, resizing, what Windows' message boxes do
// with keys, progress windows throttled, the choice of backend, handler errors.
#include <gtest/gtest.h>
#include <wx/dataview.h>
#include <wx/treectrl.h>

#include <chrono>
#include <stdexcept>
#include <thread>

#include "gui_testing.h"
#include "scoped_env.h"

namespace kv::gui::testing {
namespace {

enum : int {
  kMetric = 201,
  kImperial,
  kRound,
  kPost,
  kMachine,
  kNote,
  kJobs,
  kFolders,
  kTools,
  kBar,
  kStatus,
  kFill
};

const DialogTemplate kGalleryTemplate = {
    800,
    L"Control Gallery",
    260,
    170,
    L"MS Shell Dlg",
    8,
    kDialogModalFrame | kDialogSysMenu,
    {
        {kIdcStatic, ControlKind::kGroupBox, 7, 4, 120, 60, L"&Units"},
        {kMetric, ControlKind::kRadioButton, 14, 17, 100, 10, L"&Metric",
         kStyleGroup | kStyleTabStop},
        {kImperial, ControlKind::kRadioButton, 14, 30, 100, 10, L"&Imperial"},
        {kRound, ControlKind::kCheckBox, 14, 45, 100, 10, L"&Round values", kStyleTabStop},
        {kIdcStatic, ControlKind::kStatic, 134, 9, 40, 8, L"Post:"},
        {kPost, ControlKind::kComboBox, 176, 7, 77, 60, L"", kStyleDropDownList | kStyleTabStop},
        {kMachine, ControlKind::kComboBox, 176, 25, 77, 60, L"", kStyleTabStop},
        {kNote, ControlKind::kEdit, 134, 45, 119, 14, L"", kStyleBorder | kStyleReadOnly},
        {kJobs, ControlKind::kListBox, 7, 70, 80, 62, L"", kStyleBorder | kStyleTabStop},
        {kFolders, ControlKind::kTreeView, 93, 70, 80, 62, L"", kStyleBorder | kStyleTabStop},
        {kTools, ControlKind::kListView, 179, 70, 74, 62, L"", kStyleBorder | kStyleTabStop},
        {kBar, ControlKind::kProgress, 7, 138, 246, 8},
        {kStatus, ControlKind::kStatic, 7, 151, 80, 14, L"Ready", kStyleBorder},
        {kFill, ControlKind::kPushButton, 93, 151, 50, 14, L"&Fill", kStyleTabStop},
        {kIdcOk, ControlKind::kDefPushButton, 148, 151, 50, 14, L"OK", kStyleTabStop},
        {kIdcCancel, ControlKind::kPushButton, 203, 151, 50, 14, L"Cancel", kStyleTabStop},
    },
};

class GalleryDlg : public CDialog {
 public:
  GalleryDlg() : CDialog(kGalleryTemplate) {}
  bool OnInitDialog() override {
    CheckDlgButton(kMetric, 1);
    for (const wchar_t* post : {L"Fanuc 3-Axis Mill", L"Haas Lathe", L"Heidenhain"}) {
      AddString(kPost, post);
    }
    SetCurSel(kPost, 1);
    for (const wchar_t* machine : {L"VF-2", L"ST-10"}) AddString(kMachine, machine);
    SetDlgItemText(kMachine, L"VF-2");
    SetDlgItemText(kNote, L"Read only");
    for (const wchar_t* job : {L"bracket.nc", L"flange.nc", L"plate.nc"}) AddString(kJobs, job);
    SetImageList(kFolders, {L"yellow folder", L"green check", L"red cross"});
    TreeItemHandle data = InsertTreeItem(kFolders, kTreeRoot, L"Data", 0, 0);
    InsertTreeItem(kFolders, data, L"Post", 1, 1);
    missing = InsertTreeItem(kFolders, data, L"Menus", 2, 2);
    InsertTreeItem(kFolders, kTreeRoot, L"Jobs", 0, 0);
    ExpandTreeItem(kFolders, data);
    SetTreeSelection(kFolders, data);
    InsertColumn(kTools, 0, L"Tool", 50);
    InsertColumn(kTools, 1, L"Dia.", 40);
    for (const wchar_t* tool : {L"T1", L"T2"}) AddString(kTools, tool);
    SetListItemText(kTools, 0, 1, L"6.0");
    SetListItemText(kTools, 1, 1, L"12.5");
    SetProgressRange(kBar, 0, 200);
    SetProgressPos(kBar, 50);
    return CDialog::OnInitDialog();
  }
  bool OnCommand(int controlId, int notifyCode) override {
    if (controlId != kFill || notifyCode != kBnClicked)
      return CDialog::OnCommand(controlId, notifyCode);
    // What a program does to its controls in a handler.
    SetDlgItemText(kStatus, L"Filled");
    SetCaption(L"Control Gallery - filled");
    EnableControl(kRound, false);
    CheckDlgButton(kRound, 2);
    SetCurSel(kJobs, 2);
    SetCurSel(kPost, -1);
    DeleteTreeItem(kFolders, missing);
    SetTreeSelection(kFolders, InsertTreeItem(kFolders, kTreeRoot, L"Logs", 1, 1));
    AddString(kTools, L"T3");
    SetCurSel(kTools, 2);
    SetProgressPos(kBar, 200);
    ShowControl(kNote, false);
    return true;
  }
  TreeItemHandle missing = kTreeNone;
};

std::vector<std::wstring> TreeLabels(wxTreeCtrl* tree) {
  std::vector<std::wstring> labels;
  std::function<void(wxTreeItemId)> walk = [&](wxTreeItemId parent) {
    wxTreeItemIdValue cookie;
    for (wxTreeItemId child = tree->GetFirstChild(parent, cookie); child.IsOk();
         child = tree->GetNextChild(parent, cookie)) {
      labels.push_back(tree->GetItemText(child).ToStdWstring());
      walk(child);
    }
  };
  walk(tree->GetRootItem());
  return labels;
}

TEST(GuiDialogs, EveryKindOfControlIsLaidOutAndShowsTheModel) {
  KV_REQUIRE_GUI();
  UseGui gui;
  WindowScript script;
  script.Then([](const ShownWindow& shown) {
    wxWindow* w = shown.window;
    ExpectLaidOutAsModel(shown.window, *shown.dialog);
    EXPECT_FALSE(SaveScreenshot(shown.window, "control_gallery").empty());
    auto* tree = static_cast<wxTreeCtrl*>(Control(w, kFolders));
    auto* tools = static_cast<wxDataViewListCtrl*>(Control(w, kTools));
    auto* jobs = static_cast<wxListBox*>(Control(w, kJobs));
    // As OnInitDialog left them.
    EXPECT_TRUE(static_cast<wxRadioButton*>(Control(w, kMetric))->GetValue());
    EXPECT_FALSE(static_cast<wxRadioButton*>(Control(w, kImperial))->GetValue());
    EXPECT_EQ(static_cast<wxComboBox*>(Control(w, kPost))->GetValue(), "Haas Lathe");
    EXPECT_EQ(static_cast<wxComboBox*>(Control(w, kMachine))->GetValue(), "VF-2");
    EXPECT_EQ(jobs->GetCount(), 3u);
    EXPECT_EQ(TreeLabels(tree), (std::vector<std::wstring>{L"Data", L"Post", L"Menus", L"Jobs"}));
    EXPECT_EQ(tree->GetItemText(tree->GetSelection()), "Data");
    EXPECT_TRUE(tree->IsExpanded(tree->GetSelection()));
    EXPECT_EQ(tree->GetImageList()->GetImageCount(), 3);
    EXPECT_EQ(tools->GetColumnCount(), 2u);
    EXPECT_EQ(tools->GetTextValue(1, 1), "12.5");
    EXPECT_EQ(static_cast<wxGauge*>(Control(w, kBar))->GetValue(), 2500);
    // What the Fill handler did, shown.
    ClickOn(Control(w, kFill));
    EXPECT_EQ(shown.window->GetTitle(), "Control Gallery - filled");
    EXPECT_EQ(Control(w, kStatus)->GetChildren().front()->GetLabel(), "Filled");
    EXPECT_FALSE(Control(w, kRound)->IsEnabled());
    EXPECT_EQ(static_cast<wxCheckBox*>(Control(w, kRound))->Get3StateValue(), wxCHK_UNDETERMINED);
    EXPECT_EQ(jobs->GetSelection(), 2);
    EXPECT_EQ(static_cast<wxComboBox*>(Control(w, kPost))->GetSelection(), wxNOT_FOUND);
    EXPECT_EQ(TreeLabels(tree), (std::vector<std::wstring>{L"Data", L"Post", L"Jobs", L"Logs"}));
    EXPECT_EQ(tree->GetItemText(tree->GetSelection()), "Logs");
    EXPECT_EQ(tools->GetItemCount(), 3u);
    EXPECT_EQ(tools->GetSelectedRow(), 2);
    EXPECT_EQ(static_cast<wxGauge*>(Control(w, kBar))->GetValue(), 10000);
    EXPECT_FALSE(Control(w, kNote)->IsShown());
    PressKey(WXK_ESCAPE);
  });
  GalleryDlg dlg;
  EXPECT_EQ(dlg.DoModal(), kIdCancel);
  EXPECT_EQ(script.Pending(), 0u);
}

TEST(GuiDialogs, WhatTheUserDoesReachesTheModel) {
  KV_REQUIRE_GUI();
  UseGui gui;
  WindowScript script;
  script.Then([](const ShownWindow& shown) {
    wxWindow* w = shown.window;
    ClickOn(Control(w, kImperial));
    EXPECT_FALSE(static_cast<wxRadioButton*>(Control(w, kMetric))->GetValue());
    ClickOn(Control(w, kRound));
    TypeInto(Control(w, kMachine), L"VF-4");
    ClickOn(Control(w, kJobs));
    PressKey(WXK_END);
    ClickOn(Control(w, kFolders));
    PressKey(WXK_END);
    ClickOn(Control(w, kIdcOk));
  });
  GalleryDlg dlg;
  EXPECT_EQ(dlg.DoModal(), kIdOk);
  EXPECT_EQ(dlg.IsDlgButtonChecked(kMetric), 0);
  EXPECT_EQ(dlg.IsDlgButtonChecked(kImperial), 1);
  EXPECT_EQ(dlg.IsDlgButtonChecked(kRound), 1);
  EXPECT_EQ(dlg.GetDlgItemText(kMachine), L"VF-4");
  EXPECT_EQ(dlg.GetCurSel(kJobs), 2);
  const TreeItem* selected = dlg.GetTreeItem(kFolders, dlg.GetTreeSelection(kFolders));
  ASSERT_NE(selected, nullptr);
  EXPECT_EQ(selected->text, L"Jobs");
  EXPECT_EQ(script.Pending(), 0u);
}

// A resizable dialog whose OnSize keeps the list's edges at fixed distances from the
// dialog's and the buttons in the lower right corner, as the system's resizable dialogs
// do.
const DialogTemplate kSizingTemplate = {
    810,
    L"Messages",
    200,
    120,
    L"MS Shell Dlg",
    8,
    kDialogModalFrame | kDialogSysMenu | kDialogResizable,
    {
        {30, ControlKind::kListBox, 7, 7, 186, 85, L"", kStyleBorder},
        {kIdcOk, ControlKind::kDefPushButton, 86, 99, 50, 14, L"OK"},
        {kIdcCancel, ControlKind::kPushButton, 143, 99, 50, 14, L"Cancel"},
    },
};

class SizingDlg : public CDialog {
 public:
  SizingDlg() : CDialog(kSizingTemplate) {}
  void OnSize(int cx, int cy) override {
    MoveControl(30, 7, 7, cx - 14, cy - 35);
    MoveControl(kIdcOk, cx - 114, cy - 21, 50, 14);
    MoveControl(kIdcCancel, cx - 57, cy - 21, 50, 14);
  }
};

TEST(GuiDialogs, ResizingKeepsTheLayoutTheDialogAsksFor) {
  KV_REQUIRE_GUI();
  UseGui gui;
  WindowScript script;
  script.Then([](const ShownWindow& shown) {
    for (const wxSize units : {wxSize(300, 180), wxSize(220, 140)}) {
      SCOPED_TRACE(units.GetWidth());
      shown.window->SetClientSize(shown.window->ConvertDialogToPixels(units));
      ASSERT_TRUE(WaitUntil([&] { return shown.dialog->Width() == units.GetWidth(); }));
      EXPECT_EQ(shown.dialog->Height(), units.GetHeight());
      ExpectLaidOutAsModel(shown.window, *shown.dialog);
      const wxRect cancel = Control(shown.window, kIdcCancel)->GetRect();
      EXPECT_EQ(cancel.GetRight() + 1,
                shown.window->ConvertDialogToPixels(wxPoint(units.GetWidth() - 7, 0)).x);
    }
    // The close box (a bare display moves no window when it grows: the pointer may
    // be anywhere).
    shown.window->Close();
  });
  SizingDlg dlg;
  EXPECT_EQ(dlg.DoModal(), kIdCancel);
}

// A dialog that grows itself as it starts (by 16 pixels in its font) with the model's
// layout flags: the window takes the new size and the controls follow the flags.
class GrowingDlg : public CDialog {
 public:
  GrowingDlg() : CDialog(kSizingTemplate) {}
  bool OnInitDialog() override {
    SetLayoutForAllControls(kLayoutKeepSize, kLayoutKeepSize | kLayoutKeepTrailing);
    SetControlLayout(30, kLayoutKeepSize, kLayoutKeepLeading | kLayoutKeepTrailing);
    SetWindowSize(Width(), Height() + PixelsToDialogUnitsY(16));
    return CDialog::OnInitDialog();
  }
  void OnSize(int, int) override { ApplyLayout(); }
};

TEST(GuiDialogs, TheProgramSizesTheDialogAndTheModelLaysItOut) {
  KV_REQUIRE_GUI();
  UseGui gui;
  WindowScript script;
  script.Then([](const ShownWindow& shown) {
    EXPECT_GT(shown.dialog->Height(), 120);
    ExpectLaidOutAsModel(shown.window, *shown.dialog);
    EXPECT_NEAR(shown.window->GetClientSize().GetHeight() -
                    shown.window->ConvertDialogToPixels(wxSize(0, 120)).GetHeight(),
                16, 1);
    shown.window->Close();
  });
  GrowingDlg dlg;
  EXPECT_EQ(dlg.DoModal(), kIdCancel);
}

TEST(GuiMessageBoxes, KeysAndTheCloseBoxAnswerAsOnWindows) {
  KV_REQUIRE_GUI();
  struct Row {
    const char* name;
    unsigned type;
    std::vector<std::pair<int, int>> keys;  // key, modifiers; the first ones are ignored
    bool close;                             // the close box before the keys
    int answer;
  };
  const Row rows[] = {
      {"question",
       kMbYesNo | kMbIconQuestion,
       {{WXK_ESCAPE, wxMOD_NONE}, {'N', wxMOD_NONE}},
       false,
       kIdNo},
      {"abort_retry_ignore",
       kMbAbortRetryIgnore | kMbIconError | kMbDefButton2,
       {{WXK_ESCAPE, wxMOD_NONE}, {'R', wxMOD_ALT}},
       true,
       kIdRetry},
      {"yes_no_cancel", kMbYesNoCancel | kMbIconExclamation, {{'Y', wxMOD_NONE}}, false, kIdYes},
      {"information", kMbOk | kMbIconInformation, {}, true, kIdOk},
      {"retry_cancel", kMbRetryCancel | kMbIconError, {{WXK_ESCAPE, wxMOD_NONE}}, false, kIdCancel},
  };
  UseGui gui;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    WindowScript script;
    script.Then([&row](const ShownWindow& shown) {
      // The default button has the focus.
      EXPECT_EQ(wxWindow::FindFocus(), Control(shown.window, DefaultAnswer(row.type)));
      EXPECT_FALSE(SaveScreenshot(shown.window, std::string("message_box_") + row.name).empty());
      wxWeakRef<wxTopLevelWindow> box(shown.window);
      if (row.close) {
        box->Close();
        Settle();
      }
      PointAt(box);
      for (const auto& [key, modifiers] : row.keys) {
        if (!box) break;
        PressKey(key, modifiers);
      }
    });
    EXPECT_EQ(ShowMessageBox(L"Cannot copy C:\\Kestrel\\Data\\Post\\dft.pst.\n"
                             L"Check permission levels.",
                             row.type, L"Kestrel Data Update"),
              row.answer);
  }
}

TEST(GuiProgress, PumpsRepaintAtTheDisplaysPace) {
  KV_REQUIRE_GUI();
  UseGui gui;
  WindowScript script;
  wxWeakRef<wxTopLevelWindow> window;
  script.OnProgress([&](const ShownWindow& shown) { window = shown.window; });
  std::unique_ptr<ProgressView> view = CurrentUi().OpenProgress(L"Copying Data Files");
  ASSERT_TRUE(window);
  auto* bar = static_cast<wxGauge*>(window->FindWindow("progress"));
  view->SetMessage(L"Updating the data path from the install cache. Please wait.");
  view->SetRange(0, 100);
  view->SetPosition(37);
  view->SetPath(
      L"C:\\Users\\Public\\Documents\\Kestrel\\KVDNC\\Post\\Fanuc 3-Axis Mill\\"
      L"KVPostCompileData.txt");
  std::this_thread::sleep_for(std::chrono::milliseconds(250));
  view->Pump();
  EXPECT_EQ(bar->GetValue(), 3700);
  EXPECT_FALSE(SaveScreenshot(window, "progress_window").empty());
  // Right after a repaint, a pump only takes note; the next one a frame later shows it.
  view->SetPosition(50);
  view->Pump();
  EXPECT_EQ(bar->GetValue(), 3700);
  std::this_thread::sleep_for(std::chrono::milliseconds(250));
  view->Pump();
  EXPECT_EQ(bar->GetValue(), 5000);
  view.reset();
  EXPECT_FALSE(window);
}

using kv::testing::ScopedEnv;

TEST(GuiChoice, ADisplayOrTheNameGivesTheDesktop) {
  KV_REQUIRE_GUI();
  struct Row {
    const char* kestrelUi;
    bool desktop;
  };
  const Row rows[] = {{nullptr, true}, {"gui", true}, {"GUI", true}, {"scripted", false}};
  std::unique_ptr<UiBackend> saved = SetUiBackend(nullptr);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.kestrelUi != nullptr ? row.kestrelUi : "(unset)");
    ScopedEnv env("KESTREL_UI", row.kestrelUi);
    SetUiBackend(nullptr);
    WindowScript script;
    if (row.desktop) {
      script.Then([](const ShownWindow& shown) { ClickOn(Control(shown.window, kIdYes)); });
    }
    // A window answered Yes; the scripted backend's unanswered box says No.
    EXPECT_EQ(ShowMessageBox(L"Update now?", kMbYesNo), row.desktop ? kIdYes : kIdNo);
    EXPECT_EQ(script.Pending(), 0u);
  }
  SetUiBackend(std::move(saved));
}

const DialogTemplate kTwoButtons = {
    820,
    L"Confirm",
    120,
    40,
    L"MS Shell Dlg",
    8,
    kDialogModalFrame | kDialogSysMenu,
    {
        {kIdcOk, ControlKind::kDefPushButton, 7, 19, 50, 14, L"OK"},
        {kIdcCancel, ControlKind::kPushButton, 63, 19, 50, 14, L"Cancel"},
    },
};

TEST(GuiDialogs, HandlersDecideWhetherTheDialogEnds) {
  KV_REQUIRE_GUI();
  UseGui gui;
  // Escape and the close box go to OnCancel, which may refuse: the dialog stays open.
  struct Stubborn : CDialog {
    Stubborn() : CDialog(kTwoButtons) {}
    void OnCancel() override { ++refused; }
    int refused = 0;
  } stubborn;
  WindowScript script;
  script.Then([](const ShownWindow& shown) {
    wxWeakRef<wxTopLevelWindow> window(shown.window);
    PointAt(window);
    PressKey(WXK_ESCAPE);
    window->Close();
    Settle();
    ASSERT_TRUE(window && window->IsShown());
    ClickOn(Control(window, kIdcOk));
  });
  EXPECT_EQ(stubborn.DoModal(), kIdOk);
  EXPECT_EQ(stubborn.refused, 2);

  // An exception from a handler closes the window and reaches the caller.
  struct Throwing : CDialog {
    Throwing() : CDialog(kTwoButtons) {}
    void OnOK() override { throw std::runtime_error("handler failed"); }
  } throwing;
  script.Then([](const ShownWindow& shown) { ClickOn(Control(shown.window, kIdcOk)); });
  EXPECT_THROW(throwing.DoModal(), std::runtime_error);
  for (wxWindow* window : wxTopLevelWindows) EXPECT_FALSE(window->IsShown());
}

}  // namespace
}  // namespace kv::gui::testing
