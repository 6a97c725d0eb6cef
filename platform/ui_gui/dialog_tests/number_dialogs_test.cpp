// KVNumber's "Invalid Value Entered" dialog under the desktop backend: laid out as its
// template says, and the flow a user goes through when a field refuses a value.
#include <gtest/gtest.h>

#include "KVNumber/ddx.h"
#include "KVPlatform/dialog.h"
#include "gui_testing.h"

namespace kv::gui::testing {
namespace {

constexpr int kLength = 100;

const DialogTemplate kHostTemplate = {
    900,
    L"Drill Cycle",
    160,
    56,
    L"MS Shell Dlg",
    8,
    kDialogModalFrame | kDialogSysMenu,
    {
        {kIdcStatic, ControlKind::kStatic, 7, 9, 60, 8, L"&Depth (0 to 10):"},
        {kLength, ControlKind::kEdit, 70, 7, 60, 14, L"", kStyleBorder | kStyleTabStop},
        {kIdcOk, ControlKind::kDefPushButton, 46, 34, 50, 14, L"OK", kStyleTabStop},
        {kIdcCancel, ControlKind::kPushButton, 103, 34, 50, 14, L"Cancel", kStyleTabStop},
    },
};

// A dialog with a length field checked against 0..10: a value out of range opens the
// invalid-value dialog, where the user may correct it.
class DrillDlg : public CDialog {
 public:
  DrillDlg() : CDialog(kHostTemplate) {}
  void DoDataExchange(CDataExchange* pDX) override {
    DDX_Real(pDX, kLength, depth);
    if (pDX->m_bSaveAndValidate) DDV_RealEdit(pDX, depth, 0.0, 10.0);
  }
  double depth = 2.0;
};

TEST(InvalidValueDialog, IsLaidOutAsItsTemplateAndCorrectsTheField) {
  KV_REQUIRE_GUI();
  struct Row {
    const char* name;
    const wchar_t* corrected;  // typed into the invalid-value dialog; null: cancelled
    int result;
    double depth;
  };
  const Row rows[] = {
      {"corrected and accepted", L"7.5", kIdOk, 7.5},
      // The field's exchange stored the refused value before its check refused it.
      {"correction cancelled", nullptr, kIdCancel, 50.0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    UseGui gui;
    WindowScript script;
    script.Then([&](const ShownWindow& host) {
      TypeInto(Control(host.window, kLength), L"50");
      ClickOn(Control(host.window, kIdcOk));
      if (row.corrected == nullptr) {
        // The field kept its refused value; the user gives up.
        ClickOn(Control(host.window, kIdcCancel));
      }
    });
    script.Then([&](const ShownWindow& invalid) {
      ASSERT_NE(invalid.dialog, nullptr);
      EXPECT_EQ(invalid.dialog->Template().id, 12000);
      ExpectLaidOutAsModel(invalid.window, *invalid.dialog);
      EXPECT_EQ(Control(invalid.window, 12002)->GetLabel(), "0.0000");
      EXPECT_EQ(Control(invalid.window, 12003)->GetLabel(), "10.0000");
      if (row.corrected != nullptr) {
        EXPECT_FALSE(SaveScreenshot(invalid.window, "invalid_value").empty());
        TypeInto(Control(invalid.window, 12000), row.corrected);
        PressKey(WXK_RETURN);
      } else {
        PressKey(WXK_ESCAPE);
      }
    });
    DrillDlg host;
    EXPECT_EQ(host.DoModal(), row.result);
    EXPECT_EQ(host.depth, row.depth);
    EXPECT_EQ(script.Pending(), 0u);
  }
}

}  // namespace
}  // namespace kv::gui::testing
