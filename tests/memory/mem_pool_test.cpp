// memPoolC on private instances: layouts, size classes, page lists, counters,
// guard bytes, double free, reallocation and runtime-heap failures. Guard
// bytes are read and written through pool_poison.h: under AddressSanitizer
// they are poisoned.
#include "memory/mem_pool.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "memory/mem_track_output.h"
#include "memory/pool_poison.h"

namespace {

// A private heap with a 16-byte header, walked for faults at the end.
class MemPool : public ::testing::Test {
 protected:
  ~MemPool() override {
    const char* fault = nullptr;
    EXPECT_EQ(0u, pool.validate(&fault)) << (fault ? fault : "");
  }
  std::uint64_t owner(void* p) { return pool.headerOf(p)->owner; }
  memPageS* page(void* p) { return reinterpret_cast<memPageS*>(static_cast<std::uintptr_t>(owner(p))); }

  lockC lock;
  memPoolC pool{&lock, memBlockHeaderSizePlain};
};

// Strides and capacities; the guard byte follows requests that are not a
// multiple of 8, and the validity walk finds it overwritten.
TEST(MemPoolLayout, StrideCapacityAndGuardBytePerClassAndHeader) {
  constexpr std::uint64_t plain = memBlockHeaderSizePlain, located = memBlockHeaderSizeWithLocation;
  const struct rowS {
    std::uint64_t headerSize, request, stride, capacity;
  } rows[] = {
      {plain, 0, 16, 625},    {plain, 1, 24, 416},      {plain, 8, 24, 416}, {plain, 9, 32, 312},  // classes 0, 1, 1, 2
      {plain, 2039, 2056, 4}, {plain, 2040, 2056, 4},    // class 255: guard byte in its last byte; no guard byte
      {located, 8, 152, 65},  {located, 2040, 2184, 4},  // the 144-byte header of location tracking
  };
  for (const rowS& row : rows) {
    SCOPED_TRACE("header " + std::to_string(row.headerSize) + ", request " + std::to_string(row.request));
    lockC lock;
    memPoolC pool(&lock, row.headerSize);
    void* p = pool.allocate(row.request);
    ASSERT_NE(nullptr, p);
    const memPageS* page = reinterpret_cast<memPageS*>(static_cast<std::uintptr_t>(pool.headerOf(p)->owner));
    EXPECT_EQ(row.stride, page->stride);
    EXPECT_EQ(row.capacity, page->capacity);
    EXPECT_EQ(memPageMagic, page->magic);
    EXPECT_EQ(reinterpret_cast<unsigned char*>(pool.headerOf(p)) + row.headerSize, static_cast<unsigned char*>(p));
    EXPECT_EQ(0u, reinterpret_cast<std::uintptr_t>(p) % 8);
    EXPECT_EQ(row.request, pool.blockSize(p));
    const unsigned char after = poolReadByte(static_cast<unsigned char*>(p) + row.request);
    EXPECT_EQ(row.request % 8 != 0, after == memBlockGuardByte) << "byte after the block: 0x" << std::hex << +after;
    if (after == memBlockGuardByte) {
      const char* fault = nullptr;
      poolWriteByte(static_cast<unsigned char*>(p) + row.request, 0);
      EXPECT_EQ(1u, pool.validate(&fault));
      EXPECT_STREQ("guard byte after an in-use block was overwritten", fault);
      poolWriteByte(static_cast<unsigned char*>(p) + row.request, memBlockGuardByte);
    }
    pool.deallocate(p);
  }
}

TEST_F(MemPool, PageListsAndPageRetention) {
  std::vector<void*> blocks;
  for (int i = 0; i < 4; ++i) blocks.push_back(pool.allocate(2040));  // capacity 4
  memPageS* first = page(blocks[0]);
  EXPECT_EQ(nullptr, pool.sizeClassTable[255]);
  EXPECT_EQ(first, pool.fullPageList);
  EXPECT_EQ(nullptr, first->freeHead);
  void* fifth = pool.allocate(2040);
  memPageS* second = page(fifth);
  EXPECT_EQ(second, pool.sizeClassTable[255]);
  pool.deallocate(blocks[2]);
  EXPECT_EQ(nullptr, pool.fullPageList);
  EXPECT_EQ(first, pool.sizeClassTable[255]) << "the page that stopped being full goes to the front";
  EXPECT_EQ(second, first->next);
  EXPECT_EQ(first, second->prev);
  EXPECT_EQ(blocks[2], pool.allocate(2040)) << "the next allocation takes the freed block";
  EXPECT_EQ(first, pool.fullPageList);
  pool.deallocate(blocks[0]);  // the full page rejoins its class list
  pool.deallocate(fifth);      // the second page empties beside a neighbour: returned
  EXPECT_EQ(1u, pool.pageCount);
  for (int i = 1; i < 4; ++i) pool.deallocate(blocks[i]);
  EXPECT_EQ(1u, pool.pageCount) << "the last page of a class stays";
  EXPECT_EQ(2u, pool.peakPageCount);

  pool.shuttingDown = 1;  // now an emptied page goes at once
  pool.deallocate(pool.allocate(16));
  EXPECT_EQ(1u, pool.pageCount);
  EXPECT_EQ(nullptr, pool.sizeClassTable[2]);
}

// A fresh page hands out its highest slot first, then downwards, and takes
// freed blocks back last in, first out. A block freed twice, and a slot never
// handed out (owner 0, not to be read as a page), are reported and change nothing.
TEST_F(MemPool, SlotsGoFromTheTopAndAreFreedOnce) {
  static std::string capturedOutput;
  void* keep = pool.allocate(24);
  memPageS* used = page(keep);
  EXPECT_EQ(used->blockArea + (used->capacity - 1) * used->stride,
            reinterpret_cast<unsigned char*>(pool.headerOf(keep)));
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(used), owner(keep)) << std::hex << owner(keep);
  void* freed = pool.allocate(24);
  EXPECT_EQ(static_cast<unsigned char*>(keep) - used->stride, static_cast<unsigned char*>(freed));
  pool.deallocate(freed);
  EXPECT_EQ(memBlockOwnerFreed, owner(freed)) << std::hex << owner(freed);
  memBlockHeaderS* lowestSlot = reinterpret_cast<memBlockHeaderS*>(used->blockArea);
  ASSERT_EQ(memBlockOwnerNeverUsed, lowestSlot->owner);
  for (void* p : {freed, static_cast<void*>(used->blockArea + pool.blockHeaderSize)}) {
    SCOPED_TRACE(p == freed ? "freed block" : "never used slot");
    const std::uint64_t outstanding = pool.outstanding;
    memBlockHeaderS* freeHead = used->freeHead;
    capturedOutput.clear();
    memTrackSetOutput([](const char* text) { capturedOutput += text; });
    pool.deallocate(p);
    memTrackResetOutput();
    EXPECT_EQ(outstanding, pool.outstanding);
    EXPECT_EQ(freeHead, used->freeHead);
    EXPECT_EQ(1u, used->used);
    EXPECT_EQ("free called on free object\nstack track :\n", capturedOutput);
  }
  EXPECT_EQ(memBlockOwnerNeverUsed, lowestSlot->owner);
  EXPECT_EQ(0u, pool.poolsDisabled);
  EXPECT_EQ(freed, pool.allocate(24)) << "last in, first out";
  pool.deallocate(freed);
  pool.deallocate(keep);
}

