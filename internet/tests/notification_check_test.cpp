// The notification check against pyftpdlib and against a server that lies.
#include <gtest/gtest.h>

#include <algorithm>

#include "KVPlatform/text.h"
#include "ftp_listing.h"
#include "inet_utils.h"
#include "internet_test_support.h"
#include "kvinternet/internet.h"

namespace kv::internet {
namespace {

using kv::testing::TempRoot;
using testing::TestServer;

class NotificationTest : public testing::InternetTest {
 protected:
  std::filesystem::path Notes() const { return root_.path() / "server" / "notes"; }
  std::filesystem::path Local() { return Folder("local"); }
  // The local folder's names, sorted; temporary files would show here too.
  std::vector<std::string> LocalNames() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(Local())) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }
  int Check(std::wstring remote) {
    std::wstring local = Local().wstring() + L"/";
    return kvInetNotificationCheck(remote, local);
  }
};

TEST_F(NotificationTest, OnlyNewFilesAreFetchedAndCounted) {
  TempRoot::WriteFile(Notes() / "news" / "a.xml", "<a/>");
  TempRoot::WriteFile(Notes() / "news" / "B.XML", testing::Pattern(300000));
  TempRoot::WriteFile(Notes() / "news" / "readme.txt", "not a notification");
  TempRoot::WriteFile(Notes() / "news" / "updates-7.xml", "<u/>");
  TempRoot::WriteFile(Notes() / "top.xml", "<top/>");
  std::filesystem::create_directories(Notes() / "news" / "folder.xml");
  TestServer server("ftp_server.py", {Folder("server").string()});
  SetConfig(L"FTP Host", server.Address());

  EXPECT_EQ(Check(L"\\news\\"), 3);
  EXPECT_EQ(LocalNames(), (std::vector<std::string>{"B.XML", "a.xml", "updates-7.xml"}));
  EXPECT_EQ(TempRoot::ReadFile(Local() / "B.XML"), testing::Pattern(300000));
  EXPECT_EQ(Check(L"\\news\\"), 0);

  // A local file is never replaced: it stays, and is not counted.
  std::filesystem::remove(Local() / "a.xml");
  TempRoot::WriteFile(Local() / "updates-7.xml", "mine");
  EXPECT_EQ(Check(L"/news/"), 1);
  EXPECT_EQ(TempRoot::ReadFile(Local() / "updates-7.xml"), "mine");

  // The folder text is joined to the pattern as it stands.
  std::filesystem::remove(Local() / "updates-7.xml");
  EXPECT_EQ(Check(L"news\\updates"), 1);
  EXPECT_EQ(Check(L""), 1);  // the start folder: top.xml
  EXPECT_TRUE(ui_.Messages().empty());
}

TEST_F(NotificationTest, FailuresCountNothing) {
  TempRoot::WriteFile(Notes() / "news" / "a.xml", "<a/>");
  TestServer server("ftp_server.py", {Folder("server").string()});
  SetConfig(L"FTP Host", server.Address());
  struct Row {
    const char* what;
    std::wstring remote;
    std::wstring local;
    std::wstring error;  // m_strError, or its beginning
  } rows[] = {
      {"missing local folder", L"news\\", Local().wstring() + L"/absent/", L""},
      {"missing remote folder", L"absent\\", Local().wstring() + L"/", L"FileFind failed"},
      {"nothing matches", L"news\\b", Local().wstring() + L"/", L"FileFind failed"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    CInetUtils utils(0);
    EXPECT_EQ(utils.DownloadNotifications(row.remote, row.local), 0);
    EXPECT_EQ(utils.m_strError, row.error);
  }
  SetConfig(L"Update Password", L"wrong");
  CInetUtils refused(0);
  EXPECT_EQ(refused.DownloadNotifications(L"news\\", Local().wstring() + L"/"), 0);
  EXPECT_NE(refused.m_strError, L"");
  SetConfig(L"FTP Host", L"127.0.0.1:1");
  EXPECT_EQ(Check(L"news\\"), 0);
  EXPECT_TRUE(LocalNames().empty());
}

TEST_F(NotificationTest, AHostileServerCannotWriteOutsideTheFolderNorLeaveAPartialFile) {
  TestServer server("hostile_ftp.py", {});
  SetConfig(L"FTP Host", server.Address());
  EXPECT_EQ(Check(L""), 2);
  EXPECT_EQ(LocalNames(), (std::vector<std::string>{"good.xml", "last.xml"}));
  // Nothing climbed out, and the cut transfer was asked for but left nothing.
  EXPECT_FALSE(std::filesystem::exists(root_.path() / "escape.xml"));
  std::vector<std::string> asked = server.Lines();
  EXPECT_EQ(asked, (std::vector<std::string>{"RETR good.xml", "RETR cut.xml", "RETR last.xml"}));
}

TEST(FtpListing, UnixAndWindowsLinesAreRead) {
  const std::string listing =
      "total 12\r\n"
      "-rw-r--r--   1 ftp  ftp      3000 Dec 08 09:59 name with  blanks.xml\r\n"
      "-rw-r--r--   1 owner 42 Jan 01  2023 nogroup.xml\n"
      "drwxr-xr-x   2 ftp  ftp      4096 Dec 08 09:59 folder.xml\r\n"
      "lrwxrwxrwx   1 ftp  ftp        10 Dec 08 09:59 link.xml -> target.xml\r\n"
      "12-08-24  09:59AM                 3000 dos name.xml\r\n"
      "12-08-24  09:59AM       <DIR>          dos folder\r\n"
      "garbage line\r\n"
      "\r\n"
      "-rw-r--r--   1 ftp  ftp   notsize Dec 08 09:59 bad.xml\r\n"
      "-rw-r--r--   1 ftp  ftp      9 Dec 08 09:59 \xC3\xA9t\xC3\xA9.xml";
  struct Expected {
    const wchar_t* name;
    bool isFile;
    int64_t size;
  } expected[] = {
      {L"name with  blanks.xml", true, 3000},
      {L"nogroup.xml", true, 42},
      {L"folder.xml", false, -1},
      {L"link.xml", true, -1},
      {L"dos name.xml", true, 3000},
      {L"dos folder", false, -1},
      {L"\u00E9t\u00E9.xml", true, 9},
  };
  const std::vector<FtpListEntry> entries = ParseFtpListing(listing);
  ASSERT_EQ(entries.size(), std::size(expected));
  for (size_t i = 0; i < entries.size(); ++i) {
    SCOPED_TRACE(WideToAnsi(expected[i].name));
    EXPECT_EQ(entries[i].name, expected[i].name);
    EXPECT_EQ(entries[i].isFile, expected[i].isFile);
    EXPECT_EQ(entries[i].size, expected[i].size);
  }
}

TEST(FtpListing, OnlyPlainNamesBecomeLocalFiles) {
  for (const wchar_t* name : {L"a.xml", L"...xml", L"a b.xml", L"\u00E9.xml"}) {
    EXPECT_TRUE(SafeLocalName(name)) << WideToAnsi(name);
  }
  for (const wchar_t* name : {L"", L".", L"..", L"../a.xml", L"a/b.xml", L"a\\b.xml", L"C:a.xml",
                              L"a\r\n.xml", L"a\x7F.xml"}) {
    EXPECT_FALSE(SafeLocalName(name)) << WideToAnsi(name);
  }
}

}  // namespace
}  // namespace kv::internet
