// The connection check against real web servers on 127.0.0.1.
#include <gtest/gtest.h>

#include <chrono>

#include "KVPlatform/text.h"
#include "inet_utils.h"
#include "internet_test_support.h"
#include "kvinternet/internet.h"

namespace kv::internet {
namespace {

using testing::TestServer;

class CheckConnectionTest : public testing::InternetTest {};

const std::wstring kErrorHead = L"An internet connection could not be found.\n\nCause:  ";

TEST_F(CheckConnectionTest, StatusBelow400IsReachableAndRedirectsAreNotFollowed) {
  struct Row {
    const char* mode;
    int check;
    int exported;
  } rows[] = {{"200", 0, 1}, {"302", 0, 1}, {"404", -1, 0}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.mode);
    TestServer server("http_server.py", {row.mode});
    SetConfig(L"Web Host", server.Address());
    CInetUtils utils(1);
    EXPECT_EQ(utils.CheckConnection(L"index.htm"), row.check);
    EXPECT_EQ(utils.m_nError, 0);
    EXPECT_EQ(utils.m_strError, L"");
    EXPECT_EQ(kvInetConnectionExists(1), row.exported);
    // One GET of the page per check (the 302's target is never asked for), with the
    // request's own headers and no cached answer.
    const std::vector<std::string> requests = server.Lines();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0], "GET /index.htm|text/*|KestrelKVInternet|no-cache|no-cache");
  }
  EXPECT_TRUE(ui_.Messages().empty());
}

TEST_F(CheckConnectionTest, InternetErrorsGive1801AndTheStageReached) {
  TestServer slow("http_server.py", {"slow"});
  SetConfig(L"Transfer Timeout", 1u);
  struct Row {
    std::wstring host;
    const wchar_t* cause;  // what the description holds
  } rows[] = {
      {L"no-such-host.invalid", L"no-such-host.invalid"},
      {L"127.0.0.1:1", L"127.0.0.1"},  // nothing listens: refused
      {slow.Address(), L"too slow"},   // accepts, never answers
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(WideToAnsi(row.host));
    SetConfig(L"Web Host", row.host);
    const auto start = std::chrono::steady_clock::now();
    CInetUtils quiet(0);
    EXPECT_EQ(quiet.CheckConnection(L"index.htm"), 1801);
    EXPECT_EQ(quiet.m_nError, 1801);
    EXPECT_EQ(quiet.m_strError, L"");  // composed only when errors are shown
    CInetUtils shown(1);
    EXPECT_EQ(shown.CheckConnection(L"index.htm"), 1801);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(8));
    const std::wstring& text = shown.m_strError;
    EXPECT_EQ(text.rfind(kErrorHead, 0), 0u);
    EXPECT_NE(text.find(row.cause), std::wstring::npos) << WideToAnsi(text);
    // Sending the request raised the error: session, connection, request and headers
    // were done.
    EXPECT_TRUE(testing::EndsWith(text, L"\nBrightHub CInetUtils error = 15"));
    EXPECT_EQ(kvInetConnectionExists(1), 0);
  }
  EXPECT_TRUE(ui_.Messages().empty());
}

TEST_F(CheckConnectionTest, AnEndlessBodyDoesNotKeepTheCallerWaiting) {
  TestServer server("http_server.py", {"endless"});
  SetConfig(L"Web Host", server.Address());
  CInetUtils utils(1);
  EXPECT_EQ(utils.CheckConnection(L"index.htm"), 0);
}

TEST_F(CheckConnectionTest, AHostTextThatIsNoHostIsAnInternetErrorWithItsReason) {
  SetConfig(L"Web Host", L"evil.example/x?");
  CInetUtils utils(1);
  EXPECT_EQ(utils.CheckConnection(L"index.htm"), 1801);
  EXPECT_NE(utils.m_strError.find(L"\"evil.example/x?\" of the configuration is no host name"),
            std::wstring::npos);
  EXPECT_TRUE(testing::EndsWith(utils.m_strError, L"error = 1"));
}

}  // namespace
}  // namespace kv::internet
