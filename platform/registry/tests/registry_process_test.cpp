// Hives shared by processes: concurrent writers lose no update, a writer killed at any
// moment leaves a complete hive, leftovers of a crash are ignored, and readers notice
// another process's change by the file's identity alone.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <time.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "KVPlatform/registry.h"
#include "temp_root.h"

namespace kv {
namespace {

constexpr wchar_t kKey[] = L"Software\\Kestrel\\Shared";

class RegistryProcessTest : public ::testing::Test {
 protected:
  std::filesystem::path HiveFile() const {
    return root_.path() / "registry" / "HKEY_CURRENT_USER.reg";
  }
  static uint32_t Counter(const wchar_t* name) {
    RegKey key;
    RegValue value;
    if (!RegKey::Open(Hive::kCurrentUser, kKey, kKeyRead, &key).ok()) return 0xFFFFFFFF;
    if (!key.QueryValue(name, &value).ok()) return 0;
    return static_cast<uint32_t>(value.number);
  }
  static void Set(const wchar_t* name, RegValue value) {
    RegKey key;
    ASSERT_EQ(RegKey::Create(Hive::kCurrentUser, kKey, kKeyAllAccess, &key), Status::Ok());
    ASSERT_EQ(key.SetValue(name, value), Status::Ok());
  }

