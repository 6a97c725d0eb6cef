// The library's unit and precision settings: one set per process, read from the
// registry when the library loads (a value is taken only when it exists and is a
// REG_DWORD) and kept in memory afterwards.
#pragma once

namespace kv::number {

struct Settings {
  int defaultPrecision = 4;       // "DefaultPrecision": precision -1 of rtos
  int defaultUnits = 2;           // "DefaultUnits": units -1 of rtos (2 decimal)
  int defaultAnglePrecision = 4;  // "DefaultAnglePrecision": precision -1 of angtos
  int defaultAngleUnits = 0;      // "DefaultAngleUnits": units -1 of angtos (0 radians)
  int maxPrecision = 4;           // RtosMaxPrecision's digits; never stored
};

// The process's settings. Plain variables without a lock: the library is used from
// its host's user-interface thread.
extern Settings g_settings;

}  // namespace kv::number
