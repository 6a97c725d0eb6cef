// The browser launch with a fake opener and a fake registered browser: programs written
// by the test that record their arguments.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "KVPlatform/registry.h"
#include "KVPlatform/text.h"
#include "internet_test_support.h"
#include "kvinternet/internet.h"
#include "launch_url.h"

namespace kv::internet {
namespace {

using kv::testing::TempRoot;

class LaunchUrlTest : public testing::InternetTest {
 protected:
  LaunchUrlTest() : oldPath_(std::getenv("PATH")) {
    // The fake opener is the only xdg-open there is: PATH holds its folder alone.
    setenv("PATH", Folder("opener").string().c_str(), 1);
  }
  ~LaunchUrlTest() override { setenv("PATH", oldPath_.c_str(), 1); }

  // A program that writes its arguments, each followed by a line end, into `record`
  // and exits with `code`.
  std::filesystem::path Program(const std::filesystem::path& file, const std::string& record,
                                int code) {
    TempRoot::WriteFile(file, "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" +
                                  (root_.path() / record).string() + ".tmp'\n/bin/mv '" +
                                  (root_.path() / record).string() + ".tmp' '" +
                                  (root_.path() / record).string() + "'\nexit " +
                                  std::to_string(code) + "\n");
    chmod(file.c_str(), 0755);
    return file;
  }
  void Opener(int code) { Program(root_.path() / "opener" / "xdg-open", "opener.txt", code); }
  void Register(const std::wstring& command) {
    ASSERT_TRUE(
        WriteRegistryText(Hive::kCurrentUser, L"Software\\Classes\\.htm", L"", L"kvhtmlfile").ok());
    ASSERT_TRUE(WriteRegistryText(Hive::kCurrentUser,
                                  L"Software\\Classes\\kvhtmlfile\\shell\\open\\command", L"",
                                  command)
                    .ok());
  }
  // What a program recorded, waiting for it (the registered browser is not waited for).
  std::string Recorded(const std::string& record, int waitMs = 5000) {
    const std::filesystem::path file = root_.path() / record;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    while (!std::filesystem::exists(file) && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return std::filesystem::exists(file) ? TempRoot::ReadFile(file) : "(nothing)";
  }
  std::string oldPath_;
  RegKey key_;
};

TEST_F(LaunchUrlTest, TheOpenerTakesTheAddressAsOneArgument) {
  Opener(0);
  Program(root_.path() / "browser", "browser.txt", 0);
  Register(AnsiToWide((root_.path() / "browser").string()) + L" \"%1\"");
  std::wstring url = L"https://example.test/a b?q=\"x\"&y=$(z);`w`";
  EXPECT_EQ(kvLaunchBrowserPage(url), 1);
  EXPECT_EQ(Recorded("opener.txt"), "https://example.test/a b?q=\"x\"&y=$(z);`w`\n");
  EXPECT_EQ(Recorded("browser.txt", 300), "(nothing)");
}

TEST_F(LaunchUrlTest, WhenTheOpenerFailsTheRegisteredCommandRunsWithoutAShell) {
  Opener(3);
  const std::string browser =
      Program(root_.path() / "my browser" / "run", "browser.txt", 0).string();
  const std::wstring quoted = L"\"" + AnsiToWide(browser) + L"\"";
  struct Row {
    std::wstring command;
    std::wstring url;
    std::string recorded;
  } rows[] = {
      // Quoted placeholder: cut before its quote; the address is one argument.
      {quoted + L" -new-tab \"%1\" --ignored", L"http://h/a b", "-new-tab\nhttp://h/a b\n"},
      // Bare placeholder.
      {quoted + L" -osint -url %1", L"http://h/\"q\"", "-osint\n-url\nhttp://h/\"q\"\n"},
      // No placeholder: the address follows the whole command.
      {quoted + L" --window", L"http://h/;rm -rf x", "--window\nhttp://h/;rm -rf x\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(WideToAnsi(row.command));
    std::filesystem::remove(root_.path() / "browser.txt");
    Register(row.command);
    std::wstring url = row.url;
    EXPECT_EQ(kvLaunchBrowserPage(url), 1);
    EXPECT_EQ(Recorded("browser.txt"), row.recorded);
    EXPECT_EQ(Recorded("opener.txt"), WideToAnsi(row.url) + "\n");
  }
}

TEST_F(LaunchUrlTest, NothingRunsForRefusedAddressesOrMissingRegistrations) {
  Opener(3);
  Program(root_.path() / "browser", "browser.txt", 0);
  const std::wstring browser = AnsiToWide((root_.path() / "browser").string());
  Register(browser + L" %1");
  // An address that could pass for an option.
  std::wstring option = L"--help";
  EXPECT_EQ(LaunchUrl(option.c_str(), 5), kLaunchRefused);
  EXPECT_EQ(kvLaunchBrowserPage(option), 1);
  EXPECT_EQ(Recorded("opener.txt", 300), "(nothing)");
  // A command that is only the placeholder would run the address itself.
  Register(L"\"%1\"");
  std::wstring url = L"http://h/";
  EXPECT_LE(LaunchUrl(url.c_str(), 5), 32);
  // An open command longer than a registry read takes (129 characters) is absent.
  Register(browser + L" " + std::wstring(130, L'x'));
  EXPECT_LE(LaunchUrl(url.c_str(), 5), 32);
  // No registration at all: the opener's failure stands.
  ASSERT_TRUE(RegKey::Open(Hive::kCurrentUser, L"Software\\Classes", kKeyAllAccess, &key_).ok());
  ASSERT_TRUE(key_.DeleteTree(L".htm").ok());
  EXPECT_EQ(LaunchUrl(url.c_str(), 5), kLaunchNoAssociation);
  EXPECT_EQ(Recorded("browser.txt", 300), "(nothing)");
}

TEST_F(LaunchUrlTest, WithoutAnOpenerTheRegisteredCommandStillRuns) {
  Program(root_.path() / "browser", "browser.txt", 0);
  Register(AnsiToWide((root_.path() / "browser").string()) + L" %1");
  EXPECT_EQ(LaunchUrl(L"http://h/", 5), kLaunchStarted);
  EXPECT_EQ(Recorded("browser.txt"), "http://h/\n");
}

}  // namespace
}  // namespace kv::internet
