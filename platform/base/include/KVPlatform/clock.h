// The clock: what time it is now, for everything that stamps times (logs above all).
// It is the system clock unless a program installs another for the process (SetClock):
// tests install a fixed one, so code that writes times is tested as it runs, without a
// branch of its own.
#pragma once

#include "KVPlatform/export.h"

#include <cstdint>
#include <functional>

namespace kv {

// The current time as nanoseconds since 1970-01-01 00:00 UTC.
using ClockSource = std::function<int64_t()>;

// Installs a clock for the process; an empty one restores the system clock.
KV_EXPORT void SetClock(ClockSource source);

// Nanoseconds since 1970-01-01 00:00 UTC, from the installed clock.
KV_EXPORT int64_t CurrentTimeNanoseconds();

// A date and time as Windows' SYSTEMTIME holds it: month 1-12, day of the week 0-6 from
// Sunday, milliseconds 0-999.
struct KV_EXPORT SystemTime {
  int year = 0;
  int month = 0;
  int dayOfWeek = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
  int milliseconds = 0;
};

// GetLocalTime: the installed clock's time in the process's time zone (TZ, else the
// system's).
//   12:05:09.042 UTC on 7 December 2026, TZ=UTC0 => {2026, 12, 1, 7, 12, 5, 9, 42}
KV_EXPORT SystemTime GetLocalTime();

}  // namespace kv
