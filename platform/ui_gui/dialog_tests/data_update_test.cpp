// KVDataManager's data update under the desktop backend, on the demo installation: its
// progress window and its message boxes come as windows.
#include <gtest/gtest.h>

#include "KVDataManager/migrate_data.h"
#include "KVPlatform/text.h"
#include "gui_testing.h"
#include "run_program.h"
#include "temp_root.h"

namespace kv::gui::testing {
namespace {

TEST(DataUpdate, ShowsItsProgressWindowAndItsBoxesAsWindows) {
  KV_REQUIRE_GUI();
  kv::testing::TempRoot root;
  const kv::testing::ProgramRun setup =
      kv::testing::RunProgram(std::string(KV_BIN_DIR) + "/kvdemo-setup --files 40");
  ASSERT_EQ(setup.status, 0) << setup.out;

  UseGui gui;
  std::vector<std::wstring> progress, boxes;
  // Each box is read, pictured and answered with Enter, as the user at the desktop would.
  SetShownHook([&](const ShownWindow& shown) {
    if (shown.kind == WindowKind::kProgress) {
      progress.push_back(shown.window->GetTitle().ToStdWstring());
      return;
    }
    ASSERT_EQ(shown.kind, WindowKind::kMessageBox);
    boxes.push_back(shown.window->FindWindow("text")->GetLabel().ToStdWstring());
    if (boxes.size() == 1) SaveScreenshot(shown.window, "data_update_done");
    PressKey(WXK_RETURN);
  });
  EXPECT_TRUE(MigrateDataFromUserCache(L"SOFTWARE\\Kestrel\\KVDNC", nullptr));
  SetShownHook({});
  EXPECT_FALSE(progress.empty());
  ASSERT_FALSE(boxes.empty());
  EXPECT_NE(boxes.back().find(L"updated"), std::wstring::npos) << WideToAnsi(boxes.back());
}

}  // namespace
}  // namespace kv::gui::testing
