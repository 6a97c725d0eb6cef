// Local time: the conversions between seconds since 1970 (UTC) and the broken-down
// local date and time of the process's time zone (TZ, else the system's zone).
#pragma once

#include "KVPlatform/export.h"

#include <cstdint>
#include <ctime>

namespace kv {

// Reads the time-zone setting again (after TZ changed), as the runtime's _tzset does.
KV_EXPORT void ResetTimeZone();

// The local date and time of `seconds` (tm_year counts from 1900, tm_mon from 0).
// False when the value cannot be represented.
KV_EXPORT bool ToLocalTime(int64_t seconds, std::tm* local);

// The seconds since 1970 of a local date and time. tm_isdst says whether daylight
// saving is in effect (1), not (0), or unknown (-1: the zone's rules decide). Fields out
// of range are carried over (31 June is 1 July). -1 when it cannot be represented.
KV_EXPORT int64_t FromLocalTime(std::tm local);

}  // namespace kv
