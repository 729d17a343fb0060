// Several threads allocate, grow and free mixed sizes through one heap; the
// counters return to zero and the validity walk finds nothing.
#include "memory/mem_pool.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

namespace {

// Small deterministic generator, one per thread.
class randomC {
 public:
  explicit randomC(std::uint32_t seed) : state(seed * 2654435761u + 1) {}
  std::uint32_t next() {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
  }

 private:
  std::uint32_t state;
};

struct liveBlockS {
  unsigned char* p;
  std::uint64_t size;
  unsigned char fill;
};

void checkContent(const liveBlockS& block, bool& intact) {
  for (std::uint64_t i = 0; i < block.size; ++i)
    if (block.p[i] != block.fill) intact = false;
}

void churn(memPoolC& pool, std::uint32_t seed, int rounds, bool& intact) {
  randomC random(seed);
  std::vector<liveBlockS> live;
  for (int round = 0; round < rounds; ++round) {
    const std::uint32_t action = random.next() % 8;
    if (action < 4 || live.empty()) {
      static const std::uint64_t limits[] = {16, 64, 512, 2040, 2100, 6000};
      const std::uint64_t size = random.next() % (limits[random.next() % 6] + 1);
      liveBlockS block{static_cast<unsigned char*>(pool.allocate(size)), size,
                       static_cast<unsigned char>(random.next())};
      if (block.p == nullptr) {
        intact = false;
        return;
      }
      std::memset(block.p, block.fill, size);
      live.push_back(block);
    } else if (action < 7) {
      const std::size_t index = random.next() % live.size();
      checkContent(live[index], intact);
      pool.deallocate(live[index].p);
      live[index] = live.back();
      live.pop_back();
    } else {
      liveBlockS& block = live[random.next() % live.size()];
      checkContent(block, intact);
      const std::uint64_t size = random.next() % 3000;
      unsigned char* moved = static_cast<unsigned char*>(pool.reallocate(block.p, size));
      if (moved == nullptr) {
        intact = false;
        return;
      }
      block.p = moved;
      if (size > block.size) std::memset(moved + block.size, block.fill, size - block.size);
      block.size = size;
    }
  }
  for (const liveBlockS& block : live) {
    checkContent(block, intact);
    pool.deallocate(block.p);
  }
}

TEST(MemPoolStress, ThreadsSharingOneHeapLeaveItSound) {
  lockC lock;
  memPoolC pool(&lock, memBlockHeaderSizePlain);
  constexpr int threadCount = 6;
  bool intact[threadCount];
  std::vector<std::thread> threads;
  for (int t = 0; t < threadCount; ++t) {
    intact[t] = true;
    threads.emplace_back(churn, std::ref(pool), 17u + t, 20000, std::ref(intact[t]));
  }
  // The walk also runs while the threads work: it holds the pool lock.
  for (int i = 0; i < 20; ++i) {
    const char* fault = nullptr;
    EXPECT_EQ(0u, pool.validate(&fault)) << (fault ? fault : "");
    std::this_thread::yield();
  }
  for (std::thread& thread : threads) thread.join();
  for (int t = 0; t < threadCount; ++t) EXPECT_TRUE(intact[t]) << "thread " << t << " found a damaged block";

  const char* fault = nullptr;
  EXPECT_EQ(0u, pool.validate(&fault)) << (fault ? fault : "");
  EXPECT_EQ(0u, pool.outstanding);
  EXPECT_EQ(0u, pool.osBytes);
  EXPECT_GT(pool.peakPageCount, 0u);
  EXPECT_GT(pool.peakOsBytes, 0u);
}

}  // namespace
