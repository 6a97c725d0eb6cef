// KVDataManager's paths dialog under the desktop backend, on the demo installation: the
// dialog, the variable list and the variable editor laid out as their templates say, the
// tree following a resize, and an entry edited through the desktop's folder chooser, all
// driven as a user at the desktop would.
#include <wx/treectrl.h>
#include <wx/uiaction.h>

#include <gtest/gtest.h>

#include "KVDataManager/data_path.h"
#include "gui_testing.h"
#include "run_program.h"
#include "temp_root.h"

namespace kv::gui::testing {
namespace {

// The templates' ids, as the library's resources give them.
constexpr int kPathsDialog = 6003;
constexpr int kPathTree = 6033;
constexpr int kVariableList = 6005;
constexpr int kVariableAdd = 6036;
constexpr int kVariableEdit = 6006;

constexpr const wchar_t* kProductKey = L"SOFTWARE\\Kestrel\\KVDNC";
constexpr const wchar_t* kNewNcFolder =
    L"C:\\Users\\Public\\Documents\\Kestrel\\KVDNC\\Setup Sheets";

// The first item below `under` whose label begins with `prefix`, depth first.
wxTreeItemId FindItem(wxTreeCtrl* tree, const wxTreeItemId& under, const wxString& prefix) {
  wxTreeItemIdValue cookie;
  for (wxTreeItemId child = tree->GetFirstChild(under, cookie); child.IsOk();
       child = tree->GetNextChild(under, cookie)) {
    if (tree->GetItemText(child).StartsWith(prefix)) return child;
    const wxTreeItemId found = FindItem(tree, child, prefix);
    if (found.IsOk()) return found;
  }
  return wxTreeItemId();
}

// A double click on a tree item's label, as the user opens an entry.
void DoubleClickItem(wxTreeCtrl* tree, const wxString& prefix) {
  wxTreeItemId item;
  wxRect label;
  // The tree lays itself out when idle: scrolled to, the label must lie in the window.
  ASSERT_TRUE(WaitUntil([&] {
    item = FindItem(tree, tree->GetRootItem(), prefix);
    if (!item.IsOk()) return false;
    tree->EnsureVisible(item);
    return tree->GetBoundingRect(item, label, true) && label.y >= 0 &&
           label.GetBottom() < tree->GetClientSize().y;
  })) << prefix.utf8_str()
      << " at " << label.y;
  wxUIActionSimulator simulator;
  simulator.MouseMove(tree->ClientToScreen(label.GetPosition() + wxPoint(4, label.height / 2)));
  Settle();
  simulator.MouseClick();
  ASSERT_TRUE(WaitUntil([&] { return tree->GetSelection() == item; }))
      << tree->GetItemText(tree->GetSelection()).utf8_str() << " at " << label.x << "," << label.y;
  simulator.MouseDblClick();
  Settle();
}

TEST(PathsDialog, WindowsLaidOutAsTheirTemplatesAndAnEntryEditedThroughTheChooser) {
  KV_REQUIRE_GUI();
  kv::testing::TempRoot root;
  const std::string bin = KV_BIN_DIR;
  const kv::testing::ProgramRun setup = kv::testing::RunProgram(bin + "/kvdemo-setup --files 5");
  ASSERT_EQ(setup.status, 0) << setup.out;

  UseGui gui;
  WindowScript script;
  bool listDone = false, chooserDone = false;
  script.Then([&](const ShownWindow& paths) {
    ASSERT_NE(paths.dialog, nullptr);
    EXPECT_EQ(paths.dialog->Template().id, kPathsDialog);
    ExpectLaidOutAsModel(paths.window, *paths.dialog);
    EXPECT_FALSE(SaveScreenshot(paths.window, "paths_dialog").empty());

    auto* tree = dynamic_cast<wxTreeCtrl*>(Control(paths.window, kPathTree));
    ASSERT_NE(tree, nullptr);
    wxWindow* ok = Control(paths.window, kIdcOk);

    // A post's variable list, then a folder for an NC path; then OK stores it.
    DoubleClickItem(tree, "Post File");
    EXPECT_TRUE(WaitUntil([&] { return listDone; }));
    DoubleClickItem(tree, "NC Code Path");
    EXPECT_TRUE(WaitUntil([&] { return chooserDone; }));
    EXPECT_TRUE(WaitUntil([&] {
      return FindItem(tree, tree->GetRootItem(),
                      "NC Code Path  =  C:\\Users\\Public\\Documents\\"
                      "Kestrel\\KVDNC\\Setup Sheets\\")
          .IsOk();
    }));

    // Made larger, the tree grows with the window and OK keeps its distance from the
    // bottom edge.
    const wxSize treeBefore = tree->GetSize();
    const int okBefore = ok->GetPosition().y;
    paths.window->SetSize(paths.window->GetSize() + wxSize(120, 90));
    EXPECT_TRUE(WaitUntil([&] { return tree->GetSize().y > treeBefore.y + 60; }));
    EXPECT_NEAR(tree->GetSize().x - treeBefore.x, 120, 4);
    EXPECT_NEAR(ok->GetPosition().y - okBefore, 90, 4);
    ExpectLaidOutAsModel(paths.window, *paths.dialog);
    ClickOn(ok);
  });
  script.Then([&](const ShownWindow& list) {
    ASSERT_NE(list.dialog, nullptr);
    EXPECT_EQ(list.dialog->Template().id, kVariableList);
    ExpectLaidOutAsModel(list.window, *list.dialog);
    EXPECT_FALSE(SaveScreenshot(list.window, "variable_list").empty());
    bool editDone = false;
    script.First([&](const ShownWindow& edit) {
      ASSERT_NE(edit.dialog, nullptr);
      EXPECT_EQ(edit.dialog->Template().id, kVariableEdit);
      ExpectLaidOutAsModel(edit.window, *edit.dialog);
      EXPECT_FALSE(SaveScreenshot(edit.window, "variable_edit").empty());
      PressKey(WXK_ESCAPE);
      editDone = true;
    });
    ClickOn(Control(list.window, kVariableAdd));
    EXPECT_TRUE(WaitUntil([&] { return editDone; }));
    Settle();
    PressKey(WXK_ESCAPE);
    listDone = true;
  });
  script.Then([&](const ShownWindow& chooser) {
    EXPECT_EQ(chooser.kind, WindowKind::kFolderChooser);
    AnswerFolderChooser(chooser, std::wstring(kNewNcFolder));
    chooserDone = true;
  });

  EXPECT_TRUE(DisplayPathDialog(kProductKey, nullptr));
  EXPECT_EQ(script.Pending(), 0u);

  // What OK stored is what the table reads back.
  const kv::testing::ProgramRun listed = kv::testing::RunProgram(bin + "/kvpaths --list");
  EXPECT_NE(listed.out.find(
                "NC Code Path = C:\\Users\\Public\\Documents\\Kestrel\\KVDNC\\Setup Sheets\\"),
            std::string::npos)
      << listed.out;
}

}  // namespace
}  // namespace kv::gui::testing
