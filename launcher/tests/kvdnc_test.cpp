// KVDNC run as a program on temporary roots: which kvdnccore entry its command line
// starts (read from the stand-in's record file), and the data update before it.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "KVPlatform/registry.h"
#include "menu_archive.h"
#include "temp_root.h"

namespace {

namespace fs = std::filesystem;
using kv::testing::TempRoot;

constexpr const wchar_t* kKey = L"SOFTWARE\\Kestrel\\KVDNC";

struct RunResult {
  int status = -1;
  std::string output;  // standard output and standard error
  std::string record;  // kvdnccore's record
};

// Runs KVDNC with exactly these arguments, no terminal, the root of `root`.
RunResult RunKvdnc(const TempRoot& root, const std::vector<std::string>& arguments) {
  const fs::path record = root.path() / "kvdnccore-record.txt";
  const fs::path output = root.path() / "kvdnc-output.txt";
  fs::remove(record);
  const pid_t child = fork();
  if (child == 0) {
    const int in = open("/dev/null", O_RDONLY);
    const int out = open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(in, 0);
    dup2(out, 1);
    dup2(out, 2);
    setenv("KVDNCCORE_RECORD", record.c_str(), 1);
    unsetenv("KESTREL_UI");
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(KVDNC_PROGRAM));
    for (const std::string& argument : arguments)
      argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    execv(KVDNC_PROGRAM, argv.data());
    _exit(127);
  }
  RunResult result;
  int status = 0;
  waitpid(child, &status, 0);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  result.output = TempRoot::ReadFile(output);
  if (fs::exists(record)) result.record = TempRoot::ReadFile(record);
  return result;
}

class KvdncTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(
        kv::WriteRegistryText(kv::Hive::kCurrentUser, kKey, L"Data Path", L"C:\\Data\\").ok());
    ASSERT_TRUE(
        kv::WriteRegistryText(kv::Hive::kLocalMachine, kKey, L"Install Path", L"C:\\Install\\")
            .ok());
  }
  fs::path C(const std::string& relative) const { return root_.Drive(L'c') / relative; }
  TempRoot root_;
};

TEST_F(KvdncTest, CommandLineSelectsTheEntry) {
  struct Row {
    const char* name;
    std::vector<std::string> arguments;
    const char* record;
  } rows[] = {
      {"job file glued to the switch", {"/zC:\\jobs\\part.nc"}, "1 /z [C:\\jobs\\part.nc]\n"},
      {"job file after a blank", {"/z", "C:\\jobs\\part.nc"}, "1 /z [ C:\\jobs\\part.nc]\n"},
      {"text switch", {"/tjob 12"}, "4 /t [job 12]\n"},
      {"both switches: /z wins", {"/tone", "/ztwo"}, "1 /z [one /ztwo]\n"},
      {"switch later in the line", {"x", "/zC:\\p.nc"}, "1 /z [/zC:\\p.nc]\n"},
      {"switch alone", {"/t"}, "4 /t []\n"},
      {"no switch", {"abc"}, ""},
      {"upper case is no switch", {"/Zpart"}, ""},
      {"empty command line", {}, "3 normal [] 0 1\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const RunResult run = RunKvdnc(root_, row.arguments);
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(run.record, row.record) << run.output;
  }
}

TEST_F(KvdncTest, FailedUpdateStartsNothing) {
  {
    kv::RegKey key;
    ASSERT_TRUE(kv::RegKey::Open(kv::Hive::kCurrentUser, kKey, kv::kKeySetValue, &key).ok());
    ASSERT_TRUE(key.DeleteValue(L"Data Path").ok());
  }
  for (const std::vector<std::string>& arguments :
       {std::vector<std::string>{"/zC:\\jobs\\part.nc"}, std::vector<std::string>{}}) {
    const RunResult run = RunKvdnc(root_, arguments);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.record, "");
    EXPECT_NE(run.output.find("No Data Path directory set"), std::string::npos) << run.output;
  }
}

// A whole start: the update from the install cache, then the DNC application; the
// compiled menu beside the replaced archive is gone once the program has ended; the
// second start finds nothing newer.
TEST_F(KvdncTest, UpdatesThenStartsAndCleansUpAtExit) {
  TempRoot::WriteFile(C("Data/DataVersion.txt"), "2024.2\r\n");
  TempRoot::WriteFile(C("Install/UserDataCache/DataVersion.txt"), "2024.3\r\n");
  TempRoot::WriteFile(C("Install/UserDataCache/Tools/mill.tdb"), "tools");
  kv::testing::WriteMenuArchive(C("Install/UserDataCache/kvdesign/win/kvdesign.cuix"), "24.3");
  kv::testing::WriteMenuArchive(C("Data/kvdesign/win/kvdesign.cuix"), "24.2");
  TempRoot::WriteFile(C("Data/kvdesign/win/kvdesignribbon2024.cuix"), "r");
  TempRoot::WriteFile(C("Data/kvdesign/win/kvdieribbon2024.cuix"), "r");
  TempRoot::WriteFile(C("Data/kvdesign/win/kvdesign.mnr"), "compiled");

  RunResult run = RunKvdnc(root_, {"/zC:\\jobs\\part.nc"});
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(run.record, "1 /z [C:\\jobs\\part.nc]\n");
  EXPECT_NE(run.output.find("Number of files updated = 2"), std::string::npos) << run.output;
  EXPECT_EQ(TempRoot::ReadFile(C("Data/Tools/mill.tdb")), "tools");
  EXPECT_FALSE(fs::exists(C("Data/kvdesign/win/kvdesign.mnr")));

  run = RunKvdnc(root_, {});
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(run.record, "3 normal [] 0 1\n");
  EXPECT_EQ(run.output.find("software update"), std::string::npos) << run.output;
}

}  // namespace
