// Clocks for Windows: QueryPerformanceCounter and the system file time.
#include "platform/clock.h"

#include <windows.h>

std::int64_t readPerformanceCounter() {
  LARGE_INTEGER counter;
  if (!QueryPerformanceCounter(&counter)) return 0;
  return counter.QuadPart;
}

std::uint64_t readSystemFileTime() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  return (static_cast<std::uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
}

bool fileTimeToLocalTimeOfDay(std::uint64_t fileTime, localTimeOfDayS& timeOfDay) {
  FILETIME utc;
  utc.dwLowDateTime = static_cast<DWORD>(fileTime & 0xFFFFFFFFu);
  utc.dwHighDateTime = static_cast<DWORD>(fileTime >> 32);
  FILETIME local;
  SYSTEMTIME parts;
  if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &parts)) return false;
  timeOfDay.hour = parts.wHour;
  timeOfDay.minute = parts.wMinute;
  timeOfDay.second = parts.wSecond;
  timeOfDay.milliseconds = parts.wMilliseconds;
  return true;
}
