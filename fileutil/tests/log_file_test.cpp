#include "KVFileUtilities/log_file.h"

#include <stdlib.h>

#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "KVPlatform/clock.h"
#include "KVPlatform/local_time.h"
#include "KVPlatform/registry.h"
#include "KVPlatform/ui.h"
#include "child_process.h"
#include "data_path_fixture.h"

namespace {

using kv::fileutil::testing::ChildGate;
using kv::fileutil::testing::RunChild;
using kv::testing::TempRoot;

constexpr wchar_t kKey[] = L"Software\\Kestrel\\KVDNC";

void SetDataPath(kv::Hive hive, const wchar_t* key, const wchar_t* value) {
  kv::RegKey product;
  ASSERT_TRUE(kv::RegKey::Create(hive, key, kv::kKeyAllAccess, &product).ok());
  ASSERT_TRUE(product.SetValue(L"Data Path", kv::RegValue::String(value)).ok());
}

// The product's data path is C:\Data as well. The log folder of this process may have
// been worked out in an earlier test's root, where the levels were made: they are made
// here too.
class LogFileTest : public kv::fileutil::testing::DataPathTest {
 protected:
  LogFileTest() {
    SetDataPath(kv::Hive::kCurrentUser, kKey, L"C:\\Data");
    std::filesystem::create_directories(DataFolder() / "Logs");
    setenv("TZ", "UTC0", 1);
    kv::ResetTimeZone();
  }
  ~LogFileTest() override {
    kv::SetClock({});
    unsetenv("TZ");
    kv::ResetTimeZone();
  }
  std::filesystem::path Log() const { return DataFolder() / "Logs" / "KestrelSystemLog.txt"; }
  std::filesystem::path PreviousLog() const {
    return DataFolder() / "Logs" / "KestrelSystemsPrevLog.txt";
  }
};

// 2026-12-07 15:05:09.042 and 2027-01-02 03:04:05.007 UTC.
constexpr int64_t kDecember = 1796655909042000000;
constexpr int64_t kJanuary = 1798859045007000000;

TEST_F(LogFileTest, EntriesHaveTheirExactBytes) {
  struct Row {
    int64_t now;
    const wchar_t* message;
    const char* entry;
  };
  const Row rows[] = {
      {kDecember, L"Data updated", "\r\n12-07-2026 15:05:09:42 | Data updated"},
      {kJanuary, L"100% done, %s %d", "\r\n01-02-2027 03:04:05:7 | 100% done, %s %d"},
      {kJanuary, L"two\nlines", "\r\n01-02-2027 03:04:05:7 | two\r\nlines"},
      {kJanuary, L"Grüße €", "\r\n01-02-2027 03:04:05:7 | Grüße €"},
      {kJanuary, L"", "\r\n01-02-2027 03:04:05:7 | "},
  };
  std::string expected;
  for (const Row& row : rows) {
    kv::SetClock([&] { return row.now; });
    WriteLogMessageCore(kKey, row.message);
    expected += row.entry;
  }
  EXPECT_EQ(TempRoot::ReadFile(Log()), expected);
}

TEST_F(LogFileTest, RotatesOnlyALogLargerThanTheLimit) {
  kv::SetClock([] { return kDecember; });
  const std::string entry = "\r\n12-07-2026 15:05:09:42 | next";
  for (size_t size : {size_t{1000000}, size_t{1000001}}) {
    SCOPED_TRACE(size);
    const std::string full(size, 'x');
    TempRoot::WriteFile(Log(), full);
    TempRoot::WriteFile(PreviousLog(), "older generation");
    WriteLogMessageCore(kKey, L"next");
    if (size > 1000000) {
      EXPECT_EQ(TempRoot::ReadFile(PreviousLog()), full);
      EXPECT_EQ(TempRoot::ReadFile(Log()), entry);
    } else {
      EXPECT_EQ(TempRoot::ReadFile(PreviousLog()), "older generation");
      EXPECT_EQ(TempRoot::ReadFile(Log()), full + entry);
    }
  }
}

TEST_F(LogFileTest, TheMessageBoxLogsThenShowsAndTheExEntryDoesNothing) {
  kv::SetClock([] { return kDecember; });
  std::wstring text = L"kept";
  wchar_t buffer[8] = L"";
  WriteLogMessageExCore(kKey, text, buffer, true);
  EXPECT_FALSE(std::filesystem::exists(Log()));
  KtlMessageBoxCore(kKey, L"Check permission levels.");
  EXPECT_EQ(TempRoot::ReadFile(Log()), "\r\n12-07-2026 15:05:09:42 | Check permission levels.");
  ASSERT_EQ(ui_.Messages().size(), 1u);
  EXPECT_EQ(ui_.Messages()[0].text, L"Check permission levels.");
  EXPECT_EQ(ui_.Messages()[0].caption, kv::ProgramName());
  EXPECT_EQ(ui_.Messages()[0].buttons, kv::kMbOk);
}

// Each process works the folder out on its first call from its own key (HKCU before
// HKLM, with or without a final backslash), makes every level, and keeps it: a later
// key does not move the log, and a key without an absolute "Data Path" drops its
// message.
TEST_F(LogFileTest, TheFolderIsTheFirstKeysForTheProcess) {
  SetDataPath(kv::Hive::kCurrentUser, L"Software\\Kestrel\\A", L"C:\\A");
  SetDataPath(kv::Hive::kLocalMachine, L"Software\\Kestrel\\A", L"C:\\Machine\\");
  SetDataPath(kv::Hive::kLocalMachine, L"Software\\Kestrel\\B", L"C:\\Deep\\B\\");
  SetDataPath(kv::Hive::kCurrentUser, L"Software\\Kestrel\\Relative", L"Data\\");
  struct Row {
    const char* first;
    const char* second;
    const char* folder;
  };
  const Row rows[] = {
      {"Software\\Kestrel\\A", "Software\\Kestrel\\B", "A/Logs"},
      {"Software\\Kestrel\\B", "Software\\Kestrel\\A", "Deep/B/Logs"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.first);
    auto result =
        RunChild({"log", "Software\\Kestrel\\None", "dropped", "log", "Software\\Kestrel\\Relative",
                  "dropped", "log", row.first, "one", "log", row.second, "two"});
    ASSERT_EQ(result.status, 0);
    const std::string log =
        TempRoot::ReadFile(root_.Drive(L'c') / row.folder / "KestrelSystemLog.txt");
    EXPECT_NE(log.find(" | one\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find(" | two"), std::string::npos) << log;
    EXPECT_EQ(log.find("dropped"), std::string::npos) << log;
  }
  EXPECT_FALSE(std::filesystem::exists(root_.Drive(L'c') / "Machine"));
}

// Two processes find the log past its limit at the same moment: it is rotated once
// (the previous generation is the full log, whole), and every entry of both ends up in
// the new log as a line of its own.
TEST_F(LogFileTest, TwoProcessesRotatingAtOnceLoseNothing) {
  constexpr int kEntries = 100;
  const std::string full = std::string(1000001, 'x');
  for (int round = 0; round < 5; ++round) {
    SCOPED_TRACE(round);
    // The processes find their folder before the gate, so that both reach the size test
    // at once; their first entries go to a log that is then replaced.
    TempRoot::WriteFile(Log(), "");
    std::filesystem::remove(PreviousLog());
    ChildGate gate;
    for (const char* name : {"first-%i", "second-%i"}) {
      gate.Start({"log", "Software\\Kestrel\\KVDNC", "warm-up", "GATE", "log",
                  "Software\\Kestrel\\KVDNC", name, std::to_string(kEntries)});
    }
    gate.WaitUntilReady();
    TempRoot::WriteFile(Log(), full);
    EXPECT_EQ(gate.OpenAndWait(), (std::vector<int>{0, 0}));
    EXPECT_TRUE(TempRoot::ReadFile(PreviousLog()) == full) << "the full log was not kept whole";
    const std::string log = TempRoot::ReadFile(Log());
    std::multiset<std::string> messages;
    size_t start = 0;
    ASSERT_EQ(log.substr(0, 2), "\r\n");
    while (start < log.size()) {
      size_t end = log.find("\r\n", start + 2);
      if (end == std::string::npos) end = log.size();
      const std::string line = log.substr(start + 2, end - start - 2);
      const size_t bar = line.find(" | ");
      ASSERT_NE(bar, std::string::npos) << line;
      messages.insert(line.substr(bar + 3));
      start = end;
    }
    std::multiset<std::string> expected;
    for (int i = 0; i < kEntries; ++i) {
      expected.insert("first-" + std::to_string(i));
      expected.insert("second-" + std::to_string(i));
    }
    EXPECT_TRUE(messages == expected) << messages.size() << " entries";
  }
}

}  // namespace
