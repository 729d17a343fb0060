// Clocks for POSIX: the monotonic clock stands in for the performance
// counter; the real-time clock is converted to file-time units.
#include "platform/clock.h"

#include <time.h>

namespace {
// Seconds from 1601-01-01 to 1970-01-01, both UTC.
constexpr std::int64_t secondsFrom1601To1970 = 11644473600LL;
constexpr std::int64_t unitsPerSecond = 10000000;  // 100-ns units
}  // namespace

std::int64_t readPerformanceCounter() {
  timespec now;
  if (clock_gettime(CLOCK_MONOTONIC, &now) != 0) return 0;
  return static_cast<std::int64_t>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

std::uint64_t readSystemFileTime() {
  timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  return static_cast<std::uint64_t>((static_cast<std::int64_t>(now.tv_sec) + secondsFrom1601To1970) * unitsPerSecond +
                                    now.tv_nsec / 100);
}

bool fileTimeToLocalTimeOfDay(std::uint64_t fileTime, localTimeOfDayS& timeOfDay) {
  // File times beyond the signed range cannot be local times either (the
  // Windows conversion refuses them too).
  if (fileTime > static_cast<std::uint64_t>(INT64_MAX)) return false;
  const std::int64_t units = static_cast<std::int64_t>(fileTime);
  const time_t seconds = static_cast<time_t>(units / unitsPerSecond - secondsFrom1601To1970);
  tzset();  // the time-zone settings in force now, not those of the first call
  tm local;
  if (localtime_r(&seconds, &local) == nullptr) return false;
  timeOfDay.hour = local.tm_hour;
  timeOfDay.minute = local.tm_min;
  timeOfDay.second = local.tm_sec;
  timeOfDay.milliseconds = static_cast<int>((units / 10000) % 1000);
  return true;
}
