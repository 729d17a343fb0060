// Thread handles: the primitives on which threadIdentC and threadC are built.
//
// A thread handle is an opaque pointer that refers to one thread for as long
// as the handle is open, also after the thread has ended and after its id has
// been reused. Null means "no handle"; every function below accepts null.
//
// Backend contract (platform/<posix|win32>/thread_handle.cpp):
// - threadHandleFetchCurrentId(): the calling thread's id as the operating
//   system knows it, the same in every module of the process, never 0 and
//   never 0xFFFFFFFF, also stored in threadHandleCachedId. Windows:
//   GetCurrentThreadId(). POSIX: gettid(); a forked child clears the cache.
// - threadHandleIdsAreReused(): whether the id of an ended thread may be
//   handed to a new thread while handles on the ended one are still open
//   (yes on both: the kernel recycles thread ids).
// - threadHandleRunningReadFromExitCode(): whether threadHandleIsRunning
//   reads the exit code (Windows: yes, so a thread that ended with 259 reads
//   as running; POSIX: no, an ended thread reads as ended whatever its code).
// - threadHandleDuplicateCurrent(): a new handle on the calling thread, or
//   null on failure. Windows: DuplicateHandle of GetCurrentThread() within
//   GetCurrentProcess(), access 0x1F03FF, not inheritable. POSIX: a new
//   reference on the calling thread's reference-counted record.
// - threadHandleDuplicate(h): a new handle on the thread of h, or null on
//   failure (same access as above).
// - threadHandleClose(h): closes h.
// - threadHandleIsRunning(h): true only if the exit code of the thread can be
//   read and is 259 (Windows STILL_ACTIVE; so a thread that ended with 259
//   counts as running there). POSIX: the record is not marked ended; the
//   record is marked when the thread exits (the destructor of a
//   thread-specific value).
// - threadHandleExitCode(h, code): reads the exit code (259 while running);
//   false when it cannot be read, leaving code untouched.
// - threadHandleWaitForEnd(h): waits without time-out for the thread to end.
// - threadHandleTerminate(h): ends the thread with exit code 0; see
//   threadC::terminate for what each platform guarantees. Answers whether
//   the platform accepted the request.
// - threadHandleStart(function, argument, handle, threadId): starts a thread
//   that runs function(argument) and ends with its result as exit code.
//   Windows: a start block from GlobalAlloc(0x40) and _beginthreadex; POSIX:
//   a start block from calloc and a joinable pthread that the handle reaps.
//   On success answers true with a handle and the new thread's id; on
//   failure answers false and leaves both out-parameters untouched.
// - threadHandleExitCurrent(code): ends the calling thread with that exit
//   code (Windows _endthreadex; POSIX pthread_exit, which unwinds the
//   thread's stack). Does not return.
#pragma once

#include <cstdint>

// The function a started thread runs; its result is the thread's exit code.
typedef std::uint32_t (*threadFunctionT)(void* argument);

// The exit code that means "still running" on Windows.
constexpr std::uint32_t threadStillActiveCode = 259;

// The calling thread's id once asked for, else 0. A thread-local without a
// destructor: nothing is registered for thread exit, so the module can still
// be unloaded while threads that used it run on.
inline thread_local std::uint32_t threadHandleCachedId = 0;

std::uint32_t threadHandleFetchCurrentId();

// The calling thread's id (see threadHandleFetchCurrentId): one thread-local
// load after the thread's first ask.
inline std::uint32_t threadHandleCurrentId() {
  const std::uint32_t id = threadHandleCachedId;
  return id != 0 ? id : threadHandleFetchCurrentId();
}
bool threadHandleIdsAreReused();
bool threadHandleRunningReadFromExitCode();
void* threadHandleDuplicateCurrent();
void* threadHandleDuplicate(void* handle);
void threadHandleClose(void* handle);
bool threadHandleIsRunning(void* handle);
bool threadHandleExitCode(void* handle, std::uint32_t& code);
void threadHandleWaitForEnd(void* handle);
bool threadHandleTerminate(void* handle);
bool threadHandleStart(threadFunctionT function, void* argument, void*& handle, std::uint32_t& threadId);
[[noreturn]] void threadHandleExitCurrent(std::uint32_t code);
