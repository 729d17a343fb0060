// The two clocks that timestamp trace records: the high-resolution
// performance counter and the system time, plus the conversion of a system
// time to the local time of day.
//
// A system time ("file time") is a count of 100-nanosecond units since
// 1601-01-01 00:00:00 UTC, held in an unsigned 64-bit integer.
//
// Backend contract (platform/<posix|win32>/clock.cpp):
// - readPerformanceCounter() answers the raw counter value: Windows
//   QueryPerformanceCounter; POSIX the monotonic clock in nanoseconds. The
//   value only grows within a process; no frequency goes with it. It answers
//   0 if the platform cannot read the counter.
// - readSystemFileTime() answers the current UTC time as a file time:
//   Windows GetSystemTimeAsFileTime; POSIX the real-time clock converted to
//   the same units and epoch. It cannot fail.
// - fileTimeToLocalTimeOfDay() converts a file time to the local time of day
//   under the time-zone settings in force at the call: Windows
//   FileTimeToLocalFileTime then FileTimeToSystemTime; POSIX the C library's
//   local time. It answers true and fills `timeOfDay`, or answers false and
//   leaves `timeOfDay` untouched when the time cannot be converted.
#pragma once

#include <cstdint>

// A local time of day; the date is not kept.
struct localTimeOfDayS {
  int hour;          // 0 to 23
  int minute;        // 0 to 59
  int second;        // 0 to 59 (60 for a leap second where the platform has one)
  int milliseconds;  // 0 to 999
};

std::int64_t readPerformanceCounter();
std::uint64_t readSystemFileTime();
bool fileTimeToLocalTimeOfDay(std::uint64_t fileTime, localTimeOfDayS& timeOfDay);
