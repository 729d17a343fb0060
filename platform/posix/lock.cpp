// lockC backend for POSIX (Linux): a futex word, the owner's thread id and a
// depth count in the opaque storage, built for the uncontended case.
//
//   state  0: free; 1: held; 2: held, and a waiter may be asleep on it
//   owner  thread id of the holder (threadHandleCurrentId), 0 when free
//   depth  how often the holder has entered, 0 when free
//
// Taking a free lock is one compare-and-swap of state; entering again is a
// compare of owner with the caller's id. Leaving the last level is a plain
// release store when no waiter has marked the lock, else a store and one
// futex wake. The plain store has a window: a waiter may mark the lock (1 to
// 2) and fall asleep between the leaver's look at state and its store, and
// then nobody wakes it. Waiters therefore sleep with a time-out and look
// again, which bounds the cost of that rare race to one time-out.
#include <linux/futex.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>

#include "platform/lock.h"
#include "platform/thread_handle.h"

namespace {

struct futexLockS {
  std::atomic<std::uint32_t> state;  // 0 free, 1 held, 2 held with a waiter marked
  std::atomic<std::uint32_t> owner;  // the holder's thread id; 0 when free
  std::uint32_t depth;               // entries by the holder; only the holder touches it
};

static_assert(sizeof(futexLockS) <= lockC::sectionSize, "the futex lock must fit lockC's storage");
static_assert(alignof(futexLockS) <= 8, "the futex lock must fit lockC's alignment");
static_assert(std::atomic<std::uint32_t>::is_always_lock_free, "the futex word is a plain 32-bit word");

constexpr std::uint32_t lockFree = 0;
constexpr std::uint32_t lockHeld = 1;
constexpr std::uint32_t lockHeldWithWaiter = 2;

// Rounds of looking at a held lock before sleeping: a holder usually leaves
// within a few hundred nanoseconds.
constexpr int spinRounds = 64;
// A waiter's longest sleep before it looks again (see the file comment).
constexpr long waiterSleepNanoseconds = 1000000;

futexLockS* lockIn(void* section) { return static_cast<futexLockS*>(section); }

std::uint32_t* futexWord(futexLockS* lock) { return reinterpret_cast<std::uint32_t*>(&lock->state); }

void pauseOnce() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#endif
}

// Sleeps while state still reads `expected`, at most waiterSleepNanoseconds;
// any wake-up (spurious, signal, time-out) just returns.
void futexWait(futexLockS* lock, std::uint32_t expected) {
  const timespec timeout{0, waiterSleepNanoseconds};
  syscall(SYS_futex, futexWord(lock), FUTEX_WAIT_PRIVATE, expected, &timeout, nullptr, 0);
}

void futexWakeOne(futexLockS* lock) { syscall(SYS_futex, futexWord(lock), FUTEX_WAKE_PRIVATE, 1, nullptr, nullptr, 0); }

// Takes a lock that another thread holds: a short spin, then sleeps. A lock
// taken here is marked as having a waiter (2), since others may still sleep
// on it; its leaver then wakes one of them.
void enterContended(futexLockS* lock) {
  for (int round = 0; round < spinRounds; ++round) {
    std::uint32_t seen = lock->state.load(std::memory_order_relaxed);
    if (seen == lockFree &&
        lock->state.compare_exchange_weak(seen, lockHeld, std::memory_order_acquire, std::memory_order_relaxed)) {
      return;
    }
    pauseOnce();
  }
  while (lock->state.exchange(lockHeldWithWaiter, std::memory_order_acquire) != lockFree) {
    futexWait(lock, lockHeldWithWaiter);
  }
}

}  // namespace

void lockC::sectionInit(void* section) {
  futexLockS* lock = lockIn(section);
  lock->state.store(lockFree, std::memory_order_relaxed);
  lock->owner.store(0, std::memory_order_relaxed);
  lock->depth = 0;
}

void lockC::sectionEnter(void* section) {
  futexLockS* lock = lockIn(section);
  const std::uint32_t self = threadHandleCurrentId();
  // Only this thread can have stored its own id, so a relaxed load suffices.
  if (lock->owner.load(std::memory_order_relaxed) == self) {
    ++lock->depth;
    return;
  }
  std::uint32_t expected = lockFree;
  if (!lock->state.compare_exchange_strong(expected, lockHeld, std::memory_order_acquire, std::memory_order_relaxed)) {
    enterContended(lock);
  }
  lock->owner.store(self, std::memory_order_relaxed);
  lock->depth = 1;
}

void lockC::sectionLeave(void* section) {
  futexLockS* lock = lockIn(section);
  // A thread that does not hold the lock has nothing to leave.
  if (lock->owner.load(std::memory_order_relaxed) != threadHandleCurrentId()) return;
  if (--lock->depth != 0) return;
  lock->owner.store(0, std::memory_order_relaxed);
  if (lock->state.load(std::memory_order_relaxed) == lockHeld) {
    lock->state.store(lockFree, std::memory_order_release);
    return;
  }
  lock->state.store(lockFree, std::memory_order_release);
  futexWakeOne(lock);
}

void lockC::sectionDestroy(void*) {}
