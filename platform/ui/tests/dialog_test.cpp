// The dialog model: a small dialog driven through scripted actions, the framework's
// exchange routines in both directions, Fail and the focus, and the control helpers.
#include "KVPlatform/dialog.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "KVPlatform/scripted_ui.h"

namespace kv {
namespace {

constexpr int kIdcCount = 100;
constexpr int kIdcEnabled = 101;
constexpr int kIdcMode = 102;

const DialogTemplate kSettingsTemplate = {
    500,
    L"Settings",
    200,
    100,
    L"MS Shell Dlg",
    8,
    kDialogModalFrame | kDialogSysMenu,
    {
        {kIdcStatic, ControlKind::kStatic, 7, 7, 40, 8, L"Count:"},
        {kIdcCount, ControlKind::kEdit, 50, 7, 40, 14, L"", kStyleBorder | kStyleTabStop},
        {kIdcEnabled, ControlKind::kCheckBox, 7, 25, 80, 10, L"&Enabled", kStyleTabStop},
        {kIdcMode, ControlKind::kComboBox, 7, 40, 80, 60, L"", kStyleDropDownList},
        {kIdcOk, ControlKind::kDefPushButton, 40, 80, 50, 14, L"OK"},
        {kIdcCancel, ControlKind::kPushButton, 100, 80, 50, 14, L"Cancel"},
    },
};

// A range check of this dialog's own, written as a dialog's validation routine is.
void DDV_CountRange(CDataExchange* pDX, int value, int low, int high) {
  if (pDX->m_bSaveAndValidate && (value < low || value > high)) {
    ShowMessageBox(
        L"Enter a count from " + std::to_wstring(low) + L" to " + std::to_wstring(high) + L".",
        kMbOk | kMbIconExclamation);
    pDX->Fail();
  }
}

class SettingsDlg : public CDialog {
 public:
  SettingsDlg() : CDialog(kSettingsTemplate) {}

  bool OnInitDialog() override {
    for (const wchar_t* mode : {L"Fast", L"Normal", L"Careful"}) AddString(kIdcMode, mode);
    return CDialog::OnInitDialog();
  }

  void DoDataExchange(CDataExchange* pDX) override {
    DDX_Text(pDX, kIdcCount, m_nCount);
    DDV_CountRange(pDX, m_nCount, 1, 10);
    DDX_Check(pDX, kIdcEnabled, m_bEnabled);
    DDX_CBIndex(pDX, kIdcMode, m_nMode);
  }

