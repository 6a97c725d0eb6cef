// Custom variable lists: the line format both ways, the unneeded names, the saves with
// their backups, and the two dialogs driven through the scripted backend.
#include "variable_list.h"

#include <sys/stat.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "KVPlatform/text.h"
#include "path_table.h"
#include "resources.h"
#include "temp_root.h"

namespace {

using kv::datamanager::CVariableEditDlg;
using kv::datamanager::CVarListDlg;
using kv::datamanager::DisplayValue;
using kv::datamanager::IDC_TYPE_INTEGER;
using kv::datamanager::IDC_VARIABLE_ADD;
using kv::datamanager::IDC_VARIABLE_DELETE;
using kv::datamanager::IDC_VARIABLE_LIST;
using kv::datamanager::IDC_VARIABLE_NAME;
using kv::datamanager::IDC_VARIABLE_PICK;
using kv::datamanager::IDC_VARIABLE_VALUE;
using kv::datamanager::LoadVariables;
using kv::datamanager::ModuleInstallPath;
using kv::datamanager::ParseVariable;
using kv::datamanager::PstVar;
using kv::datamanager::ReadVariableList;
using kv::datamanager::SaveVariableList;
using kv::testing::TempRoot;

class VariableListTest : public kv::testing::RootTest {
 protected:
  VariableListTest() { ModuleInstallPath() = L"C:\\Kestrel\\"; }
  std::filesystem::path C(const std::string& relative) { return root_.Drive(L'c') / relative; }
  std::vector<std::wstring> Read(const wchar_t* path) {
    std::vector<std::wstring> lines;
    ReadVariableList(path, lines);
    return lines;
  }
};

TEST_F(VariableListTest, LinesParseByTheTypeRules) {
  struct Row {
    const wchar_t* line;
    int type;
    const wchar_t* name;
    const wchar_t* description;
    const wchar_t* value;  // as the list shows it
  };
  const Row rows[] = {
      {L"(ABC \"\" \"First value\" 12 ()())", PstVar::kInteger, L"ABC", L"First value", L"12"},
      {L"(ABC \"\" \"First value\" 12.5 ()())", PstVar::kReal, L"ABC", L"First value", L"12.5000"},
      {L"(ABC \"\" \"First value\" \"x y\" ()())", PstVar::kString, L"ABC", L"First value", L"x y"},
      {L"(ABC \"\" \"First value\" t ()())", PstVar::kBoolean, L"ABC", L"First value", L"T"},
      {L"(ABC \"\" \"d\" NiL ()())", PstVar::kBoolean, L"ABC", L"d", L"nil"},
      {L"(ABC \"\" \"First value\" -5 ()())", PstVar::kOther, L"ABC", L"First value", L"-5"},
      {L"(ABC \"\" \"d\" ()())", PstVar::kInteger, L"ABC", L"d", L"0"},  // empty: 0
      {L"(PAD                      \"\" \"padded   \" 1 ()())", PstVar::kInteger, L"PAD",
       L"padded   ", L"1"},
      {L"(Q \"\" \"d\" \"say \"hi\"\" ()())", PstVar::kString, L"Q", L"d", L"say \"hi\""},
      {L"(Q \"\" \"d\" \"open ()())", PstVar::kString, L"Q", L"d", L"open"},
      // Values that no number holds stay as they are.
      {L"(BIG \"\" \"d\" 99999999999 ()())", PstVar::kOther, L"BIG", L"d", L"99999999999"},
      {L"(DOTS \"\" \"d\" 1.2.3 ()())", PstVar::kOther, L"DOTS", L"d", L"1.2.3"},
      {L"(DOT \"\" \"d\" . ()())", PstVar::kOther, L"DOT", L"d", L"."},
      {L"(BARE 7)", PstVar::kOther, L"BARE", L"", L"7)"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(kv::WideToAnsi(row.line));
    PstVar variable = ParseVariable(row.line);
    EXPECT_EQ(variable.type, row.type);
    EXPECT_EQ(variable.name, row.name);
    EXPECT_EQ(variable.description, row.description);
    EXPECT_EQ(DisplayValue(variable), row.value);
  }
}

TEST_F(VariableListTest, ListsReadWithoutUnneededNamesAndMergeDuplicates) {
  TempRoot::WriteFile(C("Kestrel/Unneededvars.txt"), "  \"OLD_\"\r\n\r\n   \r\nobsolete\r\n");
  TempRoot::WriteFile(
      C("list.txt"),
      "; comment\r\n  (OLD_PATH \"\" \"a\" 1 ()())\r\n(NCPATH \"\" \"b\" 2 ()())\r\n"
      "(OBSOLETEVAR \"\" \"c\" 3 ()())\r\nnot a variable\r\n"
      "(ncpath \"\" \"later\" \"x\" ()())\r\n(KEEP \"\" \"k\" T ()())\r\n");
  std::vector<std::wstring> lines = Read(L"C:\\list.txt");
  ASSERT_EQ(lines.size(), 3u);  // the empty line of Unneededvars.txt hides nothing
  EXPECT_EQ(lines[0], L"(NCPATH \"\" \"b\" 2 ()())");
  std::vector<PstVar*> records;
  LoadVariables(lines, records);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0]->name, L"ncpath");  // the later line, in the first one's place
  EXPECT_EQ(records[0]->description, L"later");
  EXPECT_EQ(records[1]->name, L"KEEP");
  for (PstVar* record : records) delete record;
  EXPECT_TRUE(Read(L"C:\\missing.txt").empty());
}

