// perThreadValueT: a slot per thread, the sweep of ended threads' slots on a
// thread's first lookup, setAll and destruction.
#include "platform/per_thread_value.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

// A slot value that counts how many exist: how many nodes a table holds.
struct countedS {
  countedS() { ++alive; }
  countedS(const countedS& other) : number(other.number) { ++alive; }
  countedS& operator=(const countedS& other) = default;
  ~countedS() { --alive; }
  int number = 0;
  static std::atomic<int> alive;
};
std::atomic<int> countedS::alive{0};

// Runs body on a new thread and waits for that thread to end.
template <class bodyT>
void runOnThread(bodyT body) {
  std::thread thread(body);
  thread.join();
}

}  // namespace

TEST(PerThreadValue, EachThreadHasItsOwnSlotAndTheInitialValueIsTheConstructors) {
  perThreadValueT<long> table(42);
  long seenElsewhere = -1;
  runOnThread([&] {
    seenElsewhere = table.get();
    table.set(2);
    EXPECT_EQ(table.get(), 2);
  });
  EXPECT_EQ(seenElsewhere, 0);
  EXPECT_EQ(table.get(), 42);
}

TEST(PerThreadValue, FirstLookupOfANewThreadSweepsEndedThreads) {
  countedS::alive = 0;
  {
    perThreadValueT<countedS> table;
    table.get().number = 1;
    std::atomic<int> slotsTaken{0};  // three threads take slots while all of them run, then end
    std::vector<std::thread> threads;
    for (int i = 0; i < 3; ++i) {
      threads.emplace_back([&, i] {
        table.get().number = 10 + i;
        for (++slotsTaken; slotsTaken < 3;) std::this_thread::yield();
      });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(table.get().number, 1);
    EXPECT_EQ(countedS::alive, 4) << "ended threads' slots linger through lookups of threads that have a slot";
    int aliveAfterFirstLookup = 0;
    runOnThread([&] {
      table.get().number = 99;
      aliveAfterFirstLookup = countedS::alive;
    });
    EXPECT_EQ(aliveAfterFirstLookup, 2) << "the calling thread's slot and the main thread's";
    EXPECT_EQ(table.get().number, 1);
  }
  EXPECT_EQ(countedS::alive, 0) << "destruction destroys every node";
}

// Threads making their first lookups at once keep their slots apart; setAll
// then reaches every thread's slot.
TEST(PerThreadValue, ConcurrentFirstLookupsKeepSlotsApartAndSetAllReachesThemAll) {
  perThreadValueT<int> table;
  constexpr int threadCount = 8;
  std::atomic<int> ready{0};
  std::atomic<int> mixedUp{0};
  std::atomic<bool> setAllDone{false};
  std::vector<int> seen(threadCount, -1);
  std::vector<std::thread> threads;
  for (int t = 0; t < threadCount; ++t) {
    threads.emplace_back([&, t] {
      for (int round = 0; round < 200; ++round) {
        int& slot = table.get();
        if (slot != 0 && slot != t + 1) ++mixedUp;
        slot = t + 1;
      }
      for (++ready; !setAllDone;) std::this_thread::yield();
      seen[t] = table.get();
    });
  }
  while (ready < threadCount) std::this_thread::yield();
  table.set(-5);
  table.setAll(7);
  setAllDone = true;
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(mixedUp, 0);
  EXPECT_EQ(seen, std::vector<int>(threadCount, 7));
  EXPECT_EQ(table.get(), 7);
}

// A new thread that inherits the id of an ended thread (Windows reuses ids)
// must not find the ended thread's value.
TEST(PerThreadValue, ReusedThreadIdGetsAFreshSlot) {
  perThreadValueT<int> table;
  table.get();  // the main thread holds a slot, so nothing below sweeps but the reusing thread
  std::uint32_t endedId = 0;
  runOnThread([&] {
    endedId = threadIdentC::currentId();
    table.set(1234);
  });
  bool reused = false;
  int valueSeen = -1;
  for (int attempt = 0; attempt < 300 && !reused; ++attempt) {
    runOnThread([&] {
      if (threadIdentC::currentId() != endedId) return;
      reused = true;
      valueSeen = table.get();
    });
  }
  if (!reused) GTEST_SKIP() << "no thread id was reused";
  EXPECT_EQ(valueSeen, 0);
}
