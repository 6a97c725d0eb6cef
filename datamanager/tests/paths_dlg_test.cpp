// The paths dialog through the scripted backend: the tree it shows, editing through the
// folder chooser, the stores on Apply, OK and a change of release, and Cancel.
#include "paths_dlg.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "KVPlatform/ini.h"
#include "KVPlatform/text.h"
#include "path_table.h"
#include "path_table_fixture.h"
#include "resources.h"

namespace kv::testing {
namespace {

using kv::datamanager::CPathsDlg;
using kv::datamanager::IDC_APPLY;
using kv::datamanager::IDC_INSTALL_PATH;
using kv::datamanager::IDC_PATH_STATUS;
using kv::datamanager::IDC_PATH_TREE;
using kv::datamanager::IDC_RELEASE_COMBO;
using kv::datamanager::IDC_VARIABLE_LIST;
using kv::datamanager::IDD_VARIABLE_LIST;

constexpr const wchar_t* kOlderRelease = L"Software\\Kestrel\\R24.2";

class PathsDlgTest : public PathTableTest {
 protected:
  // One release (2024) whose table has exactly two bad checked entries, both in
  // KVDispatcher, and one KVPunch post.
  void SmallInstall() {
    Set(Hive::kLocalMachine, kProductKey, L"Install Path", L"C:\\Kestrel\\");
    Set(Hive::kCurrentUser, kReleaseKey, L"Data Path", L"C:\\Data");
    Set(Hive::kLocalMachine, kReleaseKey, L"Data Path", L"C:\\Data");
    Set(Hive::kCurrentUser, L"Software\\Kestrel\\PIECEbank\\2024", L"Database Path", L"C:\\NC");
    std::string ini = "[KVNest]\r\ndxfdata=C:\\NC\r\n[KVDispatcher]\r\n";
    for (const char* key :
         {"kvdispatcherdbpath", "kvdispatchernccodepath", "kvdispatcherrequestpath",
          "kvdispatcherreleasepath", "kvdispatcherresponsepath", "kvdispatcherproclayoutspath"}) {
      ini += std::string(key) + "=C:\\NC\r\n";
    }
    ini += "kvdispatcherlayoutspath=C:\\Missing\r\n";  // archive path: not set at all
    TempRoot::WriteFile(C("Data/kvcfg/kestrel.ini"), ini);
    std::filesystem::create_directories(C("NC"));
    std::filesystem::create_directories(C("NoCrib"));
    TempRoot::WriteFile(C("Tools/crib.dbf"), "crib");
    TempRoot::WriteFile(C("Tools2/crib.dbf"), "crib");
    WritePost("KVPunch", "P1", "", "");
    TempRoot::WriteFile(C("Data/KVPunch/P1/P1.pst"), "(A \"\" \"a\" 1 ()())\r\n");
    std::filesystem::create_directories(C("Data/KVPunch/P1/nc"));
    SetPathVariable(L"C:\\Data\\KVPunch\\P1", L"MPOST.bin", L"PSM", L"NCTOOLS", "C:\\Tools");
    SetPathVariable(L"C:\\Data\\KVPunch\\P1", L"CPOST.bin", L"PSC", L"NCPATH", "C:\\NC");
    SetPathVariable(L"C:\\Data\\KVPunch\\P1", L"CPOST.bin", L"PSC", L"KVPB_AUTO_SETUP_PATH",
                    "C:\\NC");
    SetPathVariable(L"C:\\Data\\KVPunch\\P1", L"MPOST.bin", L"PSM", L"KVN_NC_OVERRIDE_PATH",
                    "C:\\Missing");
  }

