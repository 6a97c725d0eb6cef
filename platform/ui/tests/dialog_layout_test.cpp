// The dialog model's layout on resizing and its pixel conversions.
#include "KVPlatform/dialog.h"

#include <vector>

#include <gtest/gtest.h>

namespace kv {
namespace {

const DialogTemplate kTemplate = {
    600,
    L"Layout",
    200,
    100,
    L"MS Shell Dlg",
    8,
    kDialogModalFrame | kDialogSysMenu,
    {
        {10, ControlKind::kStatic, 20, 58, 100, 10, L"control"},
        {11, ControlKind::kStatic, 0, 0, 10, 10, L"unrecorded"},
    },
};

// A dialog that lays its controls out again whenever its size changes.
class LayoutDlg : public CDialog {
 public:
  LayoutDlg() : CDialog(kTemplate) {}
  void OnSize(int, int) override {
    ++sizes;
    ApplyLayout();
  }
  int sizes = 0;
};

// Every combination of the flags on both axes, the dialog grown from 200 x 100 to
// 300 x 120 units, for a control at (20, 58), 100 x 10.
TEST(DialogLayout, FlagsDecideWhereEachEdgeGoes) {
  struct Row {
    unsigned flags;
    int x, cx, y, cy;
  };
  const Row rows[] = {
      {kLayoutNone, 30, 150, 70, 12},  // both edges scale
      {kLayoutKeepSize, 30, 100, 70, 10},
      {kLayoutKeepLeading, 20, 160, 58, 24},
      {kLayoutKeepTrailing, 30, 190, 70, 18},
      {kLayoutKeepSize | kLayoutKeepTrailing, 120, 100, 78, 10},    // moves with the edge
      {kLayoutKeepLeading | kLayoutKeepTrailing, 20, 200, 58, 30},  // stretches
      {kLayoutKeepSize | kLayoutKeepLeading, 20, 100, 58, 10},      // stays
      {kLayoutKeepSize | kLayoutKeepLeading | kLayoutKeepTrailing, 20, 200, 58, 30},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.flags);
    LayoutDlg dialog;
    dialog.Start();
    dialog.SetLayoutForAllControls(kLayoutNone, kLayoutNone);
    dialog.SetControlLayout(10, row.flags, row.flags);  // the later record counts
    dialog.SetWindowSize(300, 120);
    EXPECT_EQ(dialog.sizes, 1);
    const ControlState* control = dialog.GetControl(10);
    EXPECT_EQ((std::vector<int>{control->x, control->cx, control->y, control->cy}),
              (std::vector<int>{row.x, row.cx, row.y, row.cy}));
  }
}

TEST(DialogLayout, ProgramResizesAnyDialogAndUnitsConvertInItsFont) {
  LayoutDlg dialog;
  dialog.Start();
  EXPECT_FALSE(dialog.Resize(300, 300));  // not resizable by the user
  dialog.SetWindowSize(200, 110);         // but by the program
  EXPECT_EQ(dialog.Height(), 110);
  EXPECT_EQ(dialog.GetControl(11)->cy, 10);  // unrecorded controls stay
  // The standard font: 6 x 13 pixels per character, 4 x 8 units per character.
  EXPECT_EQ(dialog.DialogUnitsToPixelsY(94), 153);
  EXPECT_EQ(dialog.PixelsToDialogUnitsY(16), 10);
  EXPECT_EQ(dialog.PixelsToDialogUnitsY(32), 20);
  EXPECT_EQ(dialog.DialogUnitsToPixelsX(4), 6);
  dialog.SetBaseUnits(8, 16);
  EXPECT_EQ(dialog.PixelsToDialogUnitsY(16), 8);
  EXPECT_EQ(dialog.PixelsToDialogUnitsX(-3), -2);
}

}  // namespace
}  // namespace kv
