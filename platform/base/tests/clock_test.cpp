#include "KVPlatform/clock.h"

#include <stdlib.h>

#include <vector>

#include <gtest/gtest.h>

#include "KVPlatform/local_time.h"

namespace kv {
namespace {

// An installed clock decides what GetLocalTime says, in the process's zone, with times
// before 1970 rounded down to whole seconds; an empty clock brings the system's back.
TEST(Clock, LocalTimeComesFromTheInstalledClock) {
  setenv("TZ", "UTC0", 1);
  ResetTimeZone();
  struct Row {
    int64_t nanoseconds;
    SystemTime expected;
  };
  const Row rows[] = {
      {1796645109042999999, {2026, 12, 1, 7, 12, 5, 9, 42}},
      {0, {1970, 1, 4, 1, 0, 0, 0, 0}},
      {-1, {1969, 12, 3, 31, 23, 59, 59, 999}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.nanoseconds);
    SetClock([&] { return row.nanoseconds; });
    EXPECT_EQ(CurrentTimeNanoseconds(), row.nanoseconds);
    SystemTime t = GetLocalTime();
    const SystemTime& e = row.expected;
    EXPECT_EQ((std::vector<int>{t.year, t.month, t.dayOfWeek, t.day, t.hour, t.minute, t.second,
                                t.milliseconds}),
              (std::vector<int>{e.year, e.month, e.dayOfWeek, e.day, e.hour, e.minute, e.second,
                                e.milliseconds}));
  }
  setenv("TZ", "CET-1", 1);
  ResetTimeZone();
  SetClock([] { return int64_t{1796645109042000000}; });
  EXPECT_EQ(GetLocalTime().hour, 13);
  SetClock({});
  EXPECT_GT(CurrentTimeNanoseconds(), int64_t{1700000000} * 1000000000);
  unsetenv("TZ");
  ResetTimeZone();
}

}  // namespace
}  // namespace kv
