// The text of trace lines and the trace file's name. (The kind texts are
// checked through the manager, in code_track_test.cpp.)
#include <gtest/gtest.h>

#include <string>

#include "diagnostics/code_track_format.h"

namespace {

TEST(CodeTrackFormat, LineText) {
  const std::uint32_t point = codeTrackKindPoint;
  const struct rowS {
    codeTrackRecordS record;  // counter, time, kind, text, number, number2, extra, thread id
    localTimeOfDayS time;
    const char* expected;  // without the "\n"
  } rows[] = {
      {{(std::int64_t{2} << 32) | 905, 0, codeTrackKindFrameEnter, "engine", 141, 0, "init", 4242}, {14, 5, 9, 42},
       "2905;14:5:9:42;4242;engine;141;Frame Enter(init)"},  // the counter's two parts side by side
      {{0, 0, point, "a.cpp", 12, 0, nullptr, 9}, {23, 59, 59, 999}, "00;23:59:59:999;9;a.cpp;12;"},  // unpadded
      {{-1, 0, point, "a.cpp", 12, 0, nullptr, 9}, {1, 2, 3, 4}, "42949672954294967295;1:2:3:4;9;a.cpp;12;"},
      {{5, 0, point, nullptr, 12, 0, nullptr, 9}, {}, "05;0:0:0:0;9;;12;"},  // null text: an empty field
      {{5, 0, point, "t", 0x80000000u, 0, nullptr, 0xFFFFFFFFu}, {}, "05;0:0:0:0;-1;t;-2147483648;"},  // signed
      {{1, 0, 8, "t", 7, 3, "x", 3}, {}, "01;0:0:0:0;3;t;7;(x)"},  // unknown kind: no kind text
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
