// perThreadValueT: a slot per thread, the sweep of ended threads' slots on a
// thread's first lookup, setAll and destruction.
#include "platform/per_thread_value.h"

#include <gtest/gtest.h>

#include <atomic>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "platform/thread_handle.h"

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

}  // namespace

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
    std::thread newcomer([&] {
      table.get().number = 99;
      aliveAfterFirstLookup = countedS::alive;
    });
    newcomer.join();
    EXPECT_EQ(aliveAfterFirstLookup, 2) << "the calling thread's slot and the main thread's";
    EXPECT_EQ(table.get().number, 1);
  }
  EXPECT_EQ(countedS::alive, 0) << "destruction destroys every node";
}

// Threads making their first lookups at once keep their slots apart and start
// from 0 (the constructor's value is the constructing thread's); setAll then
// reaches every thread's slot.
TEST(PerThreadValue, ConcurrentFirstLookupsKeepSlotsApartAndSetAllReachesThemAll) {
  perThreadValueT<int> table(42);
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
  EXPECT_EQ(table.get(), 42);
  table.set(-5);
  table.setAll(7);
  setAllDone = true;
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(mixedUp, 0);
  EXPECT_EQ(seen, std::vector<int>(threadCount, 7));
  EXPECT_EQ(table.get(), 7);
}

// The calling thread's slot is remembered per table; a table built where a
// destroyed one stood, and a thread that inherits an ended thread's id, both
// start from a fresh slot.
TEST(PerThreadValue, NewTableAtADestroyedOnesAddressAndAReusedIdGetFreshSlots) {
  countedS::alive = 0;
  typedef perThreadValueT<countedS> tableT;
  alignas(tableT) unsigned char storage[sizeof(tableT)];
  tableT* table = new (storage) tableT();
  table->get().number = 5;
  EXPECT_EQ(table->get().number, 5);
  table->~tableT();
  EXPECT_EQ(countedS::alive, 0);
  table = new (storage) tableT();
  EXPECT_EQ(table->get().number, 0) << "a slot of the destroyed table";
  EXPECT_EQ(countedS::alive, 1);

  std::uint32_t endedId = 0;
  std::thread ended([&] {
    table->get().number = 13;
    endedId = threadHandleCurrentId();
  });
  ended.join();
  EXPECT_EQ(countedS::alive, 2);
  int inherited = -1;
  std::thread heir([&] {
    threadHandleCachedId = endedId;  // as if the kernel had handed the id on
    inherited = table->get().number;
    table->get().number = 14;
  });
  heir.join();
  EXPECT_EQ(inherited, 0) << "the ended thread's slot";
  EXPECT_EQ(countedS::alive, 2) << "the ended thread's node is swept, the heir's made";
  EXPECT_EQ(table->get().number, 0);
  table->~tableT();
}

// A thread using more tables than its cache holds still finds its own slot
// in each.
TEST(PerThreadValue, SlotsStayApartAcrossMoreTablesThanTheCacheHolds) {
  constexpr int tableCount = 2 * perThreadCacheS::capacity + 1;
  std::vector<perThreadValueT<int>> tables(tableCount);
  for (int round = 0; round < 3; ++round) {
    for (int i = 0; i < tableCount; ++i) {
      SCOPED_TRACE("table " + std::to_string(i) + ", round " + std::to_string(round));
      int& slot = tables[i].get();
      EXPECT_EQ(slot, round == 0 ? 0 : i * 10 + round - 1);
      slot = i * 10 + round;
    }
  }
}
