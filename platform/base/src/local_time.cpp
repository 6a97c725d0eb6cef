// Local time through the C runtime's reentrant conversions.
#include "KVPlatform/local_time.h"

#include <time.h>

namespace kv {

void ResetTimeZone() { tzset(); }

bool ToLocalTime(int64_t seconds, std::tm* local) {
  const time_t value = static_cast<time_t>(seconds);
  return localtime_r(&value, local) != nullptr;
}

int64_t FromLocalTime(std::tm local) { return static_cast<int64_t>(mktime(&local)); }

}  // namespace kv
