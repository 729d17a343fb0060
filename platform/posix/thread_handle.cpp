// Thread handles for POSIX. A pthread has no kernel handle that outlives it,
// so each thread gets a reference-counted record of our own: the handle is a
// pointer to it. Every handle on the thread shares the record; the thread's
// own holder (a thread-specific value) keeps one reference and marks the record ended
// when the thread exits, so the record answers "not running" from then on,
// however long handles keep it.
//
// Records and start blocks come from malloc, never from the module's pooled
// heap: the heap's per-thread table identifies threads through these handles.
#include <pthread.h>
#include <sched.h>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#endif

#include "platform/per_thread_cache.h"
#include "platform/thread_handle.h"

namespace {

struct threadRecordS {
  std::atomic<std::uint32_t> references;  // open handles, plus one for the thread's holder while it runs
  std::uint32_t threadId;   // the thread's kernel id; for a thread we start, set by the thread itself under endMutex
  bool idKnown;             // threadId is set; guarded by endMutex, signalled on endSignal
  std::atomic<bool> ended;  // set once, when the thread exits
  std::uint32_t exitCode;   // valid once ended; guarded by endMutex before
  std::atomic<bool> reapPending;  // a joinable pthread started by us, not yet joined or detached
  pthread_t thread;               // the thread; valid while not ended or while reapPending
  pthread_mutex_t endMutex;       // orders ended/exitCode with waiters and terminate
  pthread_cond_t endSignal;       // broadcast when ended is set
};

struct startBlockS {
  threadFunctionT function;  // the thread function
  void* argument;            // its argument
  threadRecordS* record;     // the new thread's record, with the holder's reference
};

// All thread_local state (threadHandleCachedId too) is trivially
// destructible, so it stays readable while thread-exit destructors run.
thread_local threadRecordS* currentRecord = nullptr;
thread_local bool holderGone = false;

threadRecordS* newRecord(std::uint32_t threadId, std::uint32_t references) {
  void* memory = malloc(sizeof(threadRecordS));
  if (!memory) return nullptr;
  threadRecordS* record = new (memory) threadRecordS;
  record->references.store(references, std::memory_order_relaxed);
  record->threadId = threadId;
  record->idKnown = threadId != 0;
  record->ended.store(false, std::memory_order_relaxed);
  record->exitCode = 0;
  record->reapPending.store(false, std::memory_order_relaxed);
  record->thread = pthread_self();
  pthread_mutex_init(&record->endMutex, nullptr);
  pthread_cond_init(&record->endSignal, nullptr);
  return record;
}

// Holds a record's endMutex for its scope, released on every exit path
// (also when a cancelled thread unwinds through a wait).
class endMutexHolderC {
 public:
  explicit endMutexHolderC(threadRecordS* held) : record(held) { pthread_mutex_lock(&record->endMutex); }
  ~endMutexHolderC() { pthread_mutex_unlock(&record->endMutex); }
  endMutexHolderC(const endMutexHolderC&) = delete;
  endMutexHolderC& operator=(const endMutexHolderC&) = delete;