  int m_nCount = 3;
  int m_bEnabled = 0;
  int m_nMode = 1;
};

class DialogTest : public ::testing::Test {
 protected:
  DialogTest() : ui_(InstallScriptedUi()) {}
  ScriptedUi& ui_;
};

TEST_F(DialogTest, BadValuesKeepTheDialogOpenUntilCorrected) {
  ui_.QueueDialog([this](CDialog& dlg) {
    // Loaded from the members by OnInitDialog.
    EXPECT_EQ(dlg.GetDlgItemText(kIdcCount), L"3");
    EXPECT_EQ(dlg.GetCurSel(kIdcMode), 1);
    EXPECT_EQ(dlg.GetDlgItemText(kIdcMode), L"Normal");

    ASSERT_TRUE(dlg.TypeText(kIdcCount, L"abc"));
    ASSERT_TRUE(dlg.Click(kIdcEnabled));
    ASSERT_TRUE(dlg.Click(kIdcOk));
    EXPECT_FALSE(dlg.IsEnded());
    ASSERT_EQ(ui_.Messages().size(), 1u);
    EXPECT_EQ(ui_.Messages()[0].text, L"Please enter an integer.");
    EXPECT_EQ(ui_.Messages()[0].icon, static_cast<unsigned>(kMbIconExclamation));
    EXPECT_EQ(dlg.GetFocus(), kIdcCount);

    ASSERT_TRUE(dlg.TypeText(kIdcCount, L"42"));
    ASSERT_TRUE(dlg.Click(kIdcOk));
    EXPECT_FALSE(dlg.IsEnded());
    ASSERT_EQ(ui_.Messages().size(), 2u);
    EXPECT_EQ(ui_.Messages()[1].text, L"Enter a count from 1 to 10.");
    EXPECT_EQ(dlg.GetFocus(), kIdcCount);

    ASSERT_TRUE(dlg.TypeText(kIdcCount, L" 7 "));
    ASSERT_TRUE(dlg.Select(kIdcMode, 2));
    ASSERT_TRUE(dlg.Click(kIdcOk));
  });
  SettingsDlg dlg;
  EXPECT_EQ(dlg.DoModal(), kIdOk);
  EXPECT_EQ(dlg.m_nCount, 7);
  EXPECT_EQ(dlg.m_bEnabled, 1);
  EXPECT_EQ(dlg.m_nMode, 2);
  ASSERT_EQ(ui_.Dialogs().size(), 1u);
  const ShownDialog& shown = ui_.Dialogs()[0];
  EXPECT_TRUE(shown.scripted);
  EXPECT_EQ(shown.templateId, 500);
  EXPECT_EQ(shown.caption, L"Settings");
  EXPECT_EQ(shown.result, kIdOk);
  EXPECT_EQ(shown.AtStart(kIdcCount)->text, L"3");
  EXPECT_EQ(shown.AtEnd(kIdcCount)->text, L" 7 ");
  EXPECT_EQ(shown.AtEnd(kIdcEnabled)->check, 1);
}

TEST_F(DialogTest, CancelLeavesTheMembersAlone) {
  ui_.QueueDialog([](CDialog& dlg) {
    dlg.TypeText(kIdcCount, L"9");
    dlg.Click(kIdcEnabled);
    dlg.Select(kIdcMode, 0);
    dlg.Click(kIdcCancel);
  });
  SettingsDlg dlg;
  EXPECT_EQ(dlg.DoModal(), kIdCancel);
  EXPECT_EQ(dlg.m_nCount, 3);
  EXPECT_EQ(dlg.m_bEnabled, 0);
  EXPECT_EQ(dlg.m_nMode, 1);
  EXPECT_TRUE(ui_.Messages().empty());
}

TEST_F(DialogTest, AFailedExchangeLeavesTheEarlierMembersUpdatedAndTheRestAlone) {
  // As in the framework: the exchange stops at the failing control.
  SettingsDlg dlg;
  dlg.Start();
  dlg.Click(kIdcEnabled);
  dlg.TypeText(kIdcCount, L"11");
  EXPECT_FALSE(dlg.UpdateData(true));
  EXPECT_EQ(dlg.m_nCount, 11);  // converted before the range check failed
  EXPECT_EQ(dlg.m_bEnabled, 0);
}

TEST_F(DialogTest, InitialFocusGoesToTheFirstTabStop) {
  SettingsDlg dlg;
  dlg.Start();
  EXPECT_EQ(dlg.GetFocus(), kIdcCount);

  struct OwnFocus : SettingsDlg {
    bool OnInitDialog() override {
      SettingsDlg::OnInitDialog();
      SetFocus(kIdcMode);
      return false;
    }
  } own;
  own.Start();
  EXPECT_EQ(own.GetFocus(), kIdcMode);
}

// --- The exchange routines -----------------------------------------------------------

const DialogTemplate kFieldsTemplate = {
    501,
    L"Fields",
    200,
    200,
    L"MS Shell Dlg",
    8,
    kDialogModalFrame,
    {
        {10, ControlKind::kEdit, 0, 0, 10, 10, L"", kStyleTabStop},
        {11, ControlKind::kCheckBox, 0, 0, 10, 10, L"Check"},
        {12, ControlKind::kComboBox, 0, 0, 10, 10, L""},  // drop-down
        {13, ControlKind::kComboBox, 0, 0, 10, 10, L"", kStyleDropDownList | kStyleSort},
        {14, ControlKind::kListBox, 0, 0, 10, 10, L""},
        {20, ControlKind::kRadioButton, 0, 0, 10, 10, L"Integer", kStyleGroup},
        {21, ControlKind::kRadioButton, 0, 0, 10, 10, L"Real"},
        {22, ControlKind::kRadioButton, 0, 0, 10, 10, L"String"},
        {23, ControlKind::kStatic, 0, 0, 10, 10, L"Value:"},
        {24, ControlKind::kRadioButton, 0, 0, 10, 10, L"Other group", kStyleGroup},
        {30, ControlKind::kTreeView, 0, 0, 10, 10, L""},
        {31, ControlKind::kListView, 0, 0, 10, 10, L""},
        {32, ControlKind::kEdit, 0, 0, 10, 10, L"", kStyleNumber},
        {33, ControlKind::kEdit, 0, 0, 10, 10, L"fixed", kStyleReadOnly},
        {kIdcOk, ControlKind::kDefPushButton, 0, 0, 10, 10, L"OK", kStyleDisabled},
        {kIdcCancel, ControlKind::kPushButton, 0, 0, 10, 10, L"Cancel"},
    },
};

// A dialog whose exchange is a function set by the test.
class FieldsDlg : public CDialog {
 public:
  FieldsDlg() : CDialog(kFieldsTemplate) { Start(); }
  void DoDataExchange(CDataExchange* pDX) override {
    if (exchange) exchange(pDX);
  }
  std::function<void(CDataExchange*)> exchange;
};

TEST_F(DialogTest, IntegerTextIsReadAsTheFrameworkReadsIt) {
  struct Row {
    const wchar_t* text;
    bool ok;
    int value;
  };
  const Row rows[] = {
      {L"12", true, 12},
      {L"  -12\t", true, -12},
      {L"+5", true, 5},
      {L"0", true, 0},
      {L"2147483647", true, 2147483647},
      {L"-2147483648", true, -2147483647 - 1},
      {L"2147483648", false, 0},
      {L"", false, 0},
      {L"  ", false, 0},
      {L"1.5", false, 0},
      {L"12a", false, 0},
      {L"1 2", false, 0},
      {L"+-1", false, 0},
      {L"-", false, 0},
      {L"\x0663", false, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::PrintToString(std::wstring(row.text)));
    ui_.Clear();
    FieldsDlg dlg;
    int value = -99;
    dlg.exchange = [&](CDataExchange* pDX) { DDX_Text(pDX, 10, value); };
    dlg.SetDlgItemText(10, row.text);
    EXPECT_EQ(dlg.UpdateData(true), row.ok);
    EXPECT_EQ(value, row.ok ? row.value : -99);
    if (row.ok) {
      EXPECT_TRUE(ui_.Messages().empty());
    } else {
      ASSERT_EQ(ui_.Messages().size(), 1u);
      EXPECT_EQ(ui_.Messages()[0].text, L"Please enter an integer.");
      EXPECT_EQ(dlg.GetFocus(), 10);
    }
  }
}

TEST_F(DialogTest, RealTextIsReadAsADecimalNumber) {
  struct Row {
    const wchar_t* text;
    bool ok;
    double value;
  };
  const Row rows[] = {
      {L"1.5", true, 1.5},    {L" -2e3 ", true, -2000}, {L".5", true, 0.5},   {L"5.", true, 5},
      {L"+0.25", true, 0.25}, {L"1E-2", true, 0.01},    {L"", false, 0},      {L"1,5", false, 0},
      {L"inf", false, 0},     {L"nan", false, 0},       {L"1e999", false, 0}, {L"0x10", false, 0},
      {L"1.5.2", false, 0},   {L"e5", false, 0},        {L"1/2", false, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::PrintToString(std::wstring(row.text)));
    ui_.Clear();
    FieldsDlg dlg;
    double value = -99;
    dlg.exchange = [&](CDataExchange* pDX) { DDX_Text(pDX, 10, value); };
    dlg.SetDlgItemText(10, row.text);
    EXPECT_EQ(dlg.UpdateData(true), row.ok);
    EXPECT_DOUBLE_EQ(value, row.ok ? row.value : -99);
    if (!row.ok) {
      ASSERT_EQ(ui_.Messages().size(), 1u);
      EXPECT_EQ(ui_.Messages()[0].text, L"Please enter a number.");
    }
  }
}

TEST_F(DialogTest, NumbersAreWrittenAsTheFrameworkWritesThem) {
  struct Row {
    double value;
    const wchar_t* text;
  };
  const Row rows[] = {
      {0.1, L"0.1"},    {1.0 / 3, L"0.333333333333333"},
      {1e20, L"1e+20"}, {-2.5, L"-2.5"},
      {100, L"100"},    {1e-5, L"1e-05"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.value);
    FieldsDlg dlg;
    double value = row.value;
    dlg.exchange = [&](CDataExchange* pDX) { DDX_Text(pDX, 10, value); };
    ASSERT_TRUE(dlg.UpdateData(false));
    EXPECT_EQ(dlg.GetDlgItemText(10), row.text);
  }
  FieldsDlg dlg;
  int number = -2147483647 - 1;
  dlg.exchange = [&](CDataExchange* pDX) { DDX_Text(pDX, 10, number); };
  ASSERT_TRUE(dlg.UpdateData(false));
  EXPECT_EQ(dlg.GetDlgItemText(10), L"-2147483648");
}

TEST_F(DialogTest, FailWhileLoadingEndsTheExchangeWithoutMovingTheFocus) {
  FieldsDlg dlg;
  dlg.SetFocus(kIdcCancel);
  std::wstring after = L"untouched";
  dlg.exchange = [&](CDataExchange* pDX) {
    pDX->PrepareEditCtrl(10);
    pDX->Fail();
    DDX_Text(pDX, 33, after);
  };
  EXPECT_FALSE(dlg.UpdateData(false));
  EXPECT_EQ(dlg.GetFocus(), kIdcCancel);
  EXPECT_EQ(dlg.GetDlgItemText(33), L"fixed");
}

TEST_F(DialogTest, ExchangeWithAMissingControlIsAProgramError) {
  FieldsDlg dlg;
  std::wstring text;
  dlg.exchange = [&](CDataExchange* pDX) { DDX_Text(pDX, 999, text); };
  EXPECT_THROW(dlg.UpdateData(true), std::invalid_argument);
  dlg.exchange = [&](CDataExchange* pDX) { pDX->PrepareCtrl(kIdcStatic); };
  EXPECT_THROW(dlg.UpdateData(false), std::invalid_argument);
}

TEST_F(DialogTest, CheckBoxesExchangeTheirState) {
  FieldsDlg dlg;
  int check = 5;  // out of range: loads as unchecked, and the member says so
  dlg.exchange = [&](CDataExchange* pDX) { DDX_Check(pDX, 11, check); };
  ASSERT_TRUE(dlg.UpdateData(false));
  EXPECT_EQ(check, 0);
  EXPECT_EQ(dlg.IsDlgButtonChecked(11), 0);
  dlg.Click(11);
  ASSERT_TRUE(dlg.UpdateData(true));
  EXPECT_EQ(check, 1);
  dlg.Click(11);
  ASSERT_TRUE(dlg.UpdateData(true));
  EXPECT_EQ(check, 0);
  check = 2;
  ASSERT_TRUE(dlg.UpdateData(false));
  EXPECT_EQ(dlg.IsDlgButtonChecked(11), 2);
}

TEST_F(DialogTest, RadioGroupsExchangeTheIndexOfTheCheckedButton) {
  FieldsDlg dlg;
  int type = 2;
  int other = -1;
  dlg.exchange = [&](CDataExchange* pDX) {
    DDX_Radio(pDX, 20, type);
    DDX_Radio(pDX, 24, other);
  };
  ASSERT_TRUE(dlg.UpdateData(false));
  EXPECT_EQ(dlg.IsDlgButtonChecked(20), 0);
  EXPECT_EQ(dlg.IsDlgButtonChecked(22), 1);
  EXPECT_EQ(dlg.IsDlgButtonChecked(24), 0);  // another group
  dlg.Click(21);
  EXPECT_EQ(dlg.IsDlgButtonChecked(22), 0);
  dlg.Click(24);
  EXPECT_EQ(dlg.IsDlgButtonChecked(21), 1);  // untouched by the other group
  ASSERT_TRUE(dlg.UpdateData(true));
  EXPECT_EQ(type, 1);
  EXPECT_EQ(other, 0);
  dlg.CheckDlgButton(21, 0);
  ASSERT_TRUE(dlg.UpdateData(true));
  EXPECT_EQ(type, -1);
}

TEST_F(DialogTest, ComboStringsSelectByPrefixOrFillTheEditField) {
  FieldsDlg dlg;
  for (const wchar_t* item : {L"2008", L"2010", L"OEM 2010"}) {
    dlg.AddString(12, item);
    dlg.AddString(13, item);
  }
  struct Row {
    const wchar_t* value;
    int dropDownSelection;
    const wchar_t* dropDownText;
    int listSelection;
    const wchar_t* listText;
  };
  const Row rows[] = {
      {L"2010", 1, L"2010", 1, L"2010"},
      {L"oem", 2, L"OEM 2010", 2, L"OEM 2010"},  // a prefix, without regard to case
      {L"20", 0, L"2008", 0, L"2008"},           // the first that begins so
      {L"1999", 0, L"1999", 0, L"2008"},         // no match: only the edit field changes
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::PrintToString(std::wstring(row.value)));
    std::wstring value = row.value;
    dlg.SetCurSel(12, 0);
    dlg.SetCurSel(13, 0);
    dlg.exchange = [&](CDataExchange* pDX) {
      DDX_CBString(pDX, 12, value);
      DDX_CBString(pDX, 13, value);
    };
    ASSERT_TRUE(dlg.UpdateData(false));
    EXPECT_EQ(dlg.GetCurSel(12), row.dropDownSelection);
    EXPECT_EQ(dlg.GetDlgItemText(12), row.dropDownText);
    EXPECT_EQ(dlg.GetCurSel(13), row.listSelection);
    EXPECT_EQ(dlg.GetDlgItemText(13), row.listText);
  }
  // Saving reads what the field shows.
  std::wstring typed;
  dlg.TypeText(12, L"2030");
  dlg.exchange = [&](CDataExchange* pDX) { DDX_CBString(pDX, 12, typed); };
  ASSERT_TRUE(dlg.UpdateData(true));
  EXPECT_EQ(typed, L"2030");
  EXPECT_EQ(dlg.GetCurSel(12), -1);
  EXPECT_FALSE(dlg.TypeText(13, L"2030"));  // a drop-down list has no edit field
}

TEST_F(DialogTest, IndexesOfCombosAndListsExchange) {
  FieldsDlg dlg;
  for (const wchar_t* item : {L"a", L"b", L"c"}) {
    dlg.AddString(12, item);
    dlg.AddString(14, item);
  }
  int combo = 2;
  int list = 1;
  dlg.exchange = [&](CDataExchange* pDX) {
    DDX_CBIndex(pDX, 12, combo);
    DDX_LBIndex(pDX, 14, list);
  };
  ASSERT_TRUE(dlg.UpdateData(false));
  EXPECT_EQ(dlg.GetCurSel(12), 2);
  EXPECT_EQ(dlg.GetDlgItemText(12), L"c");
  EXPECT_EQ(dlg.GetCurSel(14), 1);
  dlg.Select(14, 0);
  ASSERT_TRUE(dlg.UpdateData(true));
  EXPECT_EQ(list, 0);
  EXPECT_EQ(combo, 2);
  combo = 7;  // out of range clears the selection
  ASSERT_TRUE(dlg.UpdateData(false));
  EXPECT_EQ(dlg.GetCurSel(12), -1);
  ASSERT_TRUE(dlg.UpdateData(true));
  EXPECT_EQ(combo, -1);
}

TEST_F(DialogTest, MaxCharsRefusesLongTextAndLimitsTheEdit) {
  FieldsDlg dlg;
  std::wstring name = L"abc";
  dlg.exchange = [&](CDataExchange* pDX) {
    DDX_Text(pDX, 10, name);
    DDV_MaxChars(pDX, name, 5);
  };
  ASSERT_TRUE(dlg.UpdateData(false));
  EXPECT_EQ(dlg.GetControl(10)->textLimit, 5);
  dlg.TypeText(10, L"abcdefgh");
  EXPECT_EQ(dlg.GetDlgItemText(10), L"abcde");  // the edit takes no more
  ASSERT_TRUE(dlg.UpdateData(true));
  EXPECT_EQ(name, L"abcde");

  dlg.SetDlgItemText(10, L"abcdef");  // the program can put in more
  dlg.SetFocus(kIdcCancel);
  EXPECT_FALSE(dlg.UpdateData(true));
  ASSERT_EQ(ui_.Messages().size(), 1u);
  EXPECT_EQ(ui_.Messages()[0].text, L"Please enter no more than 5 characters.");
  EXPECT_EQ(dlg.GetFocus(), 10);
}

// --- Controls ------------------------------------------------------------------------

TEST_F(DialogTest, TextCopiesIntoABufferAreCutAndTerminated) {
  FieldsDlg dlg;
  dlg.SetDlgItemText(10, L"abcdef");
  struct Row {
    int size;
    int copied;
    const wchar_t* text;
  };
  for (const Row& row :
       {Row{10, 6, L"abcdef"}, Row{7, 6, L"abcdef"}, Row{6, 5, L"abcde"}, Row{1, 0, L""}}) {
    SCOPED_TRACE(row.size);
    wchar_t buffer[16];
    std::fill(std::begin(buffer), std::end(buffer), L'#');
    EXPECT_EQ(dlg.GetDlgItemText(10, buffer, row.size), row.copied);
    EXPECT_EQ(std::wstring(buffer), row.text);
  }
  wchar_t untouched = L'#';
  EXPECT_EQ(dlg.GetDlgItemText(10, &untouched, 0), 0);
  EXPECT_EQ(untouched, L'#');
}

TEST_F(DialogTest, SortedListsKeepTheirOrderAndSelection) {
  FieldsDlg dlg;
  EXPECT_EQ(dlg.AddString(13, L"b"), 0);
  dlg.SetItemData(13, 0, 20);
  dlg.SetCurSel(13, 0);
  EXPECT_EQ(dlg.AddString(13, L"A"), 0);
  EXPECT_EQ(dlg.AddString(13, L"c"), 2);
  EXPECT_EQ(dlg.AddString(13, L"B"), 2);  // after its equal
  EXPECT_EQ(dlg.GetCurSel(13), 1);
  EXPECT_EQ(dlg.GetItemData(13, 1), 20u);
  EXPECT_EQ(dlg.FindStringExact(13, L"C"), 3);
  EXPECT_TRUE(dlg.DeleteString(13, 0));
  EXPECT_EQ(dlg.GetCurSel(13), 0);
  EXPECT_EQ(dlg.GetItemText(13, 0), L"b");
  EXPECT_TRUE(dlg.DeleteString(13, 0));
  EXPECT_EQ(dlg.GetCurSel(13), -1);
  EXPECT_FALSE(dlg.DeleteString(13, 5));
  EXPECT_EQ(dlg.GetCount(13), 2);
  EXPECT_EQ(dlg.InsertString(14, -1, L"z"), 0);  // unsorted: appended
  EXPECT_EQ(dlg.InsertString(14, 3, L"y"), -1);
}

class TreeDlg : public FieldsDlg {
 public:
  bool OnNotify(int controlId, int code) override {
    notes.push_back({controlId, code});
    return true;
  }
  std::vector<std::pair<int, int>> notes;
};

TEST_F(DialogTest, TreesHoldItemsUnderTheirParents) {
  TreeDlg dlg;
  TreeItemHandle group = dlg.InsertTreeItem(30, kTreeRoot, L"KVDesign", 1, 1);
  TreeItemHandle entry = dlg.InsertTreeItem(30, group, L"Data = C:\\", 0, 0, 77);
  TreeItemHandle create = dlg.InsertTreeItem(30, entry, L"Create", 1, 1);
  TreeItemHandle other = dlg.InsertTreeItem(30, kTreeRoot, L"KVNest", 4, 4);
  ASSERT_NE(create, kTreeNone);
  EXPECT_EQ(dlg.GetTreeChildren(30, kTreeRoot), (std::vector<TreeItemHandle>{group, other}));
  EXPECT_EQ(dlg.GetTreeChildren(30, group), (std::vector<TreeItemHandle>{entry}));
  EXPECT_EQ(dlg.GetTreeItem(30, entry)->data, 77u);
  EXPECT_EQ(dlg.GetTreeItem(30, entry)->parent, group);
  EXPECT_EQ(dlg.InsertTreeItem(30, 99, L"x", 0, 0), kTreeNone);
  EXPECT_EQ(dlg.InsertTreeItem(10, kTreeRoot, L"x", 0, 0), kTreeNone);  // not a tree

  ASSERT_TRUE(dlg.SelectTreeItem(30, create));
  EXPECT_EQ(dlg.notes, (std::vector<std::pair<int, int>>{{30, CDialog::kTvnSelChanged}}));
  ASSERT_TRUE(dlg.DoubleClick(30));
  EXPECT_EQ(dlg.notes.back(), (std::pair<int, int>{30, CDialog::kNmDblClk}));

  ASSERT_TRUE(dlg.DeleteTreeItem(30, group));
  EXPECT_EQ(dlg.GetTreeSelection(30), kTreeNone);
  EXPECT_EQ(dlg.GetTreeItem(30, create), nullptr);
  EXPECT_EQ(dlg.GetTreeChildren(30, kTreeRoot), (std::vector<TreeItemHandle>{other}));
  EXPECT_EQ(dlg.InsertTreeItem(30, entry, L"x", 0, 0), kTreeNone);
  EXPECT_FALSE(dlg.SelectTreeItem(30, entry));
  EXPECT_TRUE(dlg.ExpandTreeItem(30, other));
  EXPECT_TRUE(dlg.GetTreeItem(30, other)->expanded);
  dlg.DeleteAllTreeItems(30);
  EXPECT_TRUE(dlg.GetTreeChildren(30, kTreeRoot).empty());
}

// Posts a refresh from its init and from OK, as the paths dialog does to fill its tree.
class PostingDlg : public FieldsDlg {
 public:
  bool OnInitDialog() override {
    PostUserMessage(1);
    log += L"init ";
    return true;
  }
  bool OnCommand(int controlId, int code) override {
    if (controlId == kIdcCancel && code == kBnClicked) {
      PostUserMessage(2);
      PostUserMessage(3);
      log += L"cancel ";
      if (endOnCancel) EndDialog(kIdCancel);
      return true;
    }
    return false;
  }
  void OnUserMessage(int message) override {
    log += L"message " + std::to_wstring(message) + L" ";
    if (message == 2) PostUserMessage(4);
  }
  bool endOnCancel = false;
  std::wstring log;
};

TEST_F(DialogTest, PostedMessagesArriveAfterTheEventThatPostedThem) {
  PostingDlg dlg;
  dlg.Start();
  EXPECT_EQ(dlg.log, L"init message 1 ");
  dlg.log.clear();
  dlg.Click(kIdcCancel);
  EXPECT_EQ(dlg.log, L"cancel message 2 message 3 message 4 ");
  dlg.log.clear();
  dlg.endOnCancel = true;
  dlg.Click(kIdcCancel);
  EXPECT_EQ(dlg.log, L"cancel ");  // the dialog ended: nothing is delivered
}

TEST_F(DialogTest, EventsReachOnlyControlsAUserCouldUse) {
  FieldsDlg dlg;
  EXPECT_FALSE(dlg.Click(kIdcOk));          // disabled
  EXPECT_FALSE(dlg.Click(10));              // an edit is no button
  EXPECT_FALSE(dlg.TypeText(33, L"x"));     // read-only
  EXPECT_FALSE(dlg.Click(999));             // no such control
  EXPECT_FALSE(dlg.Select(14, 0));          // no such item
  EXPECT_FALSE(dlg.Resize(300, 300));       // the dialog is not resizable
  EXPECT_TRUE(dlg.TypeText(32, L"1a2-3"));  // a number edit keeps the digits
  EXPECT_EQ(dlg.GetDlgItemText(32), L"123");
  dlg.ShowControl(11, false);
  EXPECT_FALSE(dlg.Click(11));
  EXPECT_EQ(dlg.IsDlgButtonChecked(11), 0);
  EXPECT_TRUE(dlg.PressEscape());
  EXPECT_EQ(dlg.Result(), kIdCancel);
  EXPECT_FALSE(dlg.Click(kIdcCancel));  // ended
}

}  // namespace
}  // namespace kv
