// Running a program as a child process and watching what it costs, for
// tests that must see a program from outside: its exit status, everything
// it writes to standard output, and the most memory it held at once.
//
// Backend contract (platform/<posix|win32>/child_process.cpp):
// - runChildProcess(run, result) starts run.arguments[0] (a path, not
//   searched for) with the null-terminated run.arguments as its argument
//   vector and the caller's environment. Its standard input reads the file
//   run.inputPath (the null device when null), its standard error goes to
//   the file run.errorPath (created or truncated; discarded when null), and
//   its standard output comes back through a pipe: run.onOutput(run.context,
//   bytes, count) is called on the calling thread for every piece, in order,
//   until the child closes it. With run.memoryLimit above 0 the child may
//   take at most that many bytes (POSIX: of address space, RLIMIT_AS;
//   Windows: of committed memory, through a job object, which not every
//   system enforces). Then the call waits for the child and fills *result:
//   the exit status (128 + the signal number for a child a signal ended on
//   POSIX) and the peak resident memory in bytes (POSIX: wait4's ru_maxrss;
//   Windows: the largest working set seen while the child ran and at its
//   end; 0 where the system tells none). Answers false, with *result
//   untouched, when the child could not be started or waited for.
#pragma once

#include <cstddef>
#include <cstdint>

struct childRunS {
  const char* const* arguments;  // program path, arguments, null
  const char* inputPath;         // standard input's file; null: none
  const char* errorPath;         // standard error's file; null: discarded
  std::uint64_t memoryLimit;     // bytes the child may take; 0: no limit
  void (*onOutput)(void* context, const char* bytes, std::size_t count);
  void* context;  // handed to onOutput
};

struct childResultS {
  int exitStatus;                 // the child's exit status
  std::uint64_t peakMemoryBytes;  // most resident memory at one time, bytes
};

bool runChildProcess(const childRunS& run, childResultS* result);