 private:
  threadRecordS* record;
};

void addReference(threadRecordS* record) { record->references.fetch_add(1, std::memory_order_relaxed); }

void releaseReference(threadRecordS* record) {
  if (record->references.fetch_sub(1, std::memory_order_acq_rel) != 1) return;
  if (record->reapPending.exchange(false)) pthread_detach(record->thread);
  pthread_cond_destroy(&record->endSignal);
  pthread_mutex_destroy(&record->endMutex);
  record->~threadRecordS();
  free(record);
}

void markEnded(threadRecordS* record) {
  endMutexHolderC guard(record);
  record->ended.store(true, std::memory_order_release);
  pthread_cond_broadcast(&record->endSignal);
}

// Publishes the calling thread's kernel id in a record made for it before it
// ran, and wakes the thread that is waiting to learn it.
void publishId(threadRecordS* record) {
  endMutexHolderC guard(record);
  record->threadId = threadHandleCurrentId();
  record->idKnown = true;
  pthread_cond_broadcast(&record->endSignal);
}

// The thread's holder is a thread-specific value whose destructor marks the
// thread's record ended when the thread exits. It is not a thread_local
// object with a destructor: those keep a dynamically loaded module mapped as
// long as any thread that touched one runs, so the module could never be
// unloaded. The key is created on first use and deleted when the module
// unloads; from then on no destructor of this module is called at thread
// exit.
enum : int { holderKeyAbsent, holderKeyCreating, holderKeyReady, holderKeyDeleted };
std::atomic<int> holderKeyState{holderKeyAbsent};
pthread_key_t holderKey;

void releaseHolder(void* value) {
  holderGone = true;
  // Before the end is marked: from then on other threads may sweep this
  // thread's slots, which its cache must no longer answer.
  perThreadCacheForget();
  threadRecordS* record = static_cast<threadRecordS*>(value);
  if (currentRecord == record) currentRecord = nullptr;
  markEnded(record);
  releaseReference(record);
}

// True once the key exists; false when it cannot be created or is gone.
bool holderKeyReadyForUse() {
  for (;;) {
    int state = holderKeyState.load(std::memory_order_acquire);
    if (state == holderKeyReady) return true;
    if (state == holderKeyDeleted) return false;
    if (state == holderKeyAbsent &&
        holderKeyState.compare_exchange_strong(state, holderKeyCreating, std::memory_order_acq_rel)) {
      const bool created = pthread_key_create(&holderKey, releaseHolder) == 0;
      holderKeyState.store(created ? holderKeyReady : holderKeyDeleted, std::memory_order_release);
      return created;
    }
    sched_yield();
  }
}

// A forked child runs on a new kernel thread with the forking thread's
// thread-local values: it must learn its own id again.
void adoptIdAfterFork() {
  threadHandleCachedId = 0;
  perThreadCacheForget();
  if (currentRecord) currentRecord->threadId = threadHandleCurrentId();
}

// Deletes the key when the module unloads, releasing the unloading thread's
// holder first. Threads that still run keep their records: nothing of this
// module will ask for them again. Also has forked children adopt their id
// (the C library drops the handler when the module unloads).
class holderKeyOwnerC {
 public:
  holderKeyOwnerC() { pthread_atfork(nullptr, nullptr, adoptIdAfterFork); }
  ~holderKeyOwnerC() {
    // Module objects destroyed after this one may still ask for the
    // unloading thread's record; it must then be born without a holder's
    // reference, which nobody would release.
    holderGone = true;
    if (holderKeyState.exchange(holderKeyDeleted) != holderKeyReady) return;
    if (void* holder = pthread_getspecific(holderKey)) {
      pthread_setspecific(holderKey, nullptr);
      releaseHolder(holder);
    }
    pthread_key_delete(holderKey);
  }
  holderKeyOwnerC(const holderKeyOwnerC&) = delete;
  holderKeyOwnerC& operator=(const holderKeyOwnerC&) = delete;
};

holderKeyOwnerC holderKeyOwner;

// Makes record the calling thread's record; it already carries the
// holder's reference. Without a holder the record is still used, but only
// join or the last handle can end its life.
void adoptAsCurrent(threadRecordS* record) {
  threadHandleCachedId = record->threadId;
  currentRecord = record;
  if (holderKeyReadyForUse()) pthread_setspecific(holderKey, record);
}

// The calling thread's record, created on first use; null when out of
// memory. During thread exit, after the holder has gone, a new record is
// born ended and kept by nobody but the caller's handle.
threadRecordS* recordOfCallingThread() {
  if (currentRecord) return currentRecord;
  if (holderGone) {
    threadRecordS* record = newRecord(threadHandleCurrentId(), 0);
    if (record) record->ended.store(true, std::memory_order_release);
    return record;
  }
  threadRecordS* record = newRecord(threadHandleCurrentId(), 1);
  if (record) adoptAsCurrent(record);
  return record;
}

// Cancellation (terminate) and pthread_exit unwind the thread's stack with a
// forced unwind that the address sanitizer does not see, so it would keep the
// shadow of the unwound frames poisoned and then trip over it while the
// thread exits. Clear the shadow of the stack below this frame: those frames
// are gone.
void forgetUnwoundFrames() {
#if defined(__SANITIZE_ADDRESS__)
  pthread_attr_t attributes;
  if (pthread_getattr_np(pthread_self(), &attributes) != 0) return;
  void* lowest = nullptr;
  size_t size = 0;
  pthread_attr_getstack(&attributes, &lowest, &size);
  pthread_attr_destroy(&attributes);
  char* const here = static_cast<char*>(__builtin_frame_address(0));
  if (lowest && here > static_cast<char*>(lowest))
    __asan_unpoison_memory_region(lowest, static_cast<size_t>(here - static_cast<char*>(lowest)));
#endif
}

void* threadTrampoline(void* block) {
  startBlockS* start = static_cast<startBlockS*>(block);
  const threadFunctionT function = start->function;
  void* const argument = start->argument;
  threadRecordS* const record = start->record;
  free(start);
  publishId(record);
  adoptAsCurrent(record);
  std::uint32_t code = 0;
  try {
    code = function(argument);
  } catch (...) {
    forgetUnwoundFrames();
    throw;
  }
  {
    endMutexHolderC guard(record);
    record->exitCode = code;
  }
  return nullptr;
}

threadRecordS* recordOf(void* handle) { return static_cast<threadRecordS*>(handle); }

}  // namespace

