// KVFileUtilities' catalogue message under the desktop backend, on the demo
// installation: laid out as its template says, and "do not show again" honoured.
#include <gtest/gtest.h>

#include "KVFileUtilities/message_box.h"
#include "gui_testing.h"
#include "run_program.h"
#include "temp_root.h"

namespace kv::gui::testing {
namespace {

constexpr int kCatalogueMessage = 8001;  // the template, and the id of its text
constexpr int kDoNotShow = 8000;

TEST(CatalogueMessage, IsLaidOutAsItsTemplateAndSuppressedWhenTheUserSaysSo) {
  KV_REQUIRE_GUI();
  kv::testing::TempRoot root;
  const kv::testing::ProgramRun setup =
      kv::testing::RunProgram(std::string(KV_BIN_DIR) + "/kvdemo-setup --files 5");
  ASSERT_EQ(setup.status, 0) << setup.out;

  UseGui gui;
  WindowScript script;
  script.Then([&](const ShownWindow& box) {
    ASSERT_NE(box.dialog, nullptr);
    EXPECT_EQ(box.dialog->Template().id, kCatalogueMessage);
    ExpectLaidOutAsModel(box.window, *box.dialog);
    EXPECT_EQ(Control(box.window, kCatalogueMessage)->GetLabel(),
              "The post-processor is in use by another program.\nClose it, then try again.");
    EXPECT_FALSE(SaveScreenshot(box.window, "catalogue_message").empty());
    ClickOn(Control(box.window, kDoNotShow));
    PressKey(WXK_RETURN);
  });
  KVMessageBox(L"SOFTWARE\\Kestrel\\KVDNC", L"POST_LOCKED", false, nullptr);
  EXPECT_EQ(script.Pending(), 0u);
  // Suppressed: no window comes (one would fail the script).
  KVMessageBox(L"SOFTWARE\\Kestrel\\KVDNC", L"POST_LOCKED", false, nullptr);
}

}  // namespace
}  // namespace kv::gui::testing