TEST_F(VariableListTest, SavesRoundTripAndKeepBackups) {
  const std::string original =
      "(S \"\" \"text\" \"a b\" ()())\r\n(R \"\" \"real\" 2.5 ()())\r\n(B \"\" \"flag\" nil "
      "()())\r\n";
  TempRoot::WriteFile(C("vars.txt"), original);
  std::vector<PstVar*> records;
  LoadVariables(Read(L"C:\\vars.txt"), records);
  ASSERT_TRUE(SaveVariableList(L"C:\\vars.txt", records));
  const std::string saved = TempRoot::ReadFile(C("vars.txt"));
  EXPECT_EQ(saved,
            "(S                        \"\" \"text                          \" \"a b\" ()())\r\n"
            "(R                        \"\" \"real                          \" 2.5000 ()())\r\n"
            "(B                        \"\" \"flag                          \" nil ()())\r\n");
  EXPECT_EQ(TempRoot::ReadFile(C("vars.txtorg")), original);
  EXPECT_FALSE(std::filesystem::exists(C("vars.txtold")));
  for (PstVar* record : records) delete record;
  records.clear();

  // Loading and saving again gives the same bytes; the first backup stays.
  LoadVariables(Read(L"C:\\vars.txt"), records);
  records[0]->text = L"changed";
  ASSERT_TRUE(SaveVariableList(L"C:\\vars.txt", records));
  records[0]->text = L"a b";
  ASSERT_TRUE(SaveVariableList(L"C:\\vars.txt", records));
  EXPECT_EQ(TempRoot::ReadFile(C("vars.txt")), saved);
  EXPECT_EQ(TempRoot::ReadFile(C("vars.txtorg")), original);
  EXPECT_NE(TempRoot::ReadFile(C("vars.txtold")).find("\"changed\""), std::string::npos);

  // A list that cannot be replaced stays whole.
  chmod(C("vars.txt").c_str(), 0444);
  records[0]->text = L"lost?";
  EXPECT_FALSE(SaveVariableList(L"C:\\vars.txt", records));
  EXPECT_EQ(TempRoot::ReadFile(C("vars.txt")), saved);
  for (PstVar* record : records) delete record;
}

