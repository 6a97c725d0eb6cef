// AppendToLogFile: rotation past the limit, and rotation under the log's lock with the
// size looked at again once the lock is held.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "KVPlatform/file_tasks.h"
#include "file_fault.h"
#include "temp_root.h"

namespace kv {
namespace {

using testing::TempRoot;

class LogFileTest : public testing::RootTest {
 protected:
  std::filesystem::path Host(const char* name) const { return root_.Drive(L'c') / name; }
  static Status Append(std::string_view record) {
    return AppendToLogFile(L"C:\\log.txt", L"C:\\prev.txt", 10, record);
  }
};

TEST_F(LogFileTest, RotatesALogLargerThanTheLimitOnce) {
  struct Row {
    const char* log;  // before; null for none
    const char* expectedLog;
    const char* expectedPrevious;
  };
  const Row rows[] = {
      {nullptr, "+", "older"},
      {"0123456789", "0123456789+", "older"},  // at the limit
      {"0123456789A", "+", "0123456789A"},     // past it: replaces the older generation
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.log != nullptr ? row.log : "(none)");
    std::filesystem::remove(Host("log.txt"));
    if (row.log != nullptr) TempRoot::WriteFile(Host("log.txt"), row.log);
    TempRoot::WriteFile(Host("prev.txt"), "older");
    EXPECT_EQ(Append("+"), Status::Ok());
    EXPECT_EQ(TempRoot::ReadFile(Host("log.txt")), row.expectedLog);
    EXPECT_EQ(TempRoot::ReadFile(Host("prev.txt")), row.expectedPrevious);
  }
  EXPECT_EQ(AppendToLogFile(L"C:\\missing\\log.txt", L"C:\\missing\\prev.txt", 10, "+").code(),
            kErrorPathNotFound);
}

// A rotation that fails keeps the record: it goes to the current log, and the failure
// is told apart from the append's.
TEST_F(LogFileTest, AFailedRotationKeepsTheRecord) {
  TempRoot::WriteFile(Host("log.txt"), "0123456789A");
  testing::FileFault fault(host::FileStep::kRename, 1, kErrorSharingViolation);
  Status rotation;
  EXPECT_EQ(AppendToLogFile(L"C:\\log.txt", L"C:\\prev.txt", 10, "+", &rotation), Status::Ok());
  EXPECT_TRUE(fault.fired());
  EXPECT_EQ(rotation.code(), kErrorSharingViolation);
  EXPECT_EQ(TempRoot::ReadFile(Host("log.txt")), "0123456789A+");
  EXPECT_FALSE(std::filesystem::exists(Host("prev.txt")));
}

// A process that finds the log too large waits for the lock, and once it holds it sees
// that another process has rotated the log meanwhile: it must not rotate again (which
// would replace the generation just made with the fresh log).
TEST_F(LogFileTest, RotationWaitsForTheLockAndLooksAgain) {
  TempRoot::WriteFile(Host("log.txt"), "0123456789A");
  const int lock = open((Host("log.txt").string() + ".lock").c_str(), O_RDWR | O_CREAT, 0666);
  ASSERT_GE(lock, 0);
  ASSERT_EQ(flock(lock, LOCK_EX), 0);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) _exit(Append("child").ok() ? 0 : 1);

  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(TempRoot::ReadFile(Host("log.txt")), "0123456789A") << "rotated without the lock";
  // Another process rotates while the child waits.
  std::filesystem::rename(Host("log.txt"), Host("prev.txt"));
  TempRoot::WriteFile(Host("log.txt"), "other");
  flock(lock, LOCK_UN);
  close(lock);

  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(TempRoot::ReadFile(Host("prev.txt")), "0123456789A");
  EXPECT_EQ(TempRoot::ReadFile(Host("log.txt")), "otherchild");
}

}  // namespace
}  // namespace kv
