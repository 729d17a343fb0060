// Process queries for Windows.
#include "platform/process.h"

#include <windows.h>
// After windows.h, which it needs.
#include <psapi.h>

namespace {
constexpr DWORD queryAndDuplicateAccess = 0x440;  // PROCESS_QUERY_INFORMATION | PROCESS_DUP_HANDLE
constexpr DWORD stillActive = 259;
}  // namespace

std::uint32_t processCurrentId() { return GetCurrentProcessId(); }

bool processIsRunning(std::uint32_t processId) {
  HANDLE process = OpenProcess(queryAndDuplicateAccess, FALSE, processId);
  if (!process) return false;
  DWORD code = 0;
  const BOOL read = GetExitCodeProcess(process, &code);
  CloseHandle(process);
  return read && code == stillActive;
}

std::uint64_t processCreationTime() {
  FILETIME creation, exit, kernel, user;
  if (!GetProcessTimes(GetCurrentProcess(), &creation, &exit, &kernel, &user)) return 0;
  return (static_cast<std::uint64_t>(creation.dwHighDateTime) << 32) | creation.dwLowDateTime;
}

std::uint64_t processResidentBytes() {
  PROCESS_MEMORY_COUNTERS counters;
  if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return 0;
  return counters.WorkingSetSize;
}

std::uint64_t processOpenHandleCount() {
  DWORD count = 0;
  if (!GetProcessHandleCount(GetCurrentProcess(), &count)) return 0;
  return count;
}
