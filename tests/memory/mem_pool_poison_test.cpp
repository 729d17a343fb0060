// What the pooled heap tells AddressSanitizer: live bytes readable, free
// slots, guard bytes and slack poisoned, so that a use after free or an
// overflow inside a page is caught. Also which heap the module's blocks come
// from with and without ZK_POOL_PASSTHROUGH. The poisoning cases run only in
// a tree built with AddressSanitizer.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "memory/mem_pool.h"
#include "memory/module_heap.h"
#include "memory/pool_poison.h"

namespace {

#if defined(ZK_POOL_POISONING)
// The first byte of [from, to) whose poisoning is not `poisoned`, or -1.
long firstMismatch(const unsigned char* from, const unsigned char* to, bool poisoned) {
  for (const unsigned char* at = from; at < to; ++at) {
    if ((__asan_address_is_poisoned(at) != 0) != poisoned) return static_cast<long>(at - from);
  }
  return -1;
}
#endif

TEST(PoolPoisoning, LiveBytesOnlyAreAddressable) {
#if !defined(ZK_POOL_POISONING)
  GTEST_SKIP() << "built without AddressSanitizer";
#else
  const struct rowS {
    std::uint64_t headerSize, request, classSize;
  } rows[] = {
      {memBlockHeaderSizePlain, 0, 0},         // class 0: nothing live
      {memBlockHeaderSizePlain, 1, 8},         // guard byte and 6 bytes of slack
      {memBlockHeaderSizePlain, 8, 8},         // no slack
      {memBlockHeaderSizePlain, 13, 16},       // slack across a granule
      {memBlockHeaderSizePlain, 2039, 2040},   // largest class
      {memBlockHeaderSizeWithLocation, 5, 8},  // 144-byte header stays readable
  };
  for (const rowS& row : rows) {
    SCOPED_TRACE("header " + std::to_string(row.headerSize) + ", request " + std::to_string(row.request));
    lockC lock;
    memPoolC pool(&lock, row.headerSize);
    unsigned char* user = static_cast<unsigned char*>(pool.allocate(row.request));
    ASSERT_NE(nullptr, user);
    const unsigned char* header = reinterpret_cast<unsigned char*>(pool.headerOf(user));
    EXPECT_EQ(-1, firstMismatch(header, user, false)) << "header";
    EXPECT_EQ(-1, firstMismatch(user, user + row.request, false)) << "requested bytes";
    EXPECT_EQ(-1, firstMismatch(user + row.request, user + row.classSize, true)) << "guard byte and slack";
    if (row.request % 8 != 0) {
      EXPECT_EQ(memBlockGuardByte, poolReadByte(user + row.request));
    }
    // The end of the slot below, never handed out: its user area, or (class
    // 0, no user area) its header.
    EXPECT_EQ(-1, firstMismatch(header - 8, header, row.classSize > 0)) << "end of the slot below";
    pool.deallocate(user);
    EXPECT_EQ(-1, firstMismatch(user, user + row.classSize, true)) << "freed block";
    EXPECT_EQ(-1, firstMismatch(header, user, false)) << "header of the freed block";
    const char* fault = nullptr;
    EXPECT_EQ(0u, pool.validate(&fault)) << (fault != nullptr ? fault : "");
  }
#endif
}

#if defined(ZK_POOL_POISONING)
// A freed block's bytes, its page still held by the pool.
void readAfterFree() {
  static lockC lock;
  static memPoolC pool(&lock, memBlockHeaderSizePlain);
  void* keep = pool.allocate(24);  // keeps the page
  volatile unsigned char* user = static_cast<unsigned char*>(pool.allocate(24));
  user[3] = 1;
  pool.deallocate(const_cast<unsigned char*>(user));
  (void)keep;
  const unsigned char value = user[3];
  (void)value;
}

// A write one byte past a 5-byte block, onto its guard byte.
void writePastEnd() {
  static lockC lock;
  static memPoolC pool(&lock, memBlockHeaderSizePlain);
  volatile unsigned char* user = static_cast<unsigned char*>(pool.allocate(5));
  user[5] = 0;
}
#endif

TEST(PoolPoisoningDeathTest, UseAfterFreeAndOverflowInsideAPageAreCaught) {
#if !defined(ZK_POOL_POISONING)
  GTEST_SKIP() << "built without AddressSanitizer";
#else
  ::testing::FLAGS_gtest_death_test_style = "threadsafe";
  EXPECT_DEATH(readAfterFree(), "use-after-poison");
  EXPECT_DEATH(writePastEnd(), "use-after-poison");
#endif
}

// The module's heap: page blocks, or with ZK_POOL_PASSTHROUGH an OS block of
// the runtime heap for every request.
TEST(PoolPassThrough, ModuleBlocksComeFromTheConfiguredHeap) {
#if defined(ZK_TEST_POOL_PASSTHROUGH)
  const bool passThrough = true;
#else
  const bool passThrough = false;
#endif
  for (std::uint64_t size : {0u, 8u, 100u, 2040u}) {
    SCOPED_TRACE("request " + std::to_string(size));
    void* p = modulePool().allocate(size);
    ASSERT_NE(nullptr, p);
    const std::uint64_t owner = modulePool().headerOf(p)->owner;
    EXPECT_EQ(passThrough, owner == memBlockOwnerOsBlock) << "owner 0x" << std::hex << owner;
    modulePool().deallocate(p);
  }
}

}  // namespace
