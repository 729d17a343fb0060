// threadIdentC: the identity of one thread, its id and an owned handle on it.
//
// The handle (see platform/thread_handle.h) keeps the thread's identity
// alive, so isRunning() stays answerable after the thread has ended, even
// once its id has been reused by another thread. The per-thread value table
// keys its slots with it.
//
// Failure: a handle that cannot be duplicated leaves the object without a
// handle (null), never with a stale one; isRunning() then answers false.
#pragma once

#include <cstdint>

#include "platform/thread_handle.h"

class threadIdentC {
 public:
  // Identifies the calling thread (setToCurrent()).
  threadIdentC();
  // Copies the id; duplicates the other's handle if it has one.
  threadIdentC(const threadIdentC& other);
  // Closes the own handle and clears both fields, then copies as above.
  threadIdentC& operator=(const threadIdentC& other);
  // Closes the handle.
  ~threadIdentC();

  // Takes the calling thread's id and a new handle on it; the old handle is
  // closed first.
  void setToCurrent();

  // The id equals the calling thread's id.
  bool isCurrent() const;
  // A handle exists and says the thread has not ended (on Windows: its exit
  // code reads as 259, so a thread that ended with 259 counts as running).
  bool isRunning() const;
  // This identity is the calling thread itself, not an ended thread whose id
  // the calling thread has inherited: the id is the caller's and, because
  // the kernel reuses the ids of ended threads, the thread still runs.
  bool isCallingThread() const;

  // The calling thread's id: never 0 and never 0xFFFFFFFF. The kernel's
  // thread id (Windows GetCurrentThreadId, POSIX gettid), the same in every
  // module of the process; an ended thread's id may be handed out again.
  static std::uint32_t currentId() { return threadHandleCurrentId(); }

  // For per-thread tables: whether a node found in table under the calling
  // thread's id (found) belongs to the calling thread, rather than to an
  // ended thread whose id the caller has inherited. Where ids are never
  // reused this is always true. Where they are, the first such question per
  // table on a thread asks whether found's thread still runs; the answer is
  // then remembered for the thread's lifetime (a few tables per thread), as
  // is claimSlotIn(), so later lookups cost no system call.
  static bool callerOwnsSlotIn(const void* table, const threadIdentC& found);
  // Remembers that the calling thread has made its own slot in table.
  static void claimSlotIn(const void* table);

  std::uint32_t id() const { return threadId; }
  bool hasHandle() const { return handle != nullptr; }

 private:
  void clear();

  std::uint32_t threadId;  // the thread's id; 0 when cleared
  void* handle;            // owned handle on the thread, or null
};
