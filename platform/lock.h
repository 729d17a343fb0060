// lockC: the module's recursive lock, usable before its constructor and
// after its destructor; lockGuardC: the scoped holder that enters and leaves
// it.
//
// A lockC is an opaque platform lock of 40 bytes (Windows: a
// CRITICAL_SECTION; POSIX: a futex word, the owner's thread id and a depth
// count) followed by three pointer-sized guard words. The lock counts as
// initialised exactly when the words hold
//     guard[0] == this - 64,  guard[1] == this,  guard[2] == this + 64
// (addresses taken as integers). Zero-filled static storage fails the test,
// and so does a bitwise copy at another address, because the words name the
// address at which they were written. Construction writes nothing, so a lock
// in static storage may be entered by static constructors that run before its
// own: the first enter() initialises it.
//
// Promises:
// - enter() initialises the lock if needed, then takes it; the owning thread
//   may enter again, and the lock is free once left as often as entered.
// - leave() and destroy() of an uninitialised lock do nothing.
// - destroy() (also run by the destructor) releases the platform lock and
//   zeroes the guard words; a later enter() initialises the lock anew.
// - First use is safe when two threads enter the same uninitialised lock at
//   once: initialisation runs under a process-wide spin flag (constant-
//   initialised, so it too works before any constructor) and re-checks the
//   guard words there, so exactly one thread initialises. The guard words are
//   written with release and read with acquire ordering, the middle word last,
//   so a thread that sees all three also sees the initialised platform lock.
// - Once initialised, the guard test is three loads from the lock's own
//   bytes and one branch that always goes the same way; enter() and leave()
//   are then one call into the backend.
// - Platform failure: none is reported. Initialising the platform lock does
//   not fail on either platform.
//
// Backend contract (platform/<posix|win32>/lock.cpp): the four static members
// sectionInit, sectionEnter, sectionLeave and sectionDestroy act on the
// opaque storage `section` exactly as InitializeCriticalSection,
// EnterCriticalSection, LeaveCriticalSection and DeleteCriticalSection do
// (recursive ownership by the calling thread), and each backend
// static_asserts that its native state fits that storage. The guard words,
// the spin flag and the do-nothing cases live here and in platform/lock.cpp,
// shared by both backends.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

class lockC {
 public:
  // Writes nothing: a lock in zero-filled or garbage storage stays as it is
  // until its first enter().
  lockC() {}
  // Destroys the lock (see destroy()).
  ~lockC() { destroy(); }

  // Copying a lock makes no sense; a bitwise copy made anyway (memcpy) counts
  // as uninitialised at its new address.
  lockC(const lockC&) = delete;
  lockC& operator=(const lockC&) = delete;

  void enter() {
    if (!isInitialised()) initialiseOnce();
    sectionEnter(section);
  }
  void leave() {
    if (isInitialised()) sectionLeave(section);
  }
  void destroy();

  // True when the guard words hold this lock's own address (see above).
  bool isInitialised() const {
    const std::uintptr_t self = reinterpret_cast<std::uintptr_t>(this);
    const std::uintptr_t middle = guard[1].load(std::memory_order_acquire);
    const std::uintptr_t low = guard[0].load(std::memory_order_relaxed);
    const std::uintptr_t high = guard[2].load(std::memory_order_relaxed);
    return ((middle ^ self) | (low ^ (self - guardOffset)) | (high ^ (self + guardOffset))) == 0;
  }

  // Size of the opaque platform lock storage: the size of a 64-bit
  // CRITICAL_SECTION.
  static constexpr std::size_t sectionSize = 40;
  // Distance of the outer guard words' values from the lock's address.
  static constexpr std::uintptr_t guardOffset = 64;

 private:
  static void sectionInit(void* section);
  static void sectionEnter(void* section);
  static void sectionLeave(void* section);
  static void sectionDestroy(void* section);

  void initialiseOnce();

  alignas(8) unsigned char section[sectionSize];  // platform recursive lock
  std::atomic<std::uintptr_t> guard[3];           // this-64, this, this+64
};

// Holds a lockC for a scope. Construction enters the lock once (depth 1);
// destruction lowers the depth by one and leaves the lock when it reaches 0.
// Code that must release the lock before its scope ends calls release(),
// which does the same; once the depth is 0 neither release() nor the
// destructor touch the lock again.
class lockGuardC {
 public:
  explicit lockGuardC(lockC& lockToHold) : lock(&lockToHold), depth(0) {
    lock->enter();
    depth = 1;
  }
  ~lockGuardC() { release(); }

  lockGuardC(const lockGuardC&) = delete;
  lockGuardC& operator=(const lockGuardC&) = delete;

  // Lowers the depth by one and leaves the lock when it reaches 0. Answers
  // true when the lock was left by this call; false when the depth was
  // already 0.
  bool release() {
    if (depth == 0) return false;
    --depth;
    if (depth != 0) return false;
    lock->leave();
    return true;
  }

  std::uint32_t currentDepth() const { return depth; }

 private:
  lockC* lock;          // the lock held
  std::uint32_t depth;  // 1 while held by this guard, 0 once left
};