// Reallocation always moves, across the boundary between the largest page
// block (2040 bytes) and the smallest OS block too; a failing runtime heap
// answers null and changes no counter.
TEST_F(MemPool, ReallocationMovesAndFailuresAnswerNull) {
  void* p = pool.reallocate(nullptr, 10);
  ASSERT_NE(nullptr, p);
  std::memcpy(p, "123456789", 10);
  void* same = pool.reallocate(p, 10);
  EXPECT_NE(p, same);
  EXPECT_STREQ("123456789", static_cast<char*>(same));
  void* grown = pool.reallocate(same, 2041);
  EXPECT_STREQ("123456789", static_cast<char*>(grown));
  EXPECT_EQ(memBlockOwnerOsBlock, owner(grown)) << std::hex << owner(grown);
  EXPECT_EQ(2041u, pool.headerOf(grown)->sizeOrLink);
  EXPECT_EQ(2041u, pool.osBytes);
  p = pool.reallocate(grown, 4);
  EXPECT_EQ(0, std::memcmp(p, "1234", 4));
  EXPECT_EQ(memBlockGuardByte, poolReadByte(static_cast<unsigned char*>(p) + 4));
  EXPECT_EQ(0u, pool.osBytes);
  EXPECT_EQ(2041u, pool.peakOsBytes);
  const std::uint64_t pages = pool.pageCount;

  pool.setRuntimeHeap([](std::size_t) -> void* { return nullptr; }, nullptr);
  EXPECT_EQ(nullptr, pool.allocate(2000)) << "no page";
  EXPECT_EQ(nullptr, pool.reallocate(p, 3000)) << "reallocation that cannot get an OS block";
  EXPECT_EQ(0, std::memcmp(p, "1234", 4)) << "the old block stays valid";
  EXPECT_EQ(nullptr, pool.allocate(UINT64_MAX)) << "size overflow";
  EXPECT_EQ(nullptr, pool.allocateAligned(8, 48)) << "alignment not a power of two";
  EXPECT_EQ(1u, pool.outstanding);
  EXPECT_EQ(0u, pool.osBytes);
  EXPECT_EQ(pages, pool.pageCount);
  pool.deallocate(p);
  pool.setRuntimeHeap(nullptr, nullptr);
}

}  // namespace
