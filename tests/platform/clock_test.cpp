// The performance counter, the system file time and its local time of day.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <thread>

#include "platform/clock.h"

namespace {

// Seconds from 1601-01-01 to 1970-01-01, both UTC.
constexpr std::int64_t secondsFrom1601To1970 = 11644473600LL;

TEST(Clock, PerformanceCounterGrows) {
  const std::int64_t first = readPerformanceCounter();
  const std::int64_t second = readPerformanceCounter();
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  const std::int64_t third = readPerformanceCounter();
  EXPECT_GT(first, 0);
  EXPECT_LE(first, second);
  EXPECT_LT(second, third);
}

TEST(Clock, SystemFileTimeIsUtcSince1601) {
  const auto sinceUnixEpoch = std::chrono::system_clock::now().time_since_epoch();
  const std::int64_t expectedSeconds =
      std::chrono::duration_cast<std::chrono::seconds>(sinceUnixEpoch).count() + secondsFrom1601To1970;
  const std::int64_t fileTimeSeconds = static_cast<std::int64_t>(readSystemFileTime() / 10000000u);
  EXPECT_NEAR(static_cast<double>(fileTimeSeconds), static_cast<double>(expectedSeconds), 5.0);
}

TEST(Clock, LocalTimeOfDayKeepsSecondsAndMilliseconds) {
  // 2020-01-02 03:04:05.678 UTC. Time zones differ from UTC by whole
  // quarter hours, so the minute stays 4 modulo 15 and seconds and
  // milliseconds stay as they are.
  const std::uint64_t fileTime =
      static_cast<std::uint64_t>(1577934245LL + secondsFrom1601To1970) * 10000000u + 6780000u;
  localTimeOfDayS timeOfDay = {-1, -1, -1, -1};
  ASSERT_TRUE(fileTimeToLocalTimeOfDay(fileTime, timeOfDay));
  EXPECT_GE(timeOfDay.hour, 0);
  EXPECT_LE(timeOfDay.hour, 23);
  EXPECT_EQ(timeOfDay.minute % 15, 4);
  EXPECT_EQ(timeOfDay.second, 5);
  EXPECT_EQ(timeOfDay.milliseconds, 678);
}

TEST(Clock, ConsecutiveTimesOfDayAreAMillisecondApart) {
  const std::uint64_t fileTime = static_cast<std::uint64_t>(1577934245LL + secondsFrom1601To1970) * 10000000u;
  localTimeOfDayS first = {};
  localTimeOfDayS later = {};
  ASSERT_TRUE(fileTimeToLocalTimeOfDay(fileTime + 9999, first));  // 0.9999 ms: still millisecond 0
  ASSERT_TRUE(fileTimeToLocalTimeOfDay(fileTime + 10000, later));
  EXPECT_EQ(first.milliseconds, 0);
  EXPECT_EQ(later.milliseconds, 1);
  EXPECT_EQ(first.second, later.second);
}

}  // namespace
