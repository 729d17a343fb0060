// The global allocation operators: every form is served by the module's heap,
// over-aligned types come back aligned, failures answer null.
#include <gtest/gtest.h>

#include <cstdint>
#include <new>

#include "memory/module_heap.h"

namespace {

struct alignas(64) cacheLineS {
  unsigned char bytes[64];
};
struct alignas(4096) pageAlignedS {
  unsigned char bytes[100];
};

TEST(GlobalNew, PlainFormsUseTheModulePoolAndFailuresAnswerNull) {
  const std::uint64_t before = modulePool().outstanding;
  int* one = new int(7);
  int* many = new int[10];
  int* quiet = new (std::nothrow) int(3);
  EXPECT_EQ(before + 3, modulePool().outstanding);
  EXPECT_EQ(sizeof(int), modulePool().blockSize(one));
  delete one;
  delete[] many;
  delete quiet;
  EXPECT_EQ(before, modulePool().outstanding);
  const std::size_t huge = static_cast<std::size_t>(-1) - 8;  // no block of this size fits the address space
  EXPECT_EQ(nullptr, ::operator new(huge)) << "the throwing form too";
  EXPECT_EQ(nullptr, ::operator new[](huge));
  EXPECT_EQ(nullptr, ::operator new(huge, std::nothrow));
  EXPECT_EQ(nullptr, ::operator new(huge, std::align_val_t(64)));
}

TEST(GlobalNew, OverAlignedTypesComeBackAligned) {
  const std::uint64_t before = modulePool().outstanding;
  cacheLineS* lines[20];
  for (cacheLineS*& line : lines) {
    line = new cacheLineS;
    ASSERT_NE(nullptr, line);
    EXPECT_EQ(0u, reinterpret_cast<std::uintptr_t>(line) % 64);
  }
  for (cacheLineS* line : lines) delete line;
  pageAlignedS* page = new pageAlignedS[3];
  EXPECT_EQ(0u, reinterpret_cast<std::uintptr_t>(page) % 4096);
  delete[] page;
  EXPECT_EQ(before, modulePool().outstanding);
}

}  // namespace