// The list dialog: Add (a duplicate refused), Edit with a bad Boolean corrected, Delete,
// OK saving; Cancel saving nothing.
TEST_F(VariableListTest, TheListDialogEditsAndSavesOnOkOnly) {
  const std::string original = "(A \"\" \"first\" 1 ()())\r\n(B \"\" \"second\" T ()())\r\n";
  TempRoot::WriteFile(C("vars.txt"), original);
  std::vector<std::wstring> lines = Read(L"C:\\vars.txt");
  ui_.QueueDialog([](kv::CDialog& dlg) {  // the list
    // Owner-drawn rows show the records' values.
    kv::DrawnRow row;
    ASSERT_TRUE(dlg.DrawListRow(IDC_VARIABLE_LIST, 1, &row));
    ASSERT_EQ(row.cells.size(), 3u);
    EXPECT_EQ(row.cells[2].text, L"T");
    EXPECT_EQ(row.cells[1].left, 120);
    dlg.Click(IDC_VARIABLE_ADD);  // a new "a": refused as a duplicate
    dlg.Click(IDC_VARIABLE_ADD);  // a new "C"
    dlg.Select(IDC_VARIABLE_LIST, 1);
    dlg.DoubleClick(IDC_VARIABLE_LIST);  // edit B
    dlg.Select(IDC_VARIABLE_LIST, 0);
    dlg.Click(IDC_VARIABLE_DELETE);
    dlg.Click(kv::kIdcOk);
  });
  ui_.QueueDialog([](kv::CDialog& dlg) {
    dlg.TypeText(IDC_VARIABLE_NAME, L"a");
    dlg.Click(kv::kIdcOk);
  });
  ui_.QueueDialog([](kv::CDialog& dlg) {
    dlg.TypeText(IDC_VARIABLE_NAME, L"C");
    dlg.Click(IDC_TYPE_INTEGER + 1);
    dlg.TypeText(IDC_VARIABLE_VALUE, L"3.25");
    dlg.Click(kv::kIdcOk);
  });
  ui_.QueueDialog([](kv::CDialog& dlg) {
    EXPECT_EQ(dlg.GetDlgItemText(IDC_VARIABLE_VALUE), L"T");
    dlg.TypeText(IDC_VARIABLE_VALUE, L"maybe");
    dlg.Click(kv::kIdcOk);  // refused
    EXPECT_FALSE(dlg.IsEnded());
    dlg.TypeText(IDC_VARIABLE_VALUE, L"NIL");
    dlg.Click(kv::kIdcOk);
  });
  CVarListDlg dlg(L"C:\\vars.txt", &lines, 0);
  EXPECT_EQ(dlg.DoModal(), kv::kIdOk);
  std::vector<std::wstring> texts;
  for (const auto& message : ui_.Messages()) texts.push_back(message.text);
  EXPECT_EQ(texts, (std::vector<std::wstring>{L"That Variable is already in the list",
                                              L"Invalid Boolean Value"}));
  EXPECT_EQ(TempRoot::ReadFile(C("vars.txt")),
            "(B                        \"\" \"second                        \" nil ()())\r\n"
            "(C                        \"\" \"Description                   \" 3.2500 ()())\r\n");

  // Cancel after changes writes nothing.
  const std::string saved = TempRoot::ReadFile(C("vars.txt"));
  lines = Read(L"C:\\vars.txt");
  ui_.QueueDialog([](kv::CDialog& d) {
    d.Select(IDC_VARIABLE_LIST, 0);
    d.Click(IDC_VARIABLE_DELETE);
    d.Click(kv::kIdcCancel);
  });
  CVarListDlg cancelled(L"C:\\vars.txt", &lines, 0);
  EXPECT_EQ(cancelled.DoModal(), kv::kIdCancel);
  EXPECT_EQ(TempRoot::ReadFile(C("vars.txt")), saved);
}

TEST_F(VariableListTest, VariableNamePicksFromTheCommonList) {
  TempRoot::WriteFile(
      C("Kestrel/CommonVars.txt"),
      "(NCPATH \"\" \"NC code folder\" \"C:\\NC\\\" ()())\r\n(UNITS \"\" \"units\" 2 ()())\r\n");
  ui_.QueueDialog([](kv::CDialog& dlg) {  // the edit dialog
    dlg.Click(IDC_VARIABLE_PICK);
    EXPECT_EQ(dlg.GetDlgItemText(IDC_VARIABLE_NAME), L"NCPATH");
    EXPECT_EQ(dlg.GetDlgItemText(IDC_VARIABLE_VALUE), L"C:\\NC\\");
    EXPECT_EQ(dlg.IsDlgButtonChecked(IDC_TYPE_INTEGER + 2), 1);
    dlg.Click(kv::kIdcOk);
  });
  ui_.QueueDialog([](kv::CDialog& dlg) {  // the common list, in pick mode
    dlg.Click(kv::kIdcOk);                // nothing selected
    EXPECT_FALSE(dlg.IsEnded());
    dlg.Select(IDC_VARIABLE_LIST, 0);
    dlg.Click(kv::kIdcOk);
  });
  PstVar variable;
  CVariableEditDlg dlg(&variable, nullptr);
  EXPECT_EQ(dlg.DoModal(), kv::kIdOk);
  EXPECT_EQ(variable.name, L"NCPATH");
  EXPECT_EQ(variable.type, PstVar::kString);
  EXPECT_EQ(variable.text, L"C:\\NC\\");
  ASSERT_EQ(ui_.Messages().size(), 1u);
  EXPECT_EQ(ui_.Messages()[0].text, L"No item selected.");
  // The common list was not changed, so it was not written.
  EXPECT_FALSE(std::filesystem::exists(C("Kestrel/CommonVars.txtorg")));
}

}  // namespace
