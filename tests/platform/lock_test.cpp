// lockC and lockGuardC: self-initialisation from zero-filled storage, bitwise
// copies, destruction, recursion across threads and concurrent first use.
#include "platform/lock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

namespace {

constexpr std::size_t guardOffsetInLock = lockC::sectionSize;

// The three guard words as stored in the lock's bytes.
struct guardWordsS {
  std::uintptr_t words[3];
};

guardWordsS guardWordsOf(const void* lockStorage) {
  guardWordsS result;
  std::memcpy(result.words, static_cast<const unsigned char*>(lockStorage) + guardOffsetInLock, sizeof result.words);
  return result;
}

// A static lock entered by a static constructor that runs before the lock's
// own constructor (same translation unit, earlier definition).
extern lockC lockUsedBeforeConstruction;

struct earlyLockUserS {
  earlyLockUserS() {
    lockUsedBeforeConstruction.enter();
    lockUsedBeforeConstruction.enter();
    initialisedInside = lockUsedBeforeConstruction.isInitialised();
    lockUsedBeforeConstruction.leave();
    lockUsedBeforeConstruction.leave();
  }
  bool initialisedInside = false;
};

earlyLockUserS earlyLockUser;
lockC lockUsedBeforeConstruction;

alignas(lockC) unsigned char zeroFilledStorage[sizeof(lockC)];

void sleepBriefly() { std::this_thread::sleep_for(std::chrono::milliseconds(50)); }

}  // namespace

TEST(Lock, WorksBeforeItsConstructorAndConstructionWritesNothing) {
  EXPECT_TRUE(earlyLockUser.initialisedInside);
  // The constructor ran after the static user and left the guard words alone.
  EXPECT_TRUE(lockUsedBeforeConstruction.isInitialised());
}

TEST(Lock, ZeroFilledStorageEntersRecursivelyWithoutConstructor) {
  lockC* lock = reinterpret_cast<lockC*>(zeroFilledStorage);
  EXPECT_FALSE(lock->isInitialised());
  lock->leave();  // uninitialised: nothing happens
  lock->enter();
  lock->enter();
  EXPECT_TRUE(lock->isInitialised());
  const std::uintptr_t self = reinterpret_cast<std::uintptr_t>(lock);
  const guardWordsS words = guardWordsOf(zeroFilledStorage);
  EXPECT_EQ(words.words[0], self - 64);
  EXPECT_EQ(words.words[1], self);
  EXPECT_EQ(words.words[2], self + 64);
  lock->leave();
  lock->leave();
  lock->destroy();
}

TEST(Lock, LeaveAndDestroyOfUninitialisedLockDoNothing) {
  alignas(lockC) unsigned char storage[sizeof(lockC)];
  std::memset(storage, 0x5A, sizeof storage);
  lockC* lock = reinterpret_cast<lockC*>(storage);
  lock->leave();
  lock->destroy();
  for (std::size_t i = 0; i < sizeof storage; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(storage[i], 0x5A);
  }
}

TEST(Lock, BitwiseCopyCountsAsUninitialised) {
  lockC original;
  original.enter();
  alignas(lockC) unsigned char copyStorage[sizeof(lockC)];
  std::memcpy(copyStorage, static_cast<const void*>(&original), sizeof copyStorage);
  original.leave();

  lockC* copy = reinterpret_cast<lockC*>(copyStorage);
  EXPECT_FALSE(copy->isInitialised());
  copy->leave();  // must not touch the copied mutex bytes
  copy->enter();  // initialises a fresh mutex of its own
  EXPECT_TRUE(copy->isInitialised());

  // The copy is a separate lock: another thread can take the original while
  // this thread holds the copy.
  std::thread other([&] {
    original.enter();
    original.leave();
  });
  other.join();
  copy->leave();
  copy->destroy();
}

TEST(Lock, DestroyZeroesGuardWordsAndLockWorksAgain) {
  alignas(lockC) unsigned char storage[sizeof(lockC)] = {};
  lockC* lock = reinterpret_cast<lockC*>(storage);
  lock->enter();
  lock->leave();
  lock->destroy();
  const guardWordsS words = guardWordsOf(storage);
  EXPECT_EQ(words.words[0], 0u);
  EXPECT_EQ(words.words[1], 0u);
  EXPECT_EQ(words.words[2], 0u);
  EXPECT_FALSE(lock->isInitialised());
  lock->destroy();  // twice: nothing
  lock->enter();
  EXPECT_TRUE(lock->isInitialised());
  lock->leave();
  lock->destroy();
}

TEST(Lock, SecondThreadWaitsUntilOwnerLeftAsOftenAsEntered) {
  lockC lock;
  lock.enter();
  lock.enter();
  lock.enter();
  std::atomic<bool> otherHolds{false};
  std::thread other([&] {
    lock.enter();
    otherHolds = true;
    lock.leave();
  });
  sleepBriefly();
  EXPECT_FALSE(otherHolds);
  lock.leave();
  sleepBriefly();
  EXPECT_FALSE(otherHolds);
  lock.leave();
  sleepBriefly();
  EXPECT_FALSE(otherHolds);
  lock.leave();
  other.join();
  EXPECT_TRUE(otherHolds);
}

TEST(Lock, ConcurrentFirstUseInitialisesOnceAndExcludes) {
  alignas(lockC) static unsigned char storage[sizeof(lockC)];
  std::memset(storage, 0, sizeof storage);
  lockC* lock = reinterpret_cast<lockC*>(storage);
  constexpr int threadCount = 8;
  constexpr int rounds = 2000;
  std::atomic<int> ready{0};
  long counter = 0;
  std::vector<std::thread> threads;
  for (int t = 0; t < threadCount; ++t) {
    threads.emplace_back([&] {
      ++ready;
      while (ready < threadCount) std::this_thread::yield();
      for (int i = 0; i < rounds; ++i) {
        lock->enter();
        long seen = counter;
        counter = seen + 1;
        lock->leave();
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(counter, static_cast<long>(threadCount) * rounds);
  lock->destroy();
}

TEST(LockGuard, ReleaseLeavesEarlyAndDestructorDoesNotLeaveAgain) {
  lockC lock;
  lock.enter();  // held once outside the guard
  {
    lockGuardC guard(lock);
    EXPECT_EQ(guard.currentDepth(), 1u);
    EXPECT_TRUE(guard.release());
    EXPECT_EQ(guard.currentDepth(), 0u);
    EXPECT_FALSE(guard.release());
  }
  // Still held once by this thread: another thread must wait for this leave.
  std::atomic<bool> otherHolds{false};
  std::thread other([&] {
    lockGuardC guard(lock);
    otherHolds = true;
  });
  sleepBriefly();
  EXPECT_FALSE(otherHolds);
  lock.leave();
  other.join();
  EXPECT_TRUE(otherHolds);
}
