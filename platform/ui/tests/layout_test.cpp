// The model's resizing (layout flags, the least size), image lists cut from a bitmap, and
// owner-drawn rows.
#include <gtest/gtest.h>

#include "KVPlatform/dialog.h"
#include "KVPlatform/scripted_ui.h"

namespace kv {
namespace {

const DialogTemplate kResizable = {
    600,
    L"Resizable",
    200,
    100,
    L"MS Shell Dlg",
    8,
    kDialogModalFrame | kDialogSysMenu | kDialogResizable,
    {
        {10, ControlKind::kTreeView, 5, 5, 190, 70, L""},
        {11, ControlKind::kStatic, 5, 80, 60, 8, L"status"},
        {12, ControlKind::kPushButton, 140, 80, 50, 14, L"Close"},
        {13, ControlKind::kListView, 5, 5, 50, 50, L"", kStyleReportView | kStyleOwnerDrawFixed},
        {14, ControlKind::kListView, 60, 5, 50, 50, L"", kStyleReportView},
        {15, ControlKind::kEdit, 70, 80, 60, 12, L""},
    },
};

class ResizableDlg : public CDialog {
 public:
  ResizableDlg() : CDialog(kResizable) {}
  bool OnInitDialog() override {
    constexpr unsigned kStretch = kLayoutKeepLeading | kLayoutKeepTrailing;
    constexpr unsigned kStay = kLayoutKeepLeading | kLayoutKeepSize;
    constexpr unsigned kFollow = kLayoutKeepSize | kLayoutKeepTrailing;
    SetControlLayout(10, kStretch, kStretch);
    SetControlLayout(11, kStay, kFollow);
    SetControlLayout(12, kFollow, kFollow);
    SetControlLayout(15, kStretch, kFollow);
    return true;
  }
  void OnSize(int, int) override { ApplyLayout(); }
  void OnGetMinMaxInfo(MinMaxInfo* info) override {
    info->minTrackWidth = 150;   // 100 dialog units
    info->minTrackHeight = 130;  // 80 dialog units
  }
  bool OnDrawItem(const DrawItem& item, DrawnRow* row) override {
    row->background = item.selected ? SysColor::kHighlight : SysColor::kWindow;
    row->foreground = item.disabled ? SysColor::kGrayText : SysColor::kWindowText;
    row->cells.push_back(
        {L"row " + std::to_wstring(item.row) + L" data " + std::to_wstring(item.data), 0, 40,
         kEdgeRight | kEdgeBottom});
    return true;
  }
};

std::string Rect(const ControlState* c) {
  return std::to_string(c->x) + "," + std::to_string(c->y) + " " + std::to_string(c->cx) + "x" +
         std::to_string(c->cy);
}

TEST(LayoutTest, ChildrenFollowTheirLayoutDownToTheLeastSize) {
  InstallScriptedUi();
  ResizableDlg dlg;
  dlg.Start();
  struct Row {
    int cx, cy;          // asked
    int width, height;   // got
    const char* tree;    // grows both ways
    const char* status;  // moves with the bottom
    const char* button;  // moves with the bottom right corner
    const char* edit;    // grows right, moves down
  };
  const Row rows[] = {
      {260, 130, 260, 130, "5,5 250x100", "5,110 60x8", "200,110 50x14", "70,110 120x12"},
      {200, 100, 200, 100, "5,5 190x70", "5,80 60x8", "140,80 50x14", "70,80 60x12"},
      {10, 10, 100, 80, "5,5 90x50", "5,60 60x8", "40,60 50x14", "70,60 0x12"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.cx);
    ASSERT_TRUE(dlg.Resize(row.cx, row.cy));
    EXPECT_EQ(dlg.Width(), row.width);
    EXPECT_EQ(dlg.Height(), row.height);
    EXPECT_EQ(Rect(dlg.GetControl(10)), row.tree);
    EXPECT_EQ(Rect(dlg.GetControl(11)), row.status);
    EXPECT_EQ(Rect(dlg.GetControl(12)), row.button);
    EXPECT_EQ(Rect(dlg.GetControl(15)), row.edit);
  }
}

TEST(LayoutTest, OwnerDrawnRowsAreDrawnByTheDialog) {
  InstallScriptedUi();
  ResizableDlg dlg;
  dlg.Start();
  for (int id : {13, 14}) {
    dlg.AddString(id, L"a");
    dlg.AddString(id, L"b");
    dlg.SetItemData(id, 1, 42);
  }
  dlg.SetCurSel(13, 1);
  DrawnRow row;
  ASSERT_TRUE(dlg.DrawListRow(13, 1, &row));
  EXPECT_EQ(row.background, SysColor::kHighlight);
  ASSERT_EQ(row.cells.size(), 1u);
  EXPECT_EQ(row.cells[0].text, L"row 1 data 42");
  dlg.EnableControl(13, false);
  ASSERT_TRUE(dlg.DrawListRow(13, 0, &row));
  EXPECT_EQ(row.background, SysColor::kWindow);
  EXPECT_EQ(row.foreground, SysColor::kGrayText);
  EXPECT_FALSE(dlg.DrawListRow(13, 2, &row));  // no such row
  EXPECT_FALSE(dlg.DrawListRow(14, 0, &row));  // not owner-drawn
}

TEST(LayoutTest, ImageListsAreCutFromABitmapWithItsMaskColourTransparent) {
  // Two 2x2 images side by side: white is the mask colour.
  const std::vector<uint32_t> strip = {0xFFFFFF, 0xFF0000, 0x00FF00, 0xFFFFFF,
                                       0x000000, 0xFFFFFF, 0xFEFEFE, 0x0000FF};
  std::vector<ImagePicture> images =
      MakeImageList(strip, 4, 2, 0xFFFFFF, {L"red", L"green"}, {L"[x]"});
  ASSERT_EQ(images.size(), 2u);
  EXPECT_EQ(images[0].pixels, (std::vector<uint32_t>{0, 0xFFFF0000, 0xFF000000, 0}));
  EXPECT_EQ(images[1].pixels, (std::vector<uint32_t>{0xFF00FF00, 0, 0xFFFEFEFE, 0xFF0000FF}));
  EXPECT_EQ(images[1].label, L"green");
  EXPECT_EQ(images[1].marker, L"");
  EXPECT_TRUE(MakeImageList(strip, 3, 2, 0xFFFFFF, {}).empty());  // not whole rows
}

}  // namespace
}  // namespace kv
