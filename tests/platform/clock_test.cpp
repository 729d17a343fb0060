// The performance counter, the system file time and its local time of day.
#include "platform/clock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <thread>

namespace {

// Seconds from 1601-01-01 to 1970-01-01, both UTC.
constexpr std::int64_t secondsFrom1601To1970 = 11644473600LL;

TEST(Clock, PerformanceCounterGrowsAndFileTimeIsUtcSince1601) {
  const std::int64_t first = readPerformanceCounter();
  const std::int64_t second = readPerformanceCounter();
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_GT(first, 0);
  EXPECT_LE(first, second);
  EXPECT_LT(second, readPerformanceCounter());
  const std::int64_t expectedSeconds =
      std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count() +
      secondsFrom1601To1970;
  EXPECT_NEAR(static_cast<double>(readSystemFileTime() / 10000000u), static_cast<double>(expectedSeconds), 5.0);
}

// 2020-01-02 03:04:05 UTC plus a fraction. Time zones differ from UTC by whole
// quarter hours, so the minute stays 4 modulo 15 and the seconds stay 5.
TEST(Clock, LocalTimeOfDayKeepsSecondsAndMilliseconds) {
  const std::uint64_t fileTime = static_cast<std::uint64_t>(1577934245LL + secondsFrom1601To1970) * 10000000u;
  // {100-ns units past the second, millisecond}: 0.9999 ms is still millisecond 0.
  const int rows[][2] = {{6780000, 678}, {9999, 0}, {10000, 1}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row[0]);
    localTimeOfDayS timeOfDay = {-1, -1, -1, -1};
    ASSERT_TRUE(fileTimeToLocalTimeOfDay(fileTime + row[0], timeOfDay));
    EXPECT_GE(timeOfDay.hour, 0);
    EXPECT_LE(timeOfDay.hour, 23);
    EXPECT_EQ(timeOfDay.minute % 15, 4);
    EXPECT_EQ(timeOfDay.second, 5);
    EXPECT_EQ(timeOfDay.milliseconds, row[1]);
  }
}

}  // namespace