  // The handle of the first tree item whose text begins with `text` (below `under`).
  static TreeItemHandle Node(CDialog& dlg, const std::wstring& text,
                             TreeItemHandle under = kTreeRoot) {
    for (TreeItemHandle child : dlg.GetTreeChildren(IDC_PATH_TREE, under)) {
      if (dlg.GetTreeItem(IDC_PATH_TREE, child)->text.rfind(text, 0) == 0) return child;
      TreeItemHandle found = Node(dlg, text, child);
      if (found != kTreeNone) return found;
    }
    return kTreeNone;
  }
  static void Open(CDialog& dlg, const std::wstring& text) {
    TreeItemHandle node = Node(dlg, text);
    ASSERT_NE(node, kTreeNone) << WideToAnsi(text);
    ASSERT_TRUE(dlg.SelectTreeItem(IDC_PATH_TREE, node));
    dlg.DoubleClick(IDC_PATH_TREE);
  }
  // "image text" of the children of a node.
  static std::vector<std::wstring> Children(CDialog& dlg, TreeItemHandle parent) {
    std::vector<std::wstring> shown;
    for (TreeItemHandle child : dlg.GetTreeChildren(IDC_PATH_TREE, parent)) {
      const TreeItem* item = dlg.GetTreeItem(IDC_PATH_TREE, child);
      shown.push_back(std::to_wstring(item->image) + L" " + item->text);
    }
    return shown;
  }
  std::string Variable(const char* file, const wchar_t* name) {
    kv_VarLib lib(L"C:\\Data\\KVPunch\\P1", AnsiToWide(file).c_str(),
                  std::string(file) == "MPOST.bin" ? L"PSM" : L"PSC", true);
    char* data = nullptr;
    if (lib.GetVarBin(L"1", name, &data) == 0) return "<none>";
    std::string text(data);
    free(data);
    return text;
  }
};

TEST_F(PathsDlgTest, TheTreeShowsGroupsPostsEntriesAndPermissions) {
  SmallInstall();
  ui_.QueueDialog([&](CDialog& dlg) {
    EXPECT_EQ(Children(dlg, kTreeRoot),
              (std::vector<std::wstring>{L"1 KVDesign", L"1 PIECEbank", L"1 KVPunch", L"1 KVNest",
                                         L"3 KVDispatcher"}));
    EXPECT_EQ(Children(dlg, Node(dlg, L"KVDesign")),
              (std::vector<std::wstring>{L"1 Data Path  =  C:\\Data\\", L"4 Border Path  =  "}));
    EXPECT_EQ(Children(dlg, Node(dlg, L"Data Path")),
              (std::vector<std::wstring>{L"1 Create", L"1 Write", L"1 Read", L"1 Delete"}));
    EXPECT_EQ(Children(dlg, Node(dlg, L"KVPunch")),
              (std::vector<std::wstring>{L"1 P1  (Unknown Version)"}));
    EXPECT_EQ(
        Children(dlg, Node(dlg, L"P1  (")),
        (std::vector<std::wstring>{
            L"1 Tooling Path  =  C:\\Tools\\", L"1 NC Code Path  =  C:\\NC\\",
            L"1 Setup Sheet Path  =  C:\\NC\\", L"2 KVNest AutoNC NC Code Path  =  C:\\Missing\\",
            L"1 Post File  =  C:\\Data\\KVPunch/P1/P1.pst"}));
    EXPECT_EQ(Children(dlg, Node(dlg, L"Tooling Path")).back(), L"1 RequiredFileExists");
    std::vector<std::wstring> dispatcher = Children(dlg, Node(dlg, L"KVDispatcher"));
    EXPECT_EQ(dispatcher[5], L"0 Archive Path  =  ");
    EXPECT_EQ(dispatcher[6], L"0 Layouts Path  =  C:\\Missing\\");
    EXPECT_EQ(Children(dlg, Node(dlg, L"Layouts Path")),
              (std::vector<std::wstring>{L"0 Create", L"0 Write", L"0 Read", L"0 Delete"}));
    // The unchecked add-in servers without values are white; the last group is open.
    EXPECT_EQ(Children(dlg, Node(dlg, L"PIECEbank"))[1], L"4 SolidWorks PIECEbank Path  =  ");
    EXPECT_TRUE(dlg.GetTreeItem(IDC_PATH_TREE, Node(dlg, L"KVDispatcher"))->expanded);
    EXPECT_EQ(dlg.GetDlgItemText(IDC_PATH_STATUS), L"2 Bad Paths Found");
    EXPECT_EQ(dlg.GetDlgItemText(IDC_INSTALL_PATH), L"C:\\Kestrel\\");
    EXPECT_EQ(dlg.GetDlgItemText(IDC_RELEASE_COMBO), L"2024");
    // The images: five pictures, the same as the state images.
    const ControlState* tree = dlg.GetControl(IDC_PATH_TREE);
    ASSERT_EQ(tree->images.size(), 5u);
    EXPECT_EQ(tree->images[3].label, L"yellow folder with a red !");
    EXPECT_EQ(tree->images[0].pixels[0], 0u);  // the mask colour is transparent
    EXPECT_EQ(tree->stateImages.size(), 5u);
  });
  EXPECT_FALSE(DisplayPathDialog(kProductKey, nullptr));
}

TEST_F(PathsDlgTest, AFolderWithoutTheRequiredFileIsRefusedAndCancelStoresNothing) {
  SmallInstall();
  ui_.QueueFolder(L"C:\\NoCrib");   // refused: no "crib.dbf"
  ui_.QueueFolder(L"c:\\TOOLS\\");  // the same folder in other case: nothing changes
  ui_.QueueFolder(L"C:\\Tools2");
  ui_.QueueDialog([&](CDialog& dlg) {
    Open(dlg, L"Tooling Path");
    EXPECT_FALSE(static_cast<CPathsDlg&>(dlg).Paths().IsEmpty());
    auto& paths = static_cast<CPathsDlg&>(dlg);
    auto modified = [&] {
      int n = 0;
      for (int i = 0; i < paths.Paths().GetSize(); ++i) {
        n += static_cast<CDataPath*>(paths.Paths()[i])->m_modified ? 1 : 0;
      }
      return n;
    };
    EXPECT_EQ(modified(), 0);
    Open(dlg, L"Tooling Path");
    EXPECT_EQ(modified(), 1);
    // The tree was filled again with the edited entry selected.
    const TreeItem* selected = dlg.GetTreeItem(IDC_PATH_TREE, dlg.GetTreeSelection(IDC_PATH_TREE));
    ASSERT_NE(selected, nullptr);
    EXPECT_EQ(selected->text, L"Tooling Path  =  C:\\Tools2\\");
    dlg.Click(kIdcCancel);
  });
  EXPECT_FALSE(DisplayPathDialog(kProductKey, nullptr));
  ASSERT_EQ(ui_.Messages().size(), 1u);
  EXPECT_EQ(ui_.Messages()[0].text,
            L"The selected directory is not a valid tool folder.\nThe path selected must contain "
            L"the following file\ncrib.dbf");
  ASSERT_EQ(ui_.FolderChoosers().size(), 3u);
  EXPECT_EQ(ui_.FolderChoosers()[1].initialFolder, L"C:\\Tools\\");  // asked again
  EXPECT_EQ(Variable("MPOST.bin", L"NCTOOLS"), "C:\\Tools");         // Cancel: unchanged
}

TEST_F(PathsDlgTest, ApplyWritesEachKindToItsStoreWithPlaceholdersPutBack) {
  SmallInstall();
  std::filesystem::create_directories(C("DB2"));
  std::filesystem::create_directories(C("Templates"));
  std::filesystem::create_directories(C("Setup"));
  ui_.QueueFolder(L"C:\\Data\\KVPunch\\P1\\nc");  // kind 0, in the post folder
  ui_.QueueFolder(L"C:\\Setup");                  // kind 0, the mirroring setup path
  ui_.QueueFolder(L"C:\\DB2");                    // kind 1
  ui_.QueueFolder(L"C:\\Data");                   // kind 2
  ui_.QueueFolder(L"C:\\Templates");              // kind 7: shown, never written
  ui_.QueueDialog([&](CDialog& dlg) {
    Open(dlg, L"NC Code Path");
    Open(dlg, L"Setup Sheet Path");
    Open(dlg, L"Database Path  =  C:\\NC");
    Open(dlg, L"DXF Path");
    Open(dlg, L"SolidEdge drawing template");
    dlg.Click(IDC_APPLY);
    EXPECT_EQ(Variable("CPOST.bin", L"NCPATH"), "%POSTPATH%\\nc\\");
    dlg.Click(kIdcCancel);  // what Apply stored stays
  });
  {
    kv_VarLib lib(L"C:\\Data\\KVPunch\\P1", L"CPOST.bin", L"PSC", false);
    ASSERT_EQ(lib.SetVar(L"1", L"KVPB_SETUP_TO_NC", 1), 1);
  }
  EXPECT_FALSE(DisplayPathDialog(kProductKey, nullptr));
  EXPECT_EQ(Variable("CPOST.bin", L"NCPATH"), "%POSTPATH%\\nc\\");
  EXPECT_EQ(Variable("CPOST.bin", L"KVPB_AUTO_SETUP_PATH"), "C:\\Setup\\");
  std::wstring text;
  ASSERT_TRUE(ReadRegistryText(Hive::kCurrentUser, L"Software\\Kestrel\\PIECEbank\\2024",
                               L"Database Path", &text)
                  .ok());
  EXPECT_EQ(text, L"C:\\DB2\\");
  ASSERT_TRUE(
      ReadProfileString(L"KVNest", L"dxfdata", L"", &text, L"C:\\Data\\kvcfg\\kestrel.ini"));
  EXPECT_EQ(text, L"C:\\Data\\");
  EXPECT_FALSE(
      ReadProfileString(L"kvdesign", L"SEtemplate", L"", &text, L"C:\\Data\\kvcfg\\kestrel.ini"));
  EXPECT_TRUE(ui_.Messages().empty());

  // A setup path that mirrored the NC path stops mirroring once it is set apart.
  ui_.QueueFolder(L"C:\\NC");
  ui_.QueueDialog([&](CDialog& dlg) {
    Open(dlg, L"Setup Sheet Path");
    dlg.Click(kIdcOk);
  });
  {
    kv_VarLib lib(L"C:\\Data\\KVPunch\\P1", L"CPOST.bin", L"PSC", false);
    ASSERT_EQ(lib.SetVar(L"1", L"KVPB_SETUP_TO_NC", 1), 1);
  }
  EXPECT_TRUE(DisplayPathDialog(kProductKey, nullptr));
  kv_VarLib lib(L"C:\\Data\\KVPunch\\P1", L"CPOST.bin", L"PSC", true);
  int mirror = -1;
  ASSERT_EQ(lib.GetVar(L"1", L"KVPB_SETUP_TO_NC", &mirror), 1);
  EXPECT_EQ(mirror, 0);
}

TEST_F(PathsDlgTest, AReleaseChangeStoresFirstAndTheTableFollowsTheRelease) {
  SmallInstall();
  Set(Hive::kCurrentUser, kOlderRelease, L"Data Path", L"C:\\Old Data");
  Set(Hive::kLocalMachine, kOlderRelease, L"Install Path", L"C:\\Old Kestrel");
  ui_.QueueFolder(L"C:\\Data");
  ui_.QueueDialog([&](CDialog& dlg) {
    EXPECT_EQ(dlg.GetCount(IDC_RELEASE_COMBO), 2);
    Open(dlg, L"DXF Path");
    ASSERT_TRUE(dlg.Select(IDC_RELEASE_COMBO, 0));  // 2023
    EXPECT_EQ(dlg.GetDlgItemText(IDC_INSTALL_PATH), L"C:\\Old Kestrel\\");
    EXPECT_EQ(Node(dlg, L"KVPunch"), kTreeNone);
    const TreeItem* dataPath = dlg.GetTreeItem(IDC_PATH_TREE, Node(dlg, L"Data Path"));
    ASSERT_NE(dataPath, nullptr);
    EXPECT_EQ(dataPath->text, L"Data Path  =  ");  // HKLM holds none for 2023
    dlg.Click(kIdcCancel);
  });
  EXPECT_FALSE(DisplayPathDialog(kProductKey, nullptr));
  std::wstring text;
  ASSERT_TRUE(
      ReadProfileString(L"KVNest", L"dxfdata", L"", &text, L"C:\\Data\\kvcfg\\kestrel.ini"));
  EXPECT_EQ(text, L"C:\\Data\\");
}

TEST_F(PathsDlgTest, ACommandManagerTabKeyIsRemovedOnlyOnYes) {
  SmallInstall();
  const std::wstring tabs =
      L"Software\\SolidWorks\\SOLIDWORKS 2017\\User Interface\\CommandManager\\AssyContext\\";
  Set(Hive::kCurrentUser, tabs + L"K1", L"RefName", L"KESTREL");
  Set(Hive::kCurrentUser, tabs + L"K1\\Buttons\\B1", L"Name", L"x");
  ui_.QueueAnswer(kIdNo);
  ui_.QueueAnswer(kIdYes);
  ui_.QueueDialog([&](CDialog& dlg) {
    Open(dlg, L"SolidWorks Menu Tab");
    Open(dlg, L"SolidWorks Menu Tab");
    EXPECT_NE(Node(dlg, L"SolidWorks Menu Tab  =  "), kTreeNone);
    EXPECT_EQ(dlg.GetTreeItem(IDC_PATH_TREE, Node(dlg, L"SolidWorks Menu Tab"))->text,
              L"SolidWorks Menu Tab  =  ");
    Open(dlg, L"SolidWorks Menu Tab");  // no value: nothing asked
    Open(dlg, L"Post File");            // the post's variable list
    dlg.Click(kIdcCancel);
  });
  DisplayPathDialog(kProductKey, nullptr);
  ASSERT_EQ(ui_.Messages().size(), 2u);
  EXPECT_EQ(ui_.Messages()[0].text, L"Are yo sure you want to remove this registry entry?");
  RegKey key;
  EXPECT_EQ(RegKey::Open(Hive::kCurrentUser, tabs + L"K1", kKeyRead, &key).code(),
            kErrorFileNotFound);
  EXPECT_TRUE(RegKey::Open(Hive::kCurrentUser, tabs, kKeyRead, &key).ok());
  ASSERT_EQ(ui_.Dialogs().size(), 2u);
  EXPECT_EQ(ui_.Dialogs()[1].templateId, IDD_VARIABLE_LIST);
  EXPECT_EQ(ui_.Dialogs()[1].AtStart(IDC_VARIABLE_LIST)->items, (std::vector<std::wstring>{L"A"}));
}

TEST_F(PathsDlgTest, WithoutAnInstalledReleaseTheDialogSaysSo) {
  Set(Hive::kLocalMachine, kProductKey, L"Install Path", L"C:\\Kestrel\\");
  ui_.QueueDialog([&](CDialog& dlg) {
    EXPECT_EQ(dlg.GetCount(IDC_RELEASE_COMBO), 0);
    EXPECT_TRUE(dlg.GetTreeChildren(IDC_PATH_TREE, kTreeRoot).empty());
    EXPECT_EQ(dlg.GetDlgItemText(IDC_PATH_STATUS), L"No installed release was found");
    // The frame cannot be made smaller than 650 x 300 pixels.
    ASSERT_TRUE(dlg.Resize(10, 10));
    EXPECT_EQ(dlg.Width(), 434);
    EXPECT_EQ(dlg.Height(), 185);
    EXPECT_EQ(dlg.GetControl(IDC_APPLY)->y, 268 - (289 - 185));
    dlg.Click(kIdcOk);
  });
  EXPECT_TRUE(DisplayPathDialog(kProductKey, nullptr));
}

}  // namespace
}  // namespace kv::testing
