// memPoolC on private instances: layouts, size classes, page lists, counters,
// guard bytes, double free, reallocation and runtime-heap failures.
#include "memory/mem_pool.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "memory/mem_track_output.h"

namespace {

std::string hex64(std::uint64_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%016llX", static_cast<unsigned long long>(value));
  return text;
}

// A private heap with a 16-byte header (or the given one), freed at the end.
class poolFixtureC : public ::testing::Test {
 protected:
  explicit poolFixtureC(std::uint64_t headerSize = memBlockHeaderSizePlain) : pool(&lock, headerSize) {}
  ~poolFixtureC() override {
    const char* fault = nullptr;
    EXPECT_EQ(0u, pool.validate(&fault)) << (fault ? fault : "");
  }

  memBlockHeaderS* header(void* p) { return pool.headerOf(p); }
  memPageS* ownerPage(void* p) { return reinterpret_cast<memPageS*>(static_cast<std::uintptr_t>(header(p)->owner)); }

  lockC lock;
  memPoolC pool;
};

class MemPool : public poolFixtureC {};

TEST_F(MemPool, StrideAndCapacityPerClass) {
  struct rowS {
    std::uint64_t request;
    std::uint64_t stride;
    std::uint64_t capacity;
  };
  const rowS rows[] = {
      {0, 16, 625},     // class 0: the header alone
      {1, 24, 416},     // class 1
      {8, 24, 416},     // class 1, exact
      {9, 32, 312},     // class 2
      {2040, 2056, 4},  // class 255, the largest page block
  };
  for (const rowS& row : rows) {
    SCOPED_TRACE("request " + std::to_string(row.request));
    void* p = pool.allocate(row.request);
    ASSERT_NE(nullptr, p);
    memPageS* page = ownerPage(p);
    EXPECT_EQ(row.stride, page->stride);
    EXPECT_EQ(row.capacity, page->capacity);
    EXPECT_EQ((row.request + 7) / 8 * 8, page->classSize);
    EXPECT_EQ(memPageMagic, page->magic);
    EXPECT_EQ(0u, reinterpret_cast<std::uintptr_t>(p) % 8);
    EXPECT_EQ(row.request, pool.blockSize(p));
    pool.deallocate(p);
  }
}

TEST_F(MemPool, FirstBlockOfAFreshPageIsTheHighestSlot) {
  void* p = pool.allocate(8);
  memPageS* page = ownerPage(p);
  EXPECT_EQ(page->blockArea + (page->capacity - 1) * page->stride, reinterpret_cast<unsigned char*>(header(p)));
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(page), header(p)->owner) << hex64(header(p)->owner);
  void* second = pool.allocate(8);
  EXPECT_EQ(static_cast<unsigned char*>(p) - page->stride, static_cast<unsigned char*>(second));
  pool.deallocate(second);
  pool.deallocate(p);
  EXPECT_EQ(memBlockOwnerFreed, header(p)->owner) << hex64(header(p)->owner);
  EXPECT_EQ(p, pool.allocate(8));  // last in, first out
  pool.deallocate(p);
}

TEST_F(MemPool, GuardByteFollowsUnalignedRequestsOnly) {
  struct rowS {
    std::uint64_t request;
    bool guarded;
  };
  const rowS rows[] = {{0, false}, {1, true}, {7, true}, {8, false}, {13, true}, {2039, true}, {2040, false}};
  for (const rowS& row : rows) {
    SCOPED_TRACE("request " + std::to_string(row.request));
    void* p = pool.allocate(row.request);
    unsigned char* after = static_cast<unsigned char*>(p) + row.request;
    if (row.guarded) {
      EXPECT_EQ(memBlockGuardByte, *after);
    } else {
      EXPECT_NE(memBlockGuardByte, *after) << "byte after the block should be untouched";
    }
    pool.deallocate(p);
  }
}

