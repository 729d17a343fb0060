// Thread handles for Windows: kernel thread handles duplicated with full
// access, and threads started through the runtime library.
#include "platform/thread_handle.h"

#include <process.h>
#include <windows.h>

namespace {

constexpr DWORD threadAllAccess = 0x1F03FF;
constexpr UINT startBlockFlags = 0x40;  // GMEM_FIXED | GMEM_ZEROINIT

// The start block handed to the new thread: what it runs, and with what.
struct startBlockS {
  threadFunctionT function;  // the thread function
  void* argument;            // its argument
};

// Releases the start block before running the function, so that a thread
// that ends early (exitCurrent, terminate) does not leave it behind.
unsigned __stdcall threadTrampoline(void* block) {
  startBlockS* start = static_cast<startBlockS*>(block);
  const threadFunctionT function = start->function;
  void* const argument = start->argument;
  GlobalFree(start);
  return function(argument);
}

void* duplicateWithinProcess(HANDLE source) {
  HANDLE duplicate = nullptr;
  if (!DuplicateHandle(GetCurrentProcess(), source, GetCurrentProcess(), &duplicate, threadAllAccess, FALSE, 0))
    return nullptr;
  return duplicate;
}

}  // namespace

std::uint32_t threadHandleFetchCurrentId() {
  threadHandleCachedId = GetCurrentThreadId();
  return threadHandleCachedId;
}

void* threadHandleDuplicateCurrent() { return duplicateWithinProcess(GetCurrentThread()); }

void* threadHandleDuplicate(void* handle) {
  if (!handle) return nullptr;
  return duplicateWithinProcess(handle);
}

void threadHandleClose(void* handle) {
  if (handle) CloseHandle(handle);
}

bool threadHandleIsRunning(void* handle) {
  std::uint32_t code = 0;
  return threadHandleExitCode(handle, code) && code == threadStillActiveCode;
}

bool threadHandleExitCode(void* handle, std::uint32_t& code) {
  if (!handle) return false;
  DWORD exitCode = 0;
  if (!GetExitCodeThread(handle, &exitCode)) return false;
  code = exitCode;
  return true;
}

void threadHandleWaitForEnd(void* handle) {
  if (handle) WaitForSingleObject(handle, INFINITE);
}

bool threadHandleTerminate(void* handle) { return handle && TerminateThread(handle, 0); }

bool threadHandleStart(threadFunctionT function, void* argument, void*& handle, std::uint32_t& threadId) {
  startBlockS* start = static_cast<startBlockS*>(GlobalAlloc(startBlockFlags, sizeof(startBlockS)));
  if (!start) return false;
  start->function = function;
  start->argument = argument;
  unsigned newThreadId = 0;
  const uintptr_t newHandle = _beginthreadex(nullptr, 0, threadTrampoline, start, 0, &newThreadId);
  if (newHandle == 0) {
    GlobalFree(start);
    return false;
  }
  handle = reinterpret_cast<void*>(newHandle);
  threadId = newThreadId;
  return true;
}

void threadHandleExitCurrent(std::uint32_t code) {
  _endthreadex(code);
  __builtin_unreachable();
}

bool threadHandleIdsAreReused() { return true; }

bool threadHandleRunningReadFromExitCode() { return true; }
