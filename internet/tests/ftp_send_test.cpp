// The FTP sends against Debian's pyftpdlib server on 127.0.0.1.
#include <gtest/gtest.h>

#include "KVPlatform/text.h"
#include "inet_utils.h"
#include "internet_test_support.h"
#include "kvinternet/internet.h"
#include "transfer_progress_dialog.h"

namespace kv::internet {
namespace {

using kv::testing::TempRoot;
using testing::Pattern;
using testing::TestServer;

class FtpSendTest : public testing::InternetTest {
 protected:
  // A server for this test, with the program account writing into Upload().
  void Start(const std::vector<std::string>& arguments = {}) {
    std::vector<std::string> all = {Folder("server").string()};
    all.insert(all.end(), arguments.begin(), arguments.end());
    server_ = std::make_unique<TestServer>("ftp_server.py", all);
    SetConfig(L"FTP Host", server_->Address());
  }
  std::filesystem::path Upload() const { return root_.path() / "server" / "upload"; }
  // A local file on drive C: and its Windows path.
  std::wstring Local(const std::string& name, const std::string& bytes) {
    TempRoot::WriteFile(root_.Drive(L'c') / name, bytes);
    return L"C:\\" + AnsiToWide(name);
  }
  std::unique_ptr<TestServer> server_;
};

TEST_F(FtpSendTest, FilesArriveWholeAndFoldersAreCreatedLevelByLevel) {
  Start();
  struct Row {
    size_t size;
    const wchar_t* remote;
    const char* arrives;  // below the account's start folder
  } rows[] = {
      {0, L"\\Orders\\2024\\empty.dxf", "Orders/2024/empty.dxf"},
      {1, L"\\Orders\\2024\\one.dxf", "Orders/2024/one.dxf"},
      {1024, L"Orders\\block.dxf", "Orders/block.dxf"},
      {1025, L"\\a\\b\\c\\d\\past block.dxf", "a/b/c/d/past block.dxf"},
      {3 * 1024 * 1024 + 17, L"no folder.bin", "no folder.bin"},
      {5, L"\\Orders\\100% #1?.txt", "Orders/100% #1?.txt"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(WideToAnsi(row.remote));
    const std::string bytes = Pattern(row.size);
    std::wstring local = Local("part.bin", bytes);
    std::wstring remote = row.remote;
    EXPECT_EQ(kvInetSendFile(nullptr, local, remote, 0), 1);
    EXPECT_EQ(TempRoot::ReadFile(Upload() / row.arrives), bytes);
  }
  EXPECT_TRUE(ui_.Messages().empty());
  EXPECT_TRUE(ui_.Modeless().empty());
}

TEST_F(FtpSendTest, FailuresGiveTheirCodeAndText) {
  Start();
  std::wstring local = Local("part.dxf", "data");
  struct Row {
    const char* what;
    std::wstring local;
    std::wstring remote;
    std::wstring user;
    int code;
    std::wstring text;  // the beginning of m_strError
  } rows[] = {
      {"missing local file", L"C:\\missing.dxf", L"\\x\\missing.dxf", L"", 5,
       L"Kestrel FTP Local File Open Error:\nC:\\missing.dxf was not found."},
      {"refused login", local, L"\\x\\part.dxf", L"nobody", 1,
       L"Kestrel FTP Connection Error:\nAn error has occured trying to connect to the Kestrel "
       L"FTP Server.\nPlease check your network and internet connections and try again\nCause: "},
      // The account may not create files in a folder that could not be made.
      {"folder that cannot exist", local, L"\\part.dxf\\inside.dxf", L"", 2,
       L"Kestrel FTP File Create Error:\n"},
      {"no file name", local, L"\\Orders\\", L"", 2,
       L"Kestrel FTP File Create Error:\nInternet File Search Failed.\nFile Not Found on the "
       L"Kestrel Systems server."},
  };
  TempRoot::WriteFile(Upload() / "part.dxf", "a file where a folder is asked for");
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    if (!row.user.empty()) SetConfig(L"FTP User", row.user);
    CInetUtils utils(1);
    EXPECT_EQ(utils.SendFile(row.local, row.remote), row.code);
    EXPECT_EQ(utils.m_strError.rfind(row.text, 0), 0u) << WideToAnsi(utils.m_strError);
    if (!row.user.empty()) SetConfig(L"FTP User", L"ktlftpprogramaccess");
  }
  // No file reached the server (its folders are made before the local file is opened),
  // and nothing was ever shown.
  EXPECT_TRUE(std::filesystem::is_directory(Upload() / "x"));
  EXPECT_TRUE(std::filesystem::is_empty(Upload() / "x"));
  EXPECT_TRUE(ui_.Messages().empty());
}

TEST_F(FtpSendTest, TheTwoExportsReportInOppositeSenses) {
  Start();
  std::wstring local = Local("part.dxf", "data");
  std::wstring missing = L"C:\\missing.dxf";
  std::wstring remote = L"\\x\\part.dxf";
  std::wstring agent = L"Kestrel Test";
  EXPECT_EQ(kvInetSendFile(nullptr, missing, remote, 1), 0);
  EXPECT_TRUE(ui_.Messages().empty());  // never a message
  EXPECT_EQ(kvInetSendFtpFile(missing, remote, agent, 0), 1);
  EXPECT_TRUE(ui_.Messages().empty());
  EXPECT_EQ(kvInetSendFtpFile(missing, remote, agent, 1), 1);
  ASSERT_EQ(ui_.Messages().size(), 1u);
  EXPECT_EQ(ui_.Messages()[0].text,
            L"Kestrel FTP Local File Open Error:\nC:\\missing.dxf was not found.");
  EXPECT_EQ(ui_.Messages()[0].icon, kMbIconError);
  // The box came after the window had closed.
  EXPECT_EQ(ui_.Modeless().back().kind, ModelessEvent::kClose);
  EXPECT_EQ(kvInetSendFtpFile(local, remote, agent, 1), 0);
  EXPECT_EQ(ui_.Messages().size(), 1u);
}

TEST_F(FtpSendTest, TheProgressWindowShowsEachStepAndEveryBlock) {
  Start();
  std::wstring local = Local("part.dxf", Pattern(3 * 1024 + 1));
  std::wstring remote = L"\\Orders\\part.dxf";
  std::wstring agent = L"Kestrel Test";
  ASSERT_EQ(kvInetSendFtpFile(local, remote, agent, 1), 0);
  std::vector<std::string> shown;
  for (const ModelessEvent& event : ui_.Modeless()) {
    EXPECT_EQ(event.templateId, IDD_TRANSFER_PROGRESS);
    switch (event.kind) {
      case ModelessEvent::kOpen: shown.push_back("open " + WideToAnsi(event.text)); break;
      case ModelessEvent::kShow: shown.push_back("show"); break;
      case ModelessEvent::kCenter: shown.push_back("center"); break;
      case ModelessEvent::kPump: shown.push_back("paint"); break;
      case ModelessEvent::kClose: shown.push_back("close"); break;
      case ModelessEvent::kHide: shown.push_back("hide"); break;
      case ModelessEvent::kChange:
        shown.push_back(event.controlId == IDC_TRANSFER_STATUS
                            ? "status " + WideToAnsi(event.text)
                            : "bar " + std::to_string(event.low) + ".." +
                                  std::to_string(event.high) + " at " +
                                  std::to_string(event.position));
        break;
    }
  }
  const std::vector<std::string> expected = {
      "open Transferring Data", "status Connecting to Kestrel FTP Site", "center",
      "bar 0..262 at 0", "bar 0..262 at 0", "show", "paint", "status \\Orders\\part.dxf",
      "status C:\\part.dxf", "bar 0..3 at 0",
      // Four blocks: the first at 0 (already shown), the last at 3.
      "bar 0..3 at 1", "bar 0..3 at 2", "bar 0..3 at 3", "close"};
  EXPECT_EQ(shown, expected);
}

TEST_F(FtpSendTest, ATransferCutByTheServerIsCode3AndLeavesThePartialFile) {
  Start({"100000"});
  std::wstring local = Local("big.bin", Pattern(2 * 1024 * 1024));
  CInetUtils utils(1);
  EXPECT_EQ(utils.SendFileWithProgress(local, L"\\big.bin", L"Kestrel Test"), 3);
  EXPECT_EQ(utils.m_strError.rfind(L"Kestrel FTP File Copy Error:\nAn error has occured during "
                                   L"file transfer.\nPlease check your network and internet "
                                   L"connections and try again\nCause: ",
                                   0),
            0u)
      << WideToAnsi(utils.m_strError);
  const uintmax_t kept = std::filesystem::file_size(Upload() / "big.bin");
  EXPECT_GE(kept, 100000u);
  EXPECT_LT(kept, 2u * 1024 * 1024);
  // The window said so before it closed.
  const std::vector<ModelessEvent>& events = ui_.Modeless();
  ASSERT_GE(events.size(), 3u);
  EXPECT_EQ(events[events.size() - 3].text,
            L"Error has occured during file transfer:\n\nAborting Transfer - Closing Connection - "
            L"Please Wait...");
  EXPECT_EQ(events[events.size() - 2].kind, ModelessEvent::kPump);
}

TEST_F(FtpSendTest, RequiredTlsIsNeverGivenUpForPlainText) {
  Start();
  SetConfig(L"FTP TLS", 2u);
  std::wstring local = Local("part.dxf", "secret");
  CInetUtils utils(0);
  EXPECT_EQ(utils.SendFile(local, L"part.dxf"), 1);
  EXPECT_FALSE(std::filesystem::exists(Upload() / "part.dxf"));
}

TEST(TransferProgress, LargeFilesKeepTheBarWithinItsSixteenBits) {
  struct Row {
    uint64_t size;
    short upper;
    int shift;
  } rows[] = {
      {0, 0, 0},
      {1023, 0, 0},
      {1025, 1, 0},
      {(uint64_t{32} << 20) - 1, 32767, 0},
      {uint64_t{32} << 20, 16384, 1},
      {uint64_t{64} << 20, 16384, 2},
      {uint64_t{200} << 20, 25600, 3},
      {uint64_t{1} << 42, 16384, 18},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.size);
    const BlockScale scale = ScaleBlocks(row.size);
    EXPECT_EQ(scale.upper, row.upper);
    EXPECT_EQ(scale.shift, row.shift);
    // The last block lands on the bar's end or just before it, never past it.
    const uint64_t lastBlock = row.size == 0 ? 0 : (row.size - 1) / 1024;
    EXPECT_LE(static_cast<int64_t>(lastBlock >> scale.shift), scale.upper);
  }
}

}  // namespace
}  // namespace kv::internet