TEST_F(MemPool, LargestPageBlockAndFirstOsBlock) {
  void* page = pool.allocate(2040);
  EXPECT_EQ(1u, pool.pageCount);
  EXPECT_EQ(0u, pool.osBytes);

  void* os = pool.allocate(2041);
  ASSERT_NE(nullptr, os);
  EXPECT_EQ(memBlockOwnerOsBlock, header(os)->owner) << hex64(header(os)->owner);
  EXPECT_EQ(2041u, header(os)->sizeOrLink);
  EXPECT_EQ(2041u, pool.osBytes);
  EXPECT_EQ(2041u, pool.peakOsBytes);
  EXPECT_EQ(1u, pool.pageCount);
  EXPECT_EQ(2u, pool.outstanding);

  pool.deallocate(os);
  EXPECT_EQ(0u, pool.osBytes);
  EXPECT_EQ(2041u, pool.peakOsBytes);
  pool.deallocate(page);
  EXPECT_EQ(0u, pool.outstanding);
}

TEST_F(MemPool, PoolsDisabledTurnsSmallRequestsIntoOsBlocks) {
  pool.poolsDisabled = 1;
  void* p = pool.allocate(24);
  EXPECT_EQ(memBlockOwnerOsBlock, header(p)->owner);
  EXPECT_EQ(0u, pool.pageCount);
  EXPECT_EQ(24u, pool.osBytes);
  pool.poolsDisabled = 0;
  pool.deallocate(p);
  EXPECT_EQ(0u, pool.osBytes);
}

TEST_F(MemPool, FullPageMovesAndComesBack) {
  std::vector<void*> blocks;
  for (int i = 0; i < 4; ++i) blocks.push_back(pool.allocate(2040));  // capacity 4
  memPageS* first = ownerPage(blocks[0]);
  EXPECT_EQ(nullptr, pool.sizeClassTable[255]);
  EXPECT_EQ(first, pool.fullPageList);
  EXPECT_EQ(nullptr, first->freeHead);

  void* fifth = pool.allocate(2040);
  memPageS* second = ownerPage(fifth);
  EXPECT_NE(first, second);
  EXPECT_EQ(second, pool.sizeClassTable[255]);
  EXPECT_EQ(2u, pool.pageCount);
  EXPECT_EQ(2u, pool.peakPageCount);

  pool.deallocate(blocks[2]);
  EXPECT_EQ(nullptr, pool.fullPageList);
  EXPECT_EQ(first, pool.sizeClassTable[255]) << "the page that stopped being full goes to the front";
  EXPECT_EQ(second, first->next);
  EXPECT_EQ(first, second->prev);
  EXPECT_EQ(blocks[2], pool.allocate(2040)) << "the next allocation takes the freed block";
  EXPECT_EQ(first, pool.fullPageList);

  pool.deallocate(fifth);
  EXPECT_EQ(2u, pool.pageCount) << "the emptied second page is alone in its class list";
  for (void* p : blocks) pool.deallocate(p);
  EXPECT_EQ(1u, pool.pageCount) << "the first page emptied beside the second one";
  EXPECT_EQ(0u, pool.outstanding);
}

TEST_F(MemPool, EmptiedPageIsKeptOnlyWhileAloneInItsClass) {
  void* a = pool.allocate(100);
  pool.deallocate(a);
  EXPECT_EQ(1u, pool.pageCount);
  EXPECT_NE(nullptr, pool.sizeClassTable[13]);

  // Two pages of class 255; emptying the one with a neighbour returns it.
  std::vector<void*> blocks;
  for (int i = 0; i < 5; ++i) blocks.push_back(pool.allocate(2040));
  EXPECT_EQ(3u, pool.pageCount);
  pool.deallocate(blocks[0]);  // the full page rejoins its class list
  pool.deallocate(blocks[4]);  // the second page empties with a neighbour
  EXPECT_EQ(2u, pool.pageCount);
  for (int i = 1; i < 4; ++i) pool.deallocate(blocks[i]);
  EXPECT_EQ(2u, pool.pageCount) << "the last page of each class stays";
  EXPECT_EQ(3u, pool.peakPageCount);
}

TEST_F(MemPool, ShuttingDownReturnsEmptiedPagesAtOnce) {
  void* a = pool.allocate(16);
  pool.shuttingDown = 1;
  pool.deallocate(a);
  EXPECT_EQ(0u, pool.pageCount);
  EXPECT_EQ(nullptr, pool.sizeClassTable[2]);
}

