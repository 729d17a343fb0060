// File services the command-line tool needs beyond standard C++.
//
// replaceFile moves `from` over `to`, replacing an existing `to` in one step
// where the platform allows it; on failure it answers false and both files
// are as they were. setStandardStreamsBinary switches standard input and
// output to binary mode, so that bytes pass through unchanged (a no-op where
// text and binary mode are the same). removeFile answers false when the
// file could not be removed.
#pragma once

bool replaceFile(const char* from, const char* to);
bool removeFile(const char* path);
void setStandardStreamsBinary();
