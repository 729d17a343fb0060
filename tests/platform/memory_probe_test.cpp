// Fault-free reads: readable memory is copied, anything else answers false
// instead of faulting.
#include "platform/memory_probe.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

TEST(MemoryProbe, ReadsWhatIsReadableAndRefusesTheRest) {
  std::vector<unsigned char> large(100000);
  for (std::size_t i = 0; i < large.size(); ++i) large[i] = static_cast<unsigned char>(i * 7);
  const struct rowS {
    const char* what;
    const void* address;
    std::size_t size;
    bool readable;
  } rows[] = {
      {"a heap range of several pages", large.data(), large.size(), true},
      {"a text", "probe", 6, true},
      {"nothing to read", nullptr, 0, true},
      {"null", nullptr, 8, false},
      {"the first page", reinterpret_cast<void*>(16), 8, false},
      {"a range that wraps around", reinterpret_cast<void*>(UINTPTR_MAX - 3), 8, false},
  };
  for (const rowS& row : rows) {
    SCOPED_TRACE(row.what);
    EXPECT_EQ(row.readable, memoryIsReadable(row.address, row.size));
    std::vector<unsigned char> copy(row.size + 1, 0xAA);
    EXPECT_EQ(row.readable, memorySafeRead(row.address, copy.data(), row.size));
    if (row.readable && row.size > 0) {
      EXPECT_EQ(0, std::memcmp(row.address, copy.data(), row.size));
    }
    EXPECT_EQ(0xAA, copy[row.size]) << "nothing written past the size";
  }
}

}  // namespace
