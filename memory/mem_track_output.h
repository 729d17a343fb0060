// Where memory reports go, and the double-free report.
//
// Reports are delivered by memTrackWriteReport: appended to the file named by
// outputFileName when that is not empty (opened for appending in text mode,
// "at+", the whole text in one write; a file that cannot be opened drops the
// text), otherwise cut into pieces of at most 80 characters, each handed as a
// zero-terminated text to the output function, in order. Delivery allocates
// nothing from the pool.
//
// The module's current output function is the debugger output at load and
// after every reset; it is one module-wide value, read and written
// atomically.
#pragma once

using memTrackOutputFnT = void (*)(const char* text);

void memTrackSetOutput(memTrackOutputFnT fn);  // null resets to the debugger output
void memTrackResetOutput();
memTrackOutputFnT memTrackGetOutput();
// The debugger output, the default output function.
memTrackOutputFnT memTrackDefaultOutput();

// Delivers text through the module's current output function.
void memTrackWriteReport(const char* text);
// Delivers text through fn (null: the debugger output) instead of the current
// output function; the file named by outputFileName still takes precedence.
void memTrackWriteReportTo(const char* text, memTrackOutputFnT fn);

// The text delivered when a freed block is freed again.
extern const char memTrackDoubleFreeText[];
