// Child processes on Windows: CreateProcessA with inherited handles for the
// three standard streams; the peak working set comes from the process
// status functions.
#include "platform/child_process.h"

#include <windows.h>
// After windows.h, which it needs.
#include <psapi.h>

#include <string>

namespace {

// One argument quoted the way the C runtime splits a command line: inside
// quotes, backslashes count only before a quote.
void appendQuoted(std::string& line, const char* argument) {
  line += '"';
  std::size_t backslashes = 0;
  for (const char* p = argument; *p != '\0'; ++p) {
    if (*p == '\\') {
      ++backslashes;
      continue;
    }
    if (*p == '"') backslashes = backslashes * 2 + 1;
    line.append(backslashes, '\\');
    backslashes = 0;
    line += *p;
  }
  line.append(backslashes * 2, '\\');
  line += '"';
}

HANDLE openInherited(const char* path, DWORD access, DWORD disposition) {
  SECURITY_ATTRIBUTES security = {sizeof security, nullptr, TRUE};
  return CreateFileA(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE, &security, disposition, FILE_ATTRIBUTE_NORMAL,
                     nullptr);
}

// Closes the handle it holds on every path.
struct handleGuardS {
  HANDLE handle;
  ~handleGuardS() {
    if (handle != nullptr && handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  }
};

}  // namespace

bool runChildProcess(const childRunS& run, childResultS* result) {
  std::string commandLine;
  for (const char* const* argument = run.arguments; *argument != nullptr; ++argument) {
    if (!commandLine.empty()) commandLine += ' ';
    appendQuoted(commandLine, *argument);
  }
  SECURITY_ATTRIBUTES security = {sizeof security, nullptr, TRUE};
  handleGuardS readEnd{nullptr};
  handleGuardS writeEnd{nullptr};
  if (!CreatePipe(&readEnd.handle, &writeEnd.handle, &security, 0)) return false;
  SetHandleInformation(readEnd.handle, HANDLE_FLAG_INHERIT, 0);
  handleGuardS input{openInherited(run.inputPath != nullptr ? run.inputPath : "NUL", GENERIC_READ, OPEN_EXISTING)};
  handleGuardS errors{openInherited(run.errorPath != nullptr ? run.errorPath : "NUL", GENERIC_WRITE, CREATE_ALWAYS)};
  if (input.handle == INVALID_HANDLE_VALUE || errors.handle == INVALID_HANDLE_VALUE) return false;

  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = input.handle;
  startup.hStdOutput = writeEnd.handle;
  startup.hStdError = errors.handle;
  // A limited child starts suspended, joins its job, and only then runs.
  handleGuardS job{nullptr};
  if (run.memoryLimit > 0) {
    job.handle = CreateJobObjectA(nullptr, nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_PROCESS_MEMORY;
    limits.ProcessMemoryLimit = static_cast<SIZE_T>(run.memoryLimit);
    if (job.handle == nullptr ||
        !SetInformationJobObject(job.handle, JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
      return false;
    }
  }
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(run.arguments[0], &commandLine[0], nullptr, nullptr, TRUE,
                      run.memoryLimit > 0 ? CREATE_SUSPENDED : 0, nullptr, nullptr, &startup, &process)) {
    return false;
  }
  handleGuardS processHandle{process.hProcess};
  handleGuardS threadHandle{process.hThread};
  if (run.memoryLimit > 0) {
    if (!AssignProcessToJobObject(job.handle, process.hProcess)) {
      TerminateProcess(process.hProcess, 1);
      return false;
    }
    ResumeThread(process.hThread);
  }
  // The child holds its own copy; ours must go for the pipe to end.
  CloseHandle(writeEnd.handle);
  writeEnd.handle = nullptr;

  // The peak is also sampled while the child runs: some systems (Wine) no
  // longer answer it once the process has ended.
  std::uint64_t peak = 0;
  auto sample = [&] {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    if (GetProcessMemoryInfo(process.hProcess, &counters, sizeof counters)) {
      if (counters.PeakWorkingSetSize > peak) peak = counters.PeakWorkingSetSize;
      if (counters.WorkingSetSize > peak) peak = counters.WorkingSetSize;
    }
  };
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(readEnd.handle, buffer, sizeof buffer, &got, nullptr) && got > 0) {
    sample();
    run.onOutput(run.context, buffer, got);
  }
  if (WaitForSingleObject(process.hProcess, INFINITE) != WAIT_OBJECT_0) return false;
  sample();
  DWORD exitCode = 0;
  if (!GetExitCodeProcess(process.hProcess, &exitCode)) return false;
  result->exitStatus = static_cast<int>(exitCode);
  result->peakMemoryBytes = peak;
  return true;
}
