#include "KVPlatform/process.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "KVPlatform/text.h"

#include "temp_root.h"

namespace kv {
namespace {

using Args = std::vector<std::wstring>;

TEST(SplitCommandLine, WindowsRules) {
  struct Row {
    const wchar_t* line;
    Args expected;
  } rows[] = {
      {L"", {}},
      {L" \t ", {}},
      {L"b.exe", {L"b.exe"}},
      {L"\"C:\\Program Files\\b.exe\" -a \"x y\"", {L"C:\\Program Files\\b.exe", L"-a", L"x y"}},
      // The program keeps its backslashes, even before a quote.
      {L"\"C:\\dir\\\" x", {L"C:\\dir\\", L"x"}},
      {L"b a\\\\\"b c\" d\\\"e", {L"b", L"a\\b c", L"d\"e"}},
      {L"b a\\\\b \\x", {L"b", L"a\\\\b", L"\\x"}},
      {L"b \"\" x", {L"b", L"", L"x"}},
      {L"b \"a\"\"b\" c", {L"b", L"a\"b", L"c"}},
      {L"b  a\t\tb  ", {L"b", L"a", L"b"}},
      {L"\"unterminated prog", {L"unterminated prog"}},
      {L"b \"open to end", {L"b", L"open to end"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(WideToAnsi(row.line));
    EXPECT_EQ(SplitCommandLine(row.line), row.expected);
  }
}

class StartProgramTest : public ::testing::Test {
 protected:
  // A program that records its arguments, one per line, in `record`, then exits with
  // `code` after `sleepSeconds`.
  std::filesystem::path Script(const std::string& name, int code, double sleepSeconds = 0) {
    std::filesystem::path file = root_.path() / "bin" / name;
    testing::TempRoot::WriteFile(
        file, "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" + Record().string() +
                  "'\nsleep " + std::to_string(sleepSeconds) + "\nexit " + std::to_string(code) +
                  "\n");
    chmod(file.c_str(), 0755);
    return file;
  }
  std::filesystem::path Record() const { return root_.path() / "record.txt"; }
  testing::TempRoot root_;
};

TEST_F(StartProgramTest, PassesArgumentsAsTheyStandAndReportsTheExit) {
  std::filesystem::path program = Script("show args", 3);
  ProgramExit exit;
  ASSERT_TRUE(
      StartProgram({program.wstring(), L"a b", L"\"q\"", L"$(x) ; *", L"-n"}, 5000, &exit).ok());
  EXPECT_TRUE(exit.exited);
  EXPECT_EQ(exit.exitCode, 3);
  EXPECT_EQ(testing::TempRoot::ReadFile(Record()), "a b\n\"q\"\n$(x) ; *\n-n\n");
}

TEST_F(StartProgramTest, FindsProgramsOnPathAndByWindowsPath) {
  Script("kvprog", 0);
  const std::string oldPath = getenv("PATH");
  setenv("PATH", ((root_.path() / "bin").string() + ":" + oldPath).c_str(), 1);
  ProgramExit exit;
  Status byName = StartProgram({L"kvprog", L"one"}, 5000, &exit);
  setenv("PATH", oldPath.c_str(), 1);
  ASSERT_TRUE(byName.ok());
  EXPECT_TRUE(exit.exited);

  root_.MapDrive(L'p', root_.path() / "bin");
  ASSERT_TRUE(StartProgram({L"P:\\KVPROG", L"two"}, 5000, &exit).ok());
  EXPECT_EQ(testing::TempRoot::ReadFile(Record()), "two\n");
}

TEST_F(StartProgramTest, Failures) {
  std::filesystem::path plain = root_.path() / "plain";
  testing::TempRoot::WriteFile(plain, "not a program");
  std::filesystem::path noFormat = root_.path() / "noformat";
  testing::TempRoot::WriteFile(noFormat,
                               "\x7f"
                               "ELF garbage");
  chmod(noFormat.c_str(), 0755);
  struct Row {
    Args arguments;
    uint32_t code;
  } rows[] = {
      {{}, kErrorInvalidParameter},
      {{L"kv-no-such-program-anywhere"}, kErrorFileNotFound},
      {{(root_.path() / "missing").wstring()}, kErrorFileNotFound},
      {{plain.wstring()}, kErrorAccessDenied},
      {{root_.path().wstring()}, kErrorAccessDenied},
      {{noFormat.wstring()}, kErrorBadFormat},
      {{L"/bin/true", std::wstring(L"a\0b", 3)}, kErrorInvalidParameter},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.arguments.empty() ? "(none)" : WideToAnsi(row.arguments[0]));
    EXPECT_EQ(StartProgram(row.arguments, 1000).code(), row.code);
  }
}

TEST_F(StartProgramTest, AProgramOutlivingTheWaitIsNoChildOfTheCaller) {
  std::filesystem::path program = Script("slow", 0, 5);
  const auto start = std::chrono::steady_clock::now();
  ProgramExit exit;
  ASSERT_TRUE(StartProgram({program.wstring()}, 100, &exit).ok());
  EXPECT_FALSE(exit.exited);
  ASSERT_TRUE(StartProgram({program.wstring()}, 0, &exit).ok());
  EXPECT_FALSE(exit.exited);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
  // Nothing is left for this process to reap.
  EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
}

}  // namespace
}  // namespace kv
