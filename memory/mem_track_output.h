// Where memory reports go, and the double-free report.
//
// Reports are delivered by memTrackWriteReport: appended to the file named by
// outputFileName when that is not empty (mode "at+", the whole text in one
// write; a file that cannot be opened drops the text), otherwise cut into
// pieces of at most 80 characters, each handed as a zero-terminated text to
// the current output function (the debugger output at load and after every
// reset). Delivery allocates nothing from the pool.
#pragma once

using memTrackOutputFnT = void (*)(const char* text);

void memTrackSetOutput(memTrackOutputFnT fn);  // null resets to the debugger output
void memTrackResetOutput();
memTrackOutputFnT memTrackGetOutput();

void memTrackWriteReport(const char* text);

// The text delivered when a freed block is freed again.
extern const char memTrackDoubleFreeText[];
