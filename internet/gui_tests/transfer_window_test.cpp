// kvinternet's "Transferring Data" window under the desktop backend: a modeless dialog
// laid out as its template says, kept up to date by the send as blocks go out, and
// closed when the send ends. The file goes to Debian's pyftpdlib server on 127.0.0.1.
#include <wx/gauge.h>

#include <gtest/gtest.h>

#include "gui_testing.h"
#include "internet_test_support.h"
#include "kvinternet/internet.h"
#include "transfer_progress_dialog.h"

namespace kv::internet {
namespace {

using kv::gui::testing::ExpectLaidOutAsModel;
using kv::gui::testing::SaveScreenshot;

class TransferWindowTest : public testing::InternetTest {};

TEST_F(TransferWindowTest, IsLaidOutAsItsTemplateAndFollowsTheSend) {
  KV_REQUIRE_GUI();
  const std::filesystem::path served = Folder("server");
  testing::TestServer server("ftp_server.py", {served.string()});
  SetConfig(L"FTP Host", server.Address());
  // Large enough for many blocks, small enough for a quick test.
  kv::testing::TempRoot::WriteFile(root_.Drive(L'c') / "part.dxf", testing::Pattern(8 << 20));

  kv::gui::testing::UseGui gui;
  kv::gui::testing::WindowScript script;
  wxWeakRef<wxTopLevelWindow> window;
  int opened = 0;
  script.OnProgress([&](const kv::gui::ShownWindow& shown) {
    ASSERT_EQ(shown.kind, kv::gui::WindowKind::kModeless);
    ASSERT_NE(shown.dialog, nullptr);
    ++opened;
    window = shown.window;
    EXPECT_EQ(shown.dialog->Template().id, IDD_TRANSFER_PROGRESS);
    EXPECT_EQ(shown.window->GetTitle(), "Transferring Data");
    ExpectLaidOutAsModel(shown.window, *shown.dialog);
    EXPECT_TRUE(shown.window->HasFlag(wxSTAY_ON_TOP));
    EXPECT_FALSE(SaveScreenshot(shown.window, "transfer_window").empty());
  });

  std::wstring local = L"C:\\part.dxf";
  std::wstring remote = L"\\Orders\\part.dxf";
  std::wstring agent = L"Kestrel Test";
  ASSERT_EQ(kvInetSendFtpFile(local, remote, agent, 1), 0);
  EXPECT_EQ(opened, 1);
  EXPECT_FALSE(window) << "the window outlived the send";
  EXPECT_EQ(std::filesystem::file_size(served / "upload" / "Orders" / "part.dxf"), 8u << 20);
}

}  // namespace
}  // namespace kv::internet
