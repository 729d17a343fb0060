// A class's method table filled on first use from many threads at once.
#include "runtime/method_table.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "abi/interfaces.h"

namespace {

uint32_t noHandler(void*, proxyAutoParaListC*, proxyAutoTypeCastC*) { return 0; }

const proxyMethodEntryS kClassRows[] = {
    {"First", kindMethod, 0, noHandler},
    {"Second", kindPropertyGet, 0, noHandler},
    {nullptr, 0, 0, nullptr},
};

// Each round starts threads on a fresh table and lets them ask for its rows
// at the same moment. Filling twice would double the rows (or free rows
// another thread already holds); every thread must get the one table.
TEST(MethodTable, ConcurrentFirstFillBuildsOnce) {
  constexpr int kRounds = 100;
  constexpr int kThreads = 8;
  for (int round = 0; round < kRounds; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    proxyMethodTableS table;
    std::atomic<bool> filled{false};
    std::atomic<int> waiting{kThreads};
    std::vector<const proxyMethodEntryS*> seen(kThreads, nullptr);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
      threads.emplace_back([&, t] {
        waiting.fetch_sub(1);
        while (waiting.load() > 0) std::this_thread::yield();
        seen[t] = table.rowsFilledOnce(kClassRows, filled);
      });
    }
    for (std::thread& thread : threads) thread.join();
    ASSERT_TRUE(filled.load());
    ASSERT_EQ(2u, table.count());
    EXPECT_STREQ("First", table.nameAt(0));
    for (int t = 0; t < kThreads; ++t) EXPECT_EQ(table.rows, seen[t]) << "thread " << t;
  }
}

}  // namespace
