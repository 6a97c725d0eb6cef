// The process's clock: the system's real-time clock unless another is installed.
#include "KVPlatform/clock.h"

#include <time.h>

#include <atomic>
#include <mutex>
#include <utility>

#include "KVPlatform/local_time.h"

namespace kv {
namespace {

std::mutex g_mutex;
ClockSource* g_source = nullptr;       // guarded by g_mutex
std::atomic<bool> g_installed{false};  // the system clock needs no lock

int64_t FloorDivide(int64_t value, int64_t divisor) {
  int64_t quotient = value / divisor;
  return (value % divisor != 0 && value < 0) ? quotient - 1 : quotient;
}

}  // namespace

void SetClock(ClockSource source) {
  std::lock_guard lock(g_mutex);
  delete g_source;
  g_source = source ? new ClockSource(std::move(source)) : nullptr;
  g_installed.store(g_source != nullptr);
}

int64_t CurrentTimeNanoseconds() {
  if (g_installed.load(std::memory_order_relaxed)) {
    std::lock_guard lock(g_mutex);
    if (g_source != nullptr) return (*g_source)();
  }
  struct timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  return static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

SystemTime GetLocalTime() {
  const int64_t now = CurrentTimeNanoseconds();
  const int64_t seconds = FloorDivide(now, 1000000000);
  std::tm local{};
  SystemTime time;
  if (!ToLocalTime(seconds, &local)) return time;
  time.year = local.tm_year + 1900;
  time.month = local.tm_mon + 1;
  time.dayOfWeek = local.tm_wday;
  time.day = local.tm_mday;
  time.hour = local.tm_hour;
  time.minute = local.tm_min;
  time.second = local.tm_sec;
  time.milliseconds = static_cast<int>((now - seconds * 1000000000) / 1000000);
  return time;
}

}  // namespace kv
