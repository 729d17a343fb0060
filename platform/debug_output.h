// The debugger output channel: where the memory reports go when no output
// file is named (the double-free text among them).
//
// Promises: debugOutputWrite(text) hands one zero-terminated text, unchanged,
// to the platform's debugger output. A null text writes nothing. Nothing is
// reported on failure: a channel nobody listens to simply drops the text.
//
// Backend contract (platform/<posix|win32>/debug_output.cpp):
// - win32: OutputDebugStringA(text).
// - posix: the bytes of text written to standard error as they are (no
//   newline added), without allocating memory and without stdio buffering,
//   so it is safe to call with the pool lock held.
#pragma once

void debugOutputWrite(const char* text);
