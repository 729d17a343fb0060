// The text of the code-track trace file: the record slot, the line written
// for each record and the rules that name the trace file.
//
// These are plain functions without state, so the exact text can be checked
// apart from the manager that keeps the ring (diagnostics/code_track.h).
#pragma once

#include <cstdint>

#include "base/str.h"
#include "platform/clock.h"

// Record kinds; a slot of kind 0 is empty and is not written.
enum codeTrackKindE : std::uint32_t {
  codeTrackKindEmpty = 0,
  codeTrackKindPoint = 1,          // no kind text
  codeTrackKindCondition = 2,      // "Cond=" number2
  codeTrackKindFrameEnter = 3,     // "Frame Enter"
  codeTrackKindFrameLeave = 4,     // "Frame Leave"
  codeTrackKindFunctionEnter = 5,  // "Enter Fnc"
  codeTrackKindFunctionDone = 6,   // "Done Fnc (" number2 ")"
  codeTrackKindException = 7,      // "Exception"
};

// One slot of the ring.
struct codeTrackRecordS {
  std::int64_t counter;    // raw performance counter when made; no frequency kept
  std::uint64_t time;      // system time when made: 100-ns units since 1601, UTC
  std::uint32_t kind;      // codeTrackKindE; 0 marks an empty slot
  const char* text;        // not owned, must outlive the ring: usually the source file; an exception's text
  std::uint32_t number;    // usually the source line; an exception's number
  std::uint32_t number2;   // condition value (kind 2) or function result (kind 6); otherwise 0
  str extra;               // owned copy of a frame name or extra text; empty when absent
  std::uint32_t threadId;  // the thread that made the record
};

// One open frame of the frame stack.
struct zkCodeTrackFrameS {
  str name;          // owned; empty when the frame was opened without a name
  const char* file;  // not owned: the source file that opened the frame
  std::uint32_t line;
};

// Empties a slot: kind 0, no text, numbers 0, no extra, threadId as given.
// The clock fields are left as they are.
void clearCodeTrackRecord(codeTrackRecordS& record, std::uint32_t threadId);

// Appends the text written for a record kind: "Cond=" and number2 for kind
// 2, "Done Fnc (" number2 ")" for kind 6, nothing for kinds 0 and 1 and for
// unknown kinds. number2 is written as a signed 32-bit number ("%d").
void appendCodeTrackKindText(str& line, std::uint32_t kind, std::uint32_t number2);

// The line written for a record, "\n" included, with the given local time of
// day: the counter's high and low 32 bits side by side ("%u%u"), ";", the
// time as hour:minute:second:milliseconds without padding, ";", the thread
// id, ";", the text (nothing for null), ";", the number, ";", the kind text,
// then "(" extra ")" when extra is not empty. Numbers other than the counter
// parts are written as signed 32-bit numbers ("%d").
str formatCodeTrackLine(const codeTrackRecordS& record, const localTimeOfDayS& timeOfDay);

// The same with the record's time converted to the local time of day under
// the time-zone settings in force now. A time that cannot be converted is
// written as 0:0:0:0.
str formatCodeTrackLine(const codeTrackRecordS& record);

// The directory of the trace file: the first non-empty value of the
// environment variables "temp", "tmp", "TEMP" and "TMP", in that order, or
// else the platform's default temporary directory ("c:/" on Windows, "/tmp/"
// on POSIX). A "/" is appended unless the directory ends in "/" or "\".
str codeTrackDirectory();

// directory + "codetrack." + ownerThreadId ("%d") + "." + moduleName +
// ".txt". The directory is taken as it is (see codeTrackDirectory()); a null
// directory or module name counts as empty.
str codeTrackFileNameIn(const char* directory, std::uint32_t ownerThreadId, const char* moduleName);
