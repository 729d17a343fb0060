// threadC: an owned handle on a thread that can start, join and terminate it
// and tell whether it still runs and whether it is the calling thread.
//
// Results are booleans; platform failures leave the object without a handle
// or answer "not running". A failed handle duplication leaves the copy
// without a handle, never with a stale one.
//
// Start: the thread runs function(argument) and ends with its result as exit
// code. Windows starts it through the runtime library (_beginthreadex) from a
// start block taken with GlobalAlloc(0x40); POSIX through pthread_create. The
// start block is released before the function runs, so threads that end
// early through exitCurrent() or terminate() leave nothing behind.
//
// Terminate: Windows TerminateThread ends the thread at once with exit code
// 0, running no cleanup of any kind. POSIX has no such operation; it asks for
// cancellation (pthread_cancel), which takes effect only when the thread
// reaches a cancellation point (sleeping, waiting, blocking I/O). A thread
// computing without one keeps running. When cancellation takes effect the
// thread's stack unwinds, destructors run, and its exit code is 0; code that
// catches every exception must rethrow the unwinding for it to complete.
#pragma once

#include <cstdint>

#include "platform/thread_handle.h"

// The calling thread's id (see threadIdentC::currentId): the kernel's thread
// id on both platforms.
inline std::uint32_t currentThreadId() { return threadHandleCurrentId(); }

class threadC {
 public:
  // No handle, threadId 0.
  threadC();
  // Adopts handle (a thread handle as platform/thread_handle.h defines it);
  // the object closes it.
  threadC(std::uint32_t threadId, void* handle);
  // Copies threadId and duplicates the other's handle, or has none.
  threadC(const threadC& other);
  // Closes the own handle, then copies as above.
  threadC& operator=(const threadC& other);
  // Closes the handle.
  ~threadC();

  // A threadC for the calling thread, with a handle of its own.
  static threadC current();

  // Closes the handle and sets it to null; threadId stays.
  void close();
  bool hasHandle() const { return handle != nullptr; }
  std::uint32_t id() const { return threadId; }

  // Starts a thread running function(argument). Answers false at once if the
  // object already holds a handle, and false if the thread cannot be
  // started (the object then stays without a handle). On true the object
  // holds the new thread's handle and id.
  bool start(threadFunctionT function, void* argument);

  // Waits without time-out for the thread to end, stores its exit code in
  // *exitCode if given, closes the handle and answers true. Answers false
  // without a handle, leaving *exitCode untouched. If the exit code cannot
  // be read, *exitCode becomes joinExitCodeUnknown.
  bool join(std::uint64_t* exitCode = nullptr);
  static constexpr std::uint64_t joinExitCodeUnknown = ~std::uint64_t(0);

  // Asks the platform to end the thread with exit code 0 (see above).
  // Answers false if threadId is 0 or there is no handle, without calling
  // the platform; otherwise whether the platform accepted the request. The
  // handle stays open and threadId unchanged.
  bool terminate();

  // The thread has not ended (on Windows: its exit code reads as 259).
  bool isRunning() const;
  // The two threadId values are equal.
  bool equals(const threadC& other) const { return threadId == other.threadId; }
  // isRunning(), and threadId is the calling thread's id.
  bool isCurrent() const;

  // Ends the calling thread with exit code code; does not return.
  [[noreturn]] static void exitCurrent(std::uint32_t code);

 private:
  void* handle;            // owned thread handle, or null
  std::uint32_t threadId;  // the thread's id; 0 when the object never held a thread
};
