// lockC and lockGuardC: self-initialisation from zero-filled storage, bitwise
// copies, destruction, recursion across threads and concurrent first use.
#include "platform/lock.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

namespace {

using guardWordsT = std::array<std::uintptr_t, 3>;

// The three guard words as stored in the lock's bytes.
guardWordsT guardWords(const void* storage) {
  guardWordsT words;
  std::memcpy(words.data(), static_cast<const unsigned char*>(storage) + lockC::sectionSize, sizeof words);
  return words;
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

}  // namespace

// Zero-filled storage works without a constructor, recursively, and the
// constructor running later writes nothing; destroy zeroes the guard words,
// and the lock then works again.
TEST(Lock, ZeroFilledStorageWorksWithoutAConstructorAndDestroyZeroesTheGuardWords) {
  EXPECT_TRUE(earlyLockUser.initialisedInside);
  EXPECT_TRUE(lockUsedBeforeConstruction.isInitialised());
  lockC* lock = reinterpret_cast<lockC*>(zeroFilledStorage);
  const std::uintptr_t self = reinterpret_cast<std::uintptr_t>(lock);
  EXPECT_FALSE(lock->isInitialised());
  lock->leave();  // uninitialised: nothing happens
  lock->enter();
  lock->enter();
  EXPECT_TRUE(lock->isInitialised());
  EXPECT_EQ(guardWords(zeroFilledStorage), (guardWordsT{self - 64, self, self + 64}));
  lock->leave();
  lock->leave();
  lock->destroy();
  EXPECT_EQ(guardWords(zeroFilledStorage), (guardWordsT{0, 0, 0}));
  EXPECT_FALSE(lock->isInitialised());
  lock->destroy();  // twice: nothing
  lock->enter();
  EXPECT_TRUE(lock->isInitialised());
  lock->leave();
  lock->destroy();
}

TEST(Lock, BitwiseCopyCountsAsUninitialised) {
  lockC original;
  original.enter();
  alignas(lockC) unsigned char copyStorage[sizeof(lockC)];
  std::memcpy(copyStorage, static_cast<const void*>(&original), sizeof copyStorage);
  original.leave();
  unsigned char snapshot[sizeof(lockC)];
  std::memcpy(snapshot, copyStorage, sizeof snapshot);
  lockC* copy = reinterpret_cast<lockC*>(copyStorage);
  EXPECT_FALSE(copy->isInitialised());
  copy->leave();  // uninitialised: leave and destroy touch no byte
  copy->destroy();
  EXPECT_EQ(0, std::memcmp(copyStorage, snapshot, sizeof snapshot));
  copy->enter();  // initialises a fresh mutex of its own
  EXPECT_TRUE(copy->isInitialised());
  // A separate lock: another thread takes the original while this one holds the copy.
  std::thread other([&] {
    original.enter();
    original.leave();
  });
  other.join();
  copy->leave();
  copy->destroy();
}

// A guard released early does not leave again at its end.
TEST(Lock, SecondThreadWaitsUntilOwnerLeftAsOftenAsEntered) {
  lockC lock;
  for (int i = 0; i < 3; ++i) lock.enter();
  {
    lockGuardC guard(lock);
    EXPECT_EQ(guard.currentDepth(), 1u);
    EXPECT_TRUE(guard.release());
    EXPECT_EQ(guard.currentDepth(), 0u);
    EXPECT_FALSE(guard.release());
  }
  std::atomic<bool> otherHolds{false};
  std::thread other([&] {
    lockGuardC guard(lock);
    otherHolds = true;
  });
  for (int i = 0; i < 3; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(otherHolds) << "still entered " << 3 - i << " times";
    lock.leave();
  }
  other.join();
  EXPECT_TRUE(otherHolds);
}

TEST(Lock, ConcurrentFirstUseInitialisesOnceAndExcludes) {
  alignas(lockC) static unsigned char storage[sizeof(lockC)];
  std::memset(storage, 0, sizeof storage);
  lockC* lock = reinterpret_cast<lockC*>(storage);
  constexpr int threadCount = 8, rounds = 2000;
  std::atomic<int> ready{0};
  long counter = 0;
  std::vector<std::thread> threads;
  for (int t = 0; t < threadCount; ++t) {
    threads.emplace_back([&] {
      for (++ready; ready < threadCount;) std::this_thread::yield();
      for (int i = 0; i < rounds; ++i) {
        lock->enter();
        counter = counter + 1;
        lock->leave();
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(counter, static_cast<long>(threadCount) * rounds);
  lock->destroy();
}

// Several threads hammer two locks, nesting them and entering each again
// while holding it; every increment made under the locks must survive. Some
// holders yield between reading and writing a counter, so that others find
// the lock taken, sleep on it and must be woken.
TEST(Lock, ConcurrentNestedEntriesLoseNoUpdate) {
  lockC outer;
  lockC inner;
  constexpr int threadCount = 6, rounds = 20000;
  long outerCount = 0;
  long innerCount = 0;
  std::vector<std::thread> threads;
  for (int t = 0; t < threadCount; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < rounds; ++i) {
        lockGuardC outerGuard(outer);
        const long seen = outerCount;
        if (i % 64 == t) std::this_thread::yield();
        outerCount = seen + 1;
        if ((i + t) % 3 != 0) continue;
        lockGuardC again(outer);
        lockGuardC innerGuard(inner);
        inner.enter();
        innerCount = innerCount + 1;
        inner.leave();
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  long expectedInner = 0;
  for (int t = 0; t < threadCount; ++t)
    for (int i = 0; i < rounds; ++i) expectedInner += (i + t) % 3 == 0;
  EXPECT_EQ(static_cast<long>(threadCount) * rounds, outerCount);
  EXPECT_EQ(expectedInner, innerCount);
}