TEST(MemPoolUnload, ReturnsEveryPageWhenNothingIsOutstanding) {
  lockC lock;
  std::vector<void*> taken;
  auto countingAllocate = [](std::size_t size) -> void* { return std::malloc(size); };
  static int frees = 0;
  frees = 0;
  {
    memPoolC pool(&lock, memBlockHeaderSizePlain);
    pool.setRuntimeHeap(countingAllocate, [](void* block) {
      ++frees;
      std::free(block);
    });
    for (std::uint64_t size : {8u, 64u, 512u, 2040u}) pool.deallocate(pool.allocate(size));
    EXPECT_EQ(4u, pool.pageCount);
    EXPECT_EQ(0, frees);
  }
  EXPECT_EQ(4, frees);
}

std::string capturedOutput;
void captureOutput(const char* text) { capturedOutput += text; }

TEST_F(MemPool, DoubleFreeIsReportedAndChangesNothing) {
  void* keep = pool.allocate(24);
  void* p = pool.allocate(24);
  pool.deallocate(p);
  const std::uint64_t outstanding = pool.outstanding;
  memPageS* page = ownerPage(keep);
  memBlockHeaderS* freeHead = page->freeHead;

  capturedOutput.clear();
  memTrackSetOutput(&captureOutput);
  pool.deallocate(p);
  memTrackResetOutput();

  EXPECT_EQ(outstanding, pool.outstanding);
  EXPECT_EQ(freeHead, page->freeHead);
  EXPECT_EQ(1u, page->used);
  EXPECT_EQ("free called on free object\nstack track :\n", capturedOutput);
  EXPECT_EQ(0u, pool.poolsDisabled);
  pool.deallocate(keep);
}

// A slot of a page that was never handed out has owner 0: freeing it is
// reported like a double free instead of reading owner 0 as a page.
TEST_F(MemPool, FreeingANeverUsedSlotIsReportedAndChangesNothing) {
  void* keep = pool.allocate(24);
  memPageS* page = ownerPage(keep);
  unsigned char* lowestSlot = page->blockArea;
  ASSERT_NE(static_cast<void*>(lowestSlot + pool.blockHeaderSize), keep);
  ASSERT_EQ(memBlockOwnerNeverUsed, reinterpret_cast<memBlockHeaderS*>(lowestSlot)->owner);
  const std::uint64_t outstanding = pool.outstanding;
  memBlockHeaderS* freeHead = page->freeHead;

  capturedOutput.clear();
  memTrackSetOutput(&captureOutput);
  pool.deallocate(lowestSlot + pool.blockHeaderSize);
  memTrackResetOutput();

  EXPECT_EQ(outstanding, pool.outstanding);
  EXPECT_EQ(freeHead, page->freeHead);
  EXPECT_EQ(1u, page->used);
  EXPECT_EQ(memBlockOwnerNeverUsed, reinterpret_cast<memBlockHeaderS*>(lowestSlot)->owner);
  EXPECT_EQ("free called on free object\nstack track :\n", capturedOutput);
  pool.deallocate(keep);
}

TEST(MemTrackOutput, ReportsArriveInPiecesOf80Characters) {
  std::vector<std::string> pieces;
  static std::vector<std::string>* sink;
  sink = &pieces;
  memTrackSetOutput([](const char* text) { sink->push_back(text); });
  const std::string text = std::string(80, 'a') + std::string(80, 'b') + "tail\n";
  memTrackWriteReport(text.c_str());
  memTrackResetOutput();
  ASSERT_EQ(3u, pieces.size());
  EXPECT_EQ(std::string(80, 'a'), pieces[0]);
  EXPECT_EQ(std::string(80, 'b'), pieces[1]);
  EXPECT_EQ("tail\n", pieces[2]);
}

