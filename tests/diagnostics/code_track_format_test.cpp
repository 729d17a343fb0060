// The text of trace lines and the rules that name the trace file.
#include <gtest/gtest.h>

#include <string>

#include "diagnostics/code_track_format.h"
#include "platform/environment.h"
#include "code_track_test_support.h"

namespace {

codeTrackRecordS makeRecord(std::int64_t counter, std::uint32_t threadId, const char* text, std::uint32_t number,
                            std::uint32_t kind, std::uint32_t number2, const char* extra) {
  codeTrackRecordS record;
  clearCodeTrackRecord(record, threadId);
  record.counter = counter;
  record.time = 0;
  record.text = text;
  record.number = number;
  record.kind = kind;
  record.number2 = number2;
  record.extra = extra;
  return record;
}

std::string lineOf(const codeTrackRecordS& record, localTimeOfDayS timeOfDay) {
  return formatCodeTrackLine(record, timeOfDay).c_str();
}

TEST(CodeTrackFormat, WorkedExampleOfAFrameOpening) {
  const codeTrackRecordS record =
      makeRecord((std::int64_t{2} << 32) | 905, 4242, "engine", 141, codeTrackKindFrameEnter, 0, "init");
  EXPECT_EQ(lineOf(record, {14, 5, 9, 42}), "2905;14:5:9:42;4242;engine;141;Frame Enter(init)\n");
}

TEST(CodeTrackFormat, KindTexts) {
  struct rowS {
    std::uint32_t kind;
    std::uint32_t number2;
    const char* extra;
    const char* expectedTail;  // after "text;7;"
  };
  const rowS rows[] = {
      {codeTrackKindPoint, 0, nullptr, ""},                          // trace point: the line ends in ";"
      {codeTrackKindPoint, 0, "note", "(note)"},                     // trace point with extra text
      {codeTrackKindCondition, 5, nullptr, "Cond=5"},                //
      {codeTrackKindCondition, 0xFFFFFFFFu, nullptr, "Cond=-1"},     // number2 is written signed
      {codeTrackKindFrameEnter, 0, "f", "Frame Enter(f)"},           //
      {codeTrackKindFrameEnter, 0, "", "Frame Enter"},               // a frame without a name
      {codeTrackKindFrameLeave, 0, "f", "Frame Leave(f)"},           //
      {codeTrackKindFunctionEnter, 0, nullptr, "Enter Fnc"},         //
      {codeTrackKindFunctionDone, 42, nullptr, "Done Fnc (42)"},     //
      {codeTrackKindFunctionDone, 0, "why", "Done Fnc (0)(why)"},    // extra follows the kind text directly
      {codeTrackKindException, 0, nullptr, "Exception"},             //
      {8, 3, "x", "(x)"},                                            // unknown kind: no kind text
  };
  for (const rowS& row : rows) {
    SCOPED_TRACE("kind " + std::to_string(row.kind));
    const codeTrackRecordS record = makeRecord(1, 3, "text", 7, row.kind, row.number2, row.extra);
    EXPECT_EQ(lineOf(record, {0, 0, 0, 0}), std::string("01;0:0:0:0;3;text;7;") + row.expectedTail + "\n");
  }
}

TEST(CodeTrackFormat, FieldsAreWrittenUnpaddedAndSideBySide) {
  struct rowS {
    std::int64_t counter;
    std::uint32_t threadId;
    const char* text;
    std::uint32_t number;
    localTimeOfDayS time;
    const char* expected;
  };
  const rowS rows[] = {
      // no separator between the counter's high and low parts, no padding
      {(std::int64_t{1} << 32) | 7, 9, "a.cpp", 12, {1, 2, 3, 4}, "17;1:2:3:4;9;a.cpp;12;\n"},
      {0, 9, "a.cpp", 12, {23, 59, 59, 999}, "00;23:59:59:999;9;a.cpp;12;\n"},
      // all 64 bits set: both parts at their maximum
      {-1, 9, "a.cpp", 12, {0, 0, 0, 0}, "42949672954294967295;0:0:0:0;9;a.cpp;12;\n"},
      // a null text leaves the field between its semicolons empty
      {5, 9, nullptr, 12, {0, 0, 0, 0}, "05;0:0:0:0;9;;12;\n"},
      // thread id and number are written as signed numbers
      {5, 0xFFFFFFFFu, "t", 0x80000000u, {0, 0, 0, 0}, "05;0:0:0:0;-1;t;-2147483648;\n"},
  };
  for (const rowS& row : rows) {
    SCOPED_TRACE(row.expected);
    const codeTrackRecordS record = makeRecord(row.counter, row.threadId, row.text, row.number, codeTrackKindPoint, 0,
                                               nullptr);
    EXPECT_EQ(lineOf(record, row.time), row.expected);
  }
}

TEST(CodeTrackFormat, ClearedRecordIsEmpty) {
  codeTrackRecordS record = makeRecord(5, 1, "t", 2, codeTrackKindFunctionDone, 3, "x");
  clearCodeTrackRecord(record, 77);
  EXPECT_EQ(record.kind, 0u);
  EXPECT_EQ(record.text, nullptr);
  EXPECT_EQ(record.number, 0u);
  EXPECT_EQ(record.number2, 0u);
  EXPECT_FALSE(record.extra.hasStorage());
  EXPECT_EQ(record.threadId, 77u);
}

TEST(CodeTrackFormat, FileNameIsBuiltFromItsParts) {
  EXPECT_STREQ(codeTrackFileNameIn("d/", 12, "zkcomiconvdll.dll").c_str(), "d/codetrack.12.zkcomiconvdll.dll.txt");
  // The thread id is written signed, as "%d" writes it.
  EXPECT_STREQ(codeTrackFileNameIn("c:/", 0xFFFFFFFEu, "m").c_str(), "c:/codetrack.-2.m.txt");
  EXPECT_STREQ(codeTrackFileNameIn(nullptr, 1, nullptr).c_str(), "codetrack.1..txt");
}

TEST(CodeTrackFormat, DirectoryIsTheFirstNonEmptyVariable) {
  struct rowS {
    const char* temp;
    const char* tmp;
    const char* upperTemp;
    const char* upperTmp;
    const char* expected;  // null: the platform default
  };
  // Windows names are case-insensitive ("temp" and "TEMP" are one
  // variable), so the rows set the upper-case names only where the lower-case
  // one is absent; every row then means the same on both platforms.
  const rowS rows[] = {
      {"A", "B", nullptr, nullptr, "A/"},        // "temp" wins and gets a "/"
      {"A/", nullptr, nullptr, nullptr, "A/"},   // ends in "/": kept
      {"A\\", nullptr, nullptr, nullptr, "A\\"}, // ends in a backslash: kept
      {"", "B", nullptr, nullptr, "B/"},         // an empty "temp" is skipped
      {nullptr, nullptr, "C", "D", "C/"},        // "TEMP" before "TMP"
      {nullptr, nullptr, nullptr, "D\\", "D\\"}, // "TMP" last
      {nullptr, nullptr, nullptr, nullptr, nullptr},
  };
  for (const rowS& row : rows) {
    SCOPED_TRACE(std::string("expected ") + (row.expected != nullptr ? row.expected : "(default)"));
    codetracktest::scratchEnvironmentC environment;
    const char* names[] = {"temp", "tmp", "TEMP", "TMP"};
    const char* values[] = {row.temp, row.tmp, row.upperTemp, row.upperTmp};
    for (const char* name : names) environment.unset(name);
    for (int i = 0; i < 4; ++i) {
      if (values[i] != nullptr) environment.set(names[i], values[i]);
    }
    const std::string expected = row.expected != nullptr ? row.expected : defaultTempDirectory();
    EXPECT_EQ(std::string(codeTrackDirectory().c_str()), expected);
  }
}

TEST(CodeTrackFormat, DefaultDirectoryEndsInASeparator) {
  const std::string directory = defaultTempDirectory();
  ASSERT_FALSE(directory.empty());
  EXPECT_EQ(directory.back(), '/');
}

}  // namespace