std::uint32_t threadHandleFetchCurrentId() {
  threadHandleCachedId = static_cast<std::uint32_t>(gettid());
  return threadHandleCachedId;
}

void* threadHandleDuplicateCurrent() {
  threadRecordS* record = recordOfCallingThread();
  if (!record) return nullptr;
  addReference(record);
  return record;
}

void* threadHandleDuplicate(void* handle) {
  if (!handle) return nullptr;
  addReference(recordOf(handle));
  return handle;
}

void threadHandleClose(void* handle) {
  if (handle) releaseReference(recordOf(handle));
}

bool threadHandleIsRunning(void* handle) { return handle && !recordOf(handle)->ended.load(std::memory_order_acquire); }

bool threadHandleExitCode(void* handle, std::uint32_t& code) {
  if (!handle) return false;
  threadRecordS* record = recordOf(handle);
  {
    endMutexHolderC guard(record);
    code = record->ended.load(std::memory_order_relaxed) ? record->exitCode : threadStillActiveCode;
  }
  return true;
}

void threadHandleWaitForEnd(void* handle) {
  if (!handle) return;
  threadRecordS* record = recordOf(handle);
  {
    // pthread_cond_wait is a cancellation point: a cancelled waiter unwinds
    // holding the mutex, and the guard's destructor releases it.
    endMutexHolderC guard(record);
    while (!record->ended.load(std::memory_order_relaxed)) pthread_cond_wait(&record->endSignal, &record->endMutex);
  }
  // The thread is past its last use of the record; reap it so that it leaves
  // nothing behind.
  if (record->reapPending.exchange(false)) pthread_join(record->thread, nullptr);
}

bool threadHandleTerminate(void* handle) {
  if (!handle) return false;
  threadRecordS* record = recordOf(handle);
  // Under endMutex the thread cannot finish exiting, so its pthread_t stays
  // valid for pthread_cancel.
  endMutexHolderC guard(record);
  return !record->ended.load(std::memory_order_relaxed) && pthread_cancel(record->thread) == 0;
}

bool threadHandleStart(threadFunctionT function, void* argument, void*& handle, std::uint32_t& threadId) {
  startBlockS* start = static_cast<startBlockS*>(calloc(1, sizeof(startBlockS)));
  if (!start) return false;
  // One reference for the caller's handle, one for the new thread's holder.
  // The id is the kernel's, which only the new thread can read.
  threadRecordS* record = newRecord(0, 2);
  if (!record) {
    free(start);
    return false;
  }
  start->function = function;
  start->argument = argument;
  start->record = record;
  pthread_t thread;
  if (pthread_create(&thread, nullptr, threadTrampoline, start) != 0) {
    free(start);
    record->references.store(1, std::memory_order_relaxed);
    releaseReference(record);
    return false;
  }
  record->thread = thread;
  record->reapPending.store(true, std::memory_order_release);
  {
    endMutexHolderC guard(record);
    while (!record->idKnown) pthread_cond_wait(&record->endSignal, &record->endMutex);
    threadId = record->threadId;
  }
  handle = record;
  return true;
}

void threadHandleExitCurrent(std::uint32_t code) {
  if (threadRecordS* record = currentRecord) {
    endMutexHolderC guard(record);
    record->exitCode = code;
  }
  pthread_exit(nullptr);
}

// Kernel thread ids come back once their thread is gone.
bool threadHandleIdsAreReused() { return true; }

bool threadHandleRunningReadFromExitCode() { return false; }