TEST_F(MemPool, ReallocationAlwaysMoves) {
  EXPECT_EQ(0u, pool.outstanding);
  void* p = pool.reallocate(nullptr, 10);
  ASSERT_NE(nullptr, p);
  EXPECT_EQ(10u, pool.blockSize(p));
  EXPECT_EQ(1u, pool.outstanding);
  std::memcpy(p, "123456789", 10);

  void* same = pool.reallocate(p, 10);
  EXPECT_NE(p, same);
  EXPECT_STREQ("123456789", static_cast<char*>(same));

  void* grown = pool.reallocate(same, 3000);  // page block to OS block
  EXPECT_STREQ("123456789", static_cast<char*>(grown));
  EXPECT_EQ(memBlockOwnerOsBlock, header(grown)->owner);

  void* shrunk = pool.reallocate(grown, 4);
  EXPECT_EQ(0, std::memcmp(shrunk, "1234", 4));
  EXPECT_EQ(memBlockGuardByte, static_cast<unsigned char*>(shrunk)[4]);
  EXPECT_EQ(1u, pool.outstanding);
  EXPECT_EQ(0u, pool.osBytes);
  pool.deallocate(shrunk);
}

// Runtime heap that fails every request while `failing` is set.
bool failing = false;
void* failableAllocate(std::size_t size) { return failing ? nullptr : std::malloc(size); }

TEST_F(MemPool, RuntimeHeapFailureAnswersNullAndChangesNoCounter) {
  pool.setRuntimeHeap(&failableAllocate, nullptr);
  failing = true;
  EXPECT_EQ(nullptr, pool.allocate(8)) << "no page";
  EXPECT_EQ(nullptr, pool.allocate(5000)) << "no OS block";
  EXPECT_EQ(0u, pool.outstanding);
  EXPECT_EQ(0u, pool.pageCount);
  EXPECT_EQ(0u, pool.osBytes);

  failing = false;
  void* p = pool.allocate(8);
  std::memcpy(p, "abcdefg", 8);
  failing = true;
  EXPECT_EQ(nullptr, pool.reallocate(p, 3000)) << "reallocation that cannot get a block";
  EXPECT_STREQ("abcdefg", static_cast<char*>(p)) << "the old block stays valid";
  EXPECT_EQ(1u, pool.outstanding);
  EXPECT_EQ(nullptr, pool.allocate(UINT64_MAX)) << "size overflow";
  failing = false;
  pool.deallocate(p);
  pool.setRuntimeHeap(nullptr, nullptr);
}

TEST_F(MemPool, AlignedBlocksHonourTheAlignment) {
  for (std::size_t alignment : {8u, 16u, 32u, 64u, 256u, 4096u}) {
    SCOPED_TRACE("alignment " + std::to_string(alignment));
    void* p = pool.allocateAligned(100, alignment);
    ASSERT_NE(nullptr, p);
    EXPECT_EQ(0u, reinterpret_cast<std::uintptr_t>(p) % alignment);
    std::memset(p, 0x5A, 100);
    pool.deallocateAligned(p, alignment);
  }
  EXPECT_EQ(0u, pool.outstanding);
  EXPECT_EQ(nullptr, pool.allocateAligned(8, 48)) << "not a power of two";
}

class MemPoolWithLocation : public poolFixtureC {
 protected:
  MemPoolWithLocation() : poolFixtureC(memBlockHeaderSizeWithLocation) {}
};

TEST_F(MemPoolWithLocation, HeaderOf144Bytes) {
  void* p = pool.allocate(8);
  memPageS* page = ownerPage(p);
  EXPECT_EQ(152u, page->stride);
  EXPECT_EQ(65u, page->capacity);
  EXPECT_EQ(reinterpret_cast<unsigned char*>(header(p)) + 144, static_cast<unsigned char*>(p));
  pool.deallocate(p);
  void* largest = pool.allocate(2040);
  EXPECT_EQ(2184u, ownerPage(largest)->stride);
  EXPECT_EQ(4u, ownerPage(largest)->capacity);
  pool.deallocate(largest);
}

TEST_F(MemPool, ValidityWalkFindsAnOverwrittenGuardByte) {
  void* p = pool.allocate(13);
  static_cast<unsigned char*>(p)[13] = 0;
  const char* fault = nullptr;
  EXPECT_EQ(1u, pool.validate(&fault));
  EXPECT_STREQ("guard byte after an in-use block was overwritten", fault);
  static_cast<unsigned char*>(p)[13] = memBlockGuardByte;
  pool.deallocate(p);
}

}  // namespace
