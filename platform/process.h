// processC: the id of a process, and whether that process still runs.
//
// Backend contract (platform/<posix|win32>/process.cpp):
// - processCurrentId(): the calling process's id (GetCurrentProcessId /
//   getpid).
// - processIsRunning(id): Windows opens the process with access 0x440, not
//   inheritable, and answers true only when GetExitCodeProcess succeeds with
//   259 (STILL_ACTIVE); the handle is closed whatever the outcome. POSIX
//   answers kill(id, 0) == 0. Both answer false whenever the process cannot
//   be examined, including a running process the caller has no right to
//   open or signal, and for ids that name no single process (0; on POSIX
//   also ids above the largest pid, which kill would take as a group).
// - processCreationTime(): when the calling process was created, as one
//   64-bit number that differs between processes started at different
//   moments: Windows the creation FILETIME of GetProcessTimes (100 ns since
//   1601); POSIX the start time the kernel keeps (/proc/self/stat, field 22,
//   clock ticks since boot). 0 when it cannot be read.
// - processResidentBytes(): the calling process's resident memory now, in
//   bytes: Windows the WorkingSetSize of GetProcessMemoryInfo; POSIX the
//   second field of /proc/self/statm times the page size. 0 when it cannot
//   be read.
// - processOpenHandleCount(): the calling process's open handles now:
//   Windows GetProcessHandleCount; POSIX the entries of /proc/self/fd (the
//   one the count itself opens left out). 0 when it cannot be read.
#pragma once

#include <cstdint>

std::uint32_t processCurrentId();
bool processIsRunning(std::uint32_t processId);
std::uint64_t processCreationTime();
std::uint64_t processResidentBytes();
std::uint64_t processOpenHandleCount();

class processC {
 public:
  // The calling process.
  processC() : processId(processCurrentId()) {}
  explicit processC(std::uint32_t id) : processId(id) {}

  bool isRunning() const { return processIsRunning(processId); }
  std::uint32_t id() const { return processId; }

 private:
  std::uint32_t processId;  // the process's id
};
