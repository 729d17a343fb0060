// Several threads allocate, grow and free mixed sizes through one heap; the
// counters return to zero and the validity walk finds nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

#include "memory/mem_pool.h"

namespace {

struct liveBlockS {
  unsigned char* p;
  std::uint64_t size;
  unsigned char fill;
  bool intact() const {
    return std::all_of(p, p + size, [this](unsigned char byte) { return byte == fill; });
  }
};

// Allocates (half of the rounds), frees and reallocates; false on a failed
// request or a damaged block.
bool churn(memPoolC& pool, std::uint32_t seed, int rounds) {
  std::mt19937 random(seed);
  std::vector<liveBlockS> live;
  bool intact = true;
  for (int round = 0; round < rounds; ++round) {
    const std::uint32_t action = random() % 8;
    if (action < 4 || live.empty()) {
      static const std::uint64_t limits[] = {16, 64, 512, 2040, 2100, 6000};
      const std::uint64_t size = random() % (limits[random() % 6] + 1);
      liveBlockS block{static_cast<unsigned char*>(pool.allocate(size)), size, static_cast<unsigned char>(random())};
      if (block.p == nullptr) return false;
      std::memset(block.p, block.fill, size);
      live.push_back(block);
    } else if (action < 7) {
      const std::size_t index = random() % live.size();
      intact = intact && live[index].intact();
      pool.deallocate(live[index].p);
      live[index] = live.back();
      live.pop_back();
    } else {
      liveBlockS& block = live[random() % live.size()];
      intact = intact && block.intact();
      const std::uint64_t size = random() % 3000;
      unsigned char* moved = static_cast<unsigned char*>(pool.reallocate(block.p, size));
      if (moved == nullptr) return false;
      if (size > block.size) std::memset(moved + block.size, block.fill, size - block.size);
      block.p = moved;
      block.size = size;
    }
  }
  for (const liveBlockS& block : live) {
    intact = intact && block.intact();
    pool.deallocate(block.p);
  }
  return intact;
}

TEST(MemPoolStress, ConcurrentThreadsSharingOneHeapLeaveItSound) {
  lockC lock;
  memPoolC pool(&lock, memBlockHeaderSizePlain);
  constexpr int threadCount = 6;
  bool intact[threadCount] = {};
  std::vector<std::thread> threads;
  for (int t = 0; t < threadCount; ++t) threads.emplace_back([&, t] { intact[t] = churn(pool, 17u + t, 20000); });
  for (std::thread& thread : threads) thread.join();
  for (int t = 0; t < threadCount; ++t) EXPECT_TRUE(intact[t]) << "thread " << t << " found a damaged block";
  const char* fault = nullptr;
  EXPECT_EQ(0u, pool.validate(&fault)) << (fault ? fault : "");
  EXPECT_EQ(0u, pool.outstanding);
  EXPECT_EQ(0u, pool.osBytes);
}

}  // namespace