  testing::TempRoot root_;
};

// Each of two processes increments its own counter 200 times, all in the same hive file.
// Every write rewrites the whole file, so a writer working from a stale copy would undo
// the other's increments.
TEST_F(RegistryProcessTest, TwoProcessesLoseNoUpdate) {
  constexpr int kIncrements = 200;
  Set(L"ready", RegValue::Dword(0));
  int gate[2];
  ASSERT_EQ(pipe(gate), 0);
  std::vector<pid_t> children;
  for (const wchar_t* name : {L"A", L"B"}) {
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      close(gate[1]);
      char go;
      if (read(gate[0], &go, 1) != 1) _exit(3);  // both start at the same moment
      for (int i = 0; i < kIncrements; ++i) {
        RegKey key;
        RegValue value;
        if (!RegKey::Create(Hive::kCurrentUser, kKey, kKeyAllAccess, &key).ok()) _exit(4);
        uint32_t count = 0;
        if (key.QueryValue(name, &value).ok()) count = static_cast<uint32_t>(value.number);
        if (!key.SetValue(name, RegValue::Dword(count + 1)).ok()) _exit(5);
        // Values of its own as well: nothing written may disappear.
        if (i % 10 == 0 &&
            !key.SetValue(std::wstring(name) + std::to_wstring(i), RegValue::Dword(1)).ok()) {
          _exit(6);
        }
      }
      _exit(0);
    }
    children.push_back(pid);
  }
  close(gate[0]);
  ASSERT_EQ(write(gate[1], "gg", 2), 2);
  close(gate[1]);
  for (pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
  }
  EXPECT_EQ(Counter(L"A"), static_cast<uint32_t>(kIncrements));
  EXPECT_EQ(Counter(L"B"), static_cast<uint32_t>(kIncrements));
  RegKey key;
  ASSERT_EQ(RegKey::Open(Hive::kCurrentUser, kKey, kKeyRead, &key), Status::Ok());
  RegKeyInfo info;
  ASSERT_EQ(key.QueryInfo(&info), Status::Ok());
  EXPECT_EQ(info.values, 3u + 2u * (kIncrements / 10));
}

// Threads of one process share the cache and the lock the same way.
TEST_F(RegistryProcessTest, TwoThreadsLoseNoUpdate) {
  constexpr int kIncrements = 100;
  auto work = [](const wchar_t* name, bool* ok) {
    for (int i = 0; i < kIncrements; ++i) {
      RegKey key;
      RegValue value;
      *ok = *ok && RegKey::Create(Hive::kCurrentUser, kKey, kKeyAllAccess, &key).ok();
      uint32_t count = key.QueryValue(name, &value).ok() ? static_cast<uint32_t>(value.number) : 0;
      *ok = *ok && key.SetValue(name, RegValue::Dword(count + 1)).ok();
    }
  };
  bool okA = true, okB = true;
  std::thread a(work, L"A", &okA);
  std::thread b(work, L"B", &okB);
  a.join();
  b.join();
  EXPECT_TRUE(okA && okB);
  EXPECT_EQ(Counter(L"A"), static_cast<uint32_t>(kIncrements));
  EXPECT_EQ(Counter(L"B"), static_cast<uint32_t>(kIncrements));
}

// A writer killed at random moments of its writes: the hive always reads whole, and holds
// one of the values written.
TEST_F(RegistryProcessTest, WriterKilledMidWriteLeavesACompleteHive) {
  Set(L"n", RegValue::Dword(0));
  for (int round = 0; round < 6; ++round) {
    SCOPED_TRACE(round);
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      RegKey key;
      if (!RegKey::Create(Hive::kCurrentUser, kKey, kKeyAllAccess, &key).ok()) _exit(4);
      std::wstring filler(2000, L'x');  // a larger file takes longer to write
      for (uint32_t i = 1;; ++i) {
        (void)key.SetValue(L"n", RegValue::Dword(i));
        (void)key.SetValue(L"filler", RegValue::String(filler + std::to_wstring(i)));
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20 + 15 * round));
    kill(pid, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ResetRegistryCache();
    std::vector<RegImportError> problems;
    ASSERT_EQ(CheckHiveFile(Hive::kCurrentUser, &problems), Status::Ok());
    EXPECT_TRUE(problems.empty());
    EXPECT_NE(Counter(L"n"), 0xFFFFFFFFu);
    // The next writer goes on, and clears what the dead one left behind.
    Set(L"after", RegValue::Dword(static_cast<uint32_t>(round)));
    EXPECT_EQ(Counter(L"after"), static_cast<uint32_t>(round));
    for (const auto& entry : std::filesystem::directory_iterator(HiveFile().parent_path())) {
      EXPECT_EQ(entry.path().filename().string().find(".tmp-"), std::string::npos) << entry.path();
    }
  }
}

TEST_F(RegistryProcessTest, LeftoversOfACrashAreIgnored) {
  Set(L"v", RegValue::String(L"complete"));
  const std::string good = testing::TempRoot::ReadFile(HiveFile());
  struct Row {
    const char* what;
    std::string temporary;
  };
  const Row rows[] = {
      {"finished temporary, never renamed", good + "[HKEY_CURRENT_USER\\Other]\n"},
      {"torn temporary", good.substr(0, good.size() / 2)},
      {"empty temporary", ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    std::filesystem::path temp = HiveFile();
    temp += ".tmp-99999-0";
    testing::TempRoot::WriteFile(temp, row.temporary);
    ResetRegistryCache();
    RegKey key;
    RegValue value;
    ASSERT_EQ(RegKey::Open(Hive::kCurrentUser, kKey, kKeyRead, &key), Status::Ok());
    ASSERT_EQ(key.QueryValue(L"v", &value), Status::Ok());
    EXPECT_EQ(value.text, L"complete");
    EXPECT_NE(RegKey::Open(Hive::kCurrentUser, L"Other", kKeyRead, &key), Status::Ok());
    Set(L"w", RegValue::Dword(1));
    EXPECT_FALSE(std::filesystem::exists(temp));
  }
  // A person's file that merely looks alike stays.
  std::filesystem::path mine = HiveFile();
  mine += ".tmp-backup";
  testing::TempRoot::WriteFile(mine, "keep");
  Set(L"w", RegValue::Dword(2));
  EXPECT_TRUE(std::filesystem::exists(mine));
}

TEST_F(RegistryProcessTest, ReadersFollowTheFilesIdentity) {
  Set(L"v", RegValue::String(L"first"));
  RegKey key;
  ASSERT_EQ(RegKey::Open(Hive::kCurrentUser, kKey, kKeyRead, &key), Status::Ok());
  RegValue value;
  ASSERT_EQ(key.QueryValue(L"v", &value), Status::Ok());

  // Another process changes the value: the reader sees it on its next call.
  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    RegKey other;
    bool ok = RegKey::Open(Hive::kCurrentUser, kKey, kKeyAllAccess, &other).ok() &&
              other.SetValue(L"v", RegValue::String(L"other")).ok();
    _exit(ok ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_EQ(WEXITSTATUS(status), 0);
  ASSERT_EQ(key.QueryValue(L"v", &value), Status::Ok());
  EXPECT_EQ(value.text, L"other");

  // A same-size edit in place that keeps the file's time is not noticed (the hive is
  // not even read while its identity holds and its time lies well in the past); once the
  // time moves, it is.
  struct stat before;
  ASSERT_EQ(stat(HiveFile().c_str(), &before), 0);
  before.st_mtim.tv_sec -= 10;
  struct timespec past[2] = {before.st_atim, before.st_mtim};
  ASSERT_EQ(utimensat(AT_FDCWD, HiveFile().c_str(), past, 0), 0);
  ASSERT_EQ(key.QueryValue(L"v", &value), Status::Ok());
  std::string text = testing::TempRoot::ReadFile(HiveFile());
  size_t at = text.find("\"other\"");
  ASSERT_NE(at, std::string::npos);
  text.replace(at, 7, "\"OTHER\"");
  {
    int fd = open(HiveFile().c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(pwrite(fd, text.data(), text.size(), 0), static_cast<ssize_t>(text.size()));
    struct timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(futimens(fd, times), 0);
    close(fd);
  }
  ASSERT_EQ(key.QueryValue(L"v", &value), Status::Ok());
  EXPECT_EQ(value.text, L"other");
  struct timespec later[2] = {before.st_atim, before.st_mtim};
  later[1].tv_nsec = (later[1].tv_nsec + 1) % 1000000000;
  ASSERT_EQ(utimensat(AT_FDCWD, HiveFile().c_str(), later, 0), 0);
  ASSERT_EQ(key.QueryValue(L"v", &value), Status::Ok());
  EXPECT_EQ(value.text, L"OTHER");
}

// Another program rewriting the hive in place, several times within one tick of the
// file clock: same inode, same size, same time (set here, as a coarse clock would leave
// it). Every version is seen.
TEST_F(RegistryProcessTest, InPlaceRewritesWithinOneTickAreSeen) {
  RegKey key;
  struct timespec tick[2];
  ASSERT_EQ(clock_gettime(CLOCK_REALTIME, &tick[1]), 0);
  tick[0] = tick[1];
  for (char c = 'a'; c <= 'z'; ++c) {
    SCOPED_TRACE(c);
    std::string text =
        "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software]\n\"v\"=\"";
    text += c;
    text += "\"\n";
    int fd = open(HiveFile().c_str(), O_WRONLY | O_CREAT, 0644);  // no truncation, no new inode
    ASSERT_GE(fd, 0);
    ASSERT_EQ(pwrite(fd, text.data(), text.size(), 0), static_cast<ssize_t>(text.size()));
    ASSERT_EQ(futimens(fd, tick), 0);
    close(fd);
    RegValue value;
    ASSERT_EQ(RegKey::Open(Hive::kCurrentUser, L"Software", kKeyRead, &key), Status::Ok());
    ASSERT_EQ(key.QueryValue(L"v", &value), Status::Ok());
    EXPECT_EQ(value.text, std::wstring(1, static_cast<wchar_t>(c)));
  }
}

}  // namespace
}  // namespace kv
