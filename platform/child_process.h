// Running a program as a child process and watching what it costs, for
// tests that must see a program from outside: its exit status, everything
// it writes to standard output, and the most memory it held at once.
//
// Backend contract (platform/<posix|win32>/child_process.cpp):
// - runChildProcess(arguments, inputPath, errorPath, onOutput, context,
//   result) starts arguments[0] (a path, not searched for) with the
//   null-terminated `arguments` as its argument vector and the caller's
//   environment. Its standard input reads the file `inputPath` (the null
//   device when null), its standard error goes to the file `errorPath`
//   (created or truncated; discarded when null), and its standard output
//   comes back through a pipe: onOutput(context, bytes, count) is called on
//   the calling thread for every piece, in order, until the child closes it.
//   Then the call waits for the child and fills *result: the exit status
//   (128 + the signal number for a child a signal ended on POSIX) and the
//   peak resident memory in bytes (POSIX: wait4's ru_maxrss, which the
//   child may inherit from the caller's size at the moment of the fork;
//   Windows: the peak working set). Answers false, with *result untouched,
//   when the child could not be started or waited for.
#pragma once

#include <cstddef>
#include <cstdint>

struct childResultS {
  int exitStatus;                 // the child's exit status
  std::uint64_t peakMemoryBytes;  // most resident memory at one time, bytes
};

bool runChildProcess(const char* const* arguments, const char* inputPath, const char* errorPath,
                     void (*onOutput)(void* context, const char* bytes, std::size_t count), void* context,
                     childResultS* result);
