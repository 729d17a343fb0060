// The text of trace lines and the trace file's name (kind texts: code_track_test.cpp).
#include "diagnostics/code_track_format.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(CodeTrackFormat, LineText) {
  const std::uint32_t point = codeTrackKindPoint;
  // record: counter, time, kind, text, number, number2, extra, thread id; expected: without the "\n"
  const struct rowS {
    codeTrackRecordS record;
    localTimeOfDayS time;
    const char* expected;
  } rows[] = {
      {{(std::int64_t{2} << 32) | 905, 0, codeTrackKindFrameEnter, "engine", 141, 0, "init", 4242},
       {14, 5, 9, 42},
       "2905;14:5:9:42;4242;engine;141;Frame Enter(init)"},  // the counter's two parts side by side
      {{0, 0, point, "a.cpp", 12, 0, nullptr, 9}, {23, 59, 59, 999}, "00;23:59:59:999;9;a.cpp;12;"},  // unpadded
      {{-1, 0, point, "a.cpp", 12, 0, nullptr, 9}, {1, 2, 3, 4}, "42949672954294967295;1:2:3:4;9;a.cpp;12;"},
      {{5, 0, point, "t", 0x80000000u, 0, nullptr, 0xFFFFFFFFu}, {}, "05;0:0:0:0;-1;t;-2147483648;"},  // signed
  };
  for (const rowS& row : rows) {
    SCOPED_TRACE(row.expected);
    EXPECT_EQ(std::string(formatCodeTrackLine(row.record, row.time).c_str()), std::string(row.expected) + "\n");
  }
}

TEST(CodeTrackFormat, FileNameIsBuiltFromItsParts) {
  EXPECT_STREQ(codeTrackFileNameIn("d/", 12, "zkcomiconvdll.dll").c_str(), "d/codetrack.12.zkcomiconvdll.dll.txt");
  EXPECT_STREQ(codeTrackFileNameIn("c:/", 0xFFFFFFFEu, "m").c_str(), "c:/codetrack.-2.m.txt");  // "%d"
  EXPECT_STREQ(codeTrackFileNameIn(nullptr, 1, nullptr).c_str(), "codetrack.1..txt");
}

}  // namespace
