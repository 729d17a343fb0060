// Fuzz target: a pooled heap of its own under random operation sequences.
//
// Operations (first byte of each): allocate, free, reallocate, aligned
// allocate and free, and arm the runtime heap to fail its next request.
// A model keeps every live block with its size and a fill byte. Properties:
//   - outstanding equals the live blocks, osBytes the sizes of the live
//     blocks above the largest class;
//   - every live block keeps its fill and its size, a reallocated block its
//     first min(old, new) bytes;
//   - a failed allocation (runtime heap armed to fail) answers null and
//     changes no counter, and a failed reallocation keeps the old block;
//   - the validity walk finds no fault after every few operations and at
//     the end; once every block is freed, no page is in use.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "memory/mem_pool.h"
#include "platform/lock.h"

namespace {

constexpr int operationsMost = 256;
constexpr std::size_t liveMost = 2048;

struct liveBlockS {
  unsigned char* user;    // what the pool answered
  std::uint64_t size;     // requested bytes
  std::size_t alignment;  // 0: plain block, else freed with deallocateAligned
  unsigned char fill;     // every byte of the block
};

bool failNextRequest = false;

void* runtimeAllocate(std::size_t size) {
  if (failNextRequest) {
    failNextRequest = false;
    return nullptr;
  }
  return std::malloc(size);
}

void runtimeFree(void* block) { std::free(block); }

std::uint64_t takeSize(fuzzReaderC& reader) {
  const std::uint8_t kind = reader.byte();
  if (kind < 200) return reader.byte() % 64;                        // small classes
  if (kind < 240) return reader.u16() % (memLargestClassSize + 1);  // any class
  return memLargestClassSize + 1 + reader.u16() % 8192;             // an OS block
}

class poolRunC {
 public:
  explicit poolRunC(std::uint64_t headerSize) : pool(&poolLock, headerSize) {
    pool.setRuntimeHeap(runtimeAllocate, runtimeFree);
  }

  void run(fuzzReaderC& reader) {
    for (int i = 0; i < operationsMost && !reader.empty(); ++i) {
      step(reader);
      if (i % 32 == 31) checkPool();
    }
    checkPool();
    while (!live.empty()) freeAt(live.size() - 1);
    checkPool();
    fuzzExpectNumber("osBytes with nothing live", 0, pool.osBytes);
    for (const memPageS* page : pool.sizeClassTable) {
      for (; page != nullptr; page = page->next) fuzzExpectNumber("blocks of a kept page", 0, page->used);
    }
    fuzzExpect("no full page with nothing live", pool.fullPageList == nullptr);
  }

 private:
  void step(fuzzReaderC& reader) {
    switch (reader.byte() % 6) {
      case 0:
      case 1:
        allocate(takeSize(reader), 0);
        break;
      case 2:
        if (!live.empty()) freeAt(reader.u16() % live.size());
        break;
      case 3:
        if (!live.empty()) reallocateAt(reader.u16() % live.size(), takeSize(reader));
        break;
      case 4:
        allocate(takeSize(reader), std::size_t{16} << (reader.byte() % 4));
        break;
      default:
        failNextRequest = true;
        break;
    }
  }

  void allocate(std::uint64_t size, std::size_t alignment) {
    if (live.size() >= liveMost) return;
    const std::uint64_t outstanding = pool.outstanding, osBytes = pool.osBytes, pages = pool.pageCount;
    const bool failing = failNextRequest;
    void* user = alignment == 0 ? pool.allocate(size) : pool.allocateAligned(size, alignment);
    if (user == nullptr) {
      fuzzExpect("only a failing runtime heap refuses", failing);
      fuzzExpectNumber("outstanding after a refused allocation", outstanding, pool.outstanding);
      fuzzExpectNumber("osBytes after a refused allocation", osBytes, pool.osBytes);
      fuzzExpectNumber("pages after a refused allocation", pages, pool.pageCount);
      return;
    }
    failNextRequest = false;
    const std::uintptr_t address = reinterpret_cast<std::uintptr_t>(user);
    fuzzExpectNumber("alignment of a block", 0, address % (alignment == 0 ? 8 : alignment));
    const unsigned char fill = static_cast<unsigned char>(live.size() * 37 + 1);
    std::memset(user, fill, static_cast<std::size_t>(size));
    live.push_back({static_cast<unsigned char*>(user), size, alignment, fill});
  }

  void checkContent(const liveBlockS& block, std::uint64_t bytes) const {
    // Whole words first; the byte walk below only runs to name the first
    // changed byte.
    const std::uint64_t pattern = block.fill * 0x0101010101010101ull;
    std::uint64_t same = 0;
    for (; same + 8 <= bytes; same += 8) {
      std::uint64_t word;
      std::memcpy(&word, block.user + same, sizeof word);
      if (word != pattern) break;
    }
    for (std::uint64_t i = same; i < bytes; ++i) {
      if (block.user[i] != block.fill) {
        fuzzFail("a live block keeps its bytes", fuzzHex(std::string(1, static_cast<char>(block.fill))),
                 fuzzHex(std::string(1, static_cast<char>(block.user[i]))) + " at byte " + std::to_string(i));
      }
    }
  }

  void freeAt(std::size_t index) {
    const liveBlockS block = live[index];
    checkContent(block, block.size);
    if (block.alignment == 0) {
      fuzzExpectNumber("blockSize of a live block", block.size, pool.blockSize(block.user));
      pool.deallocate(block.user);
    } else {
      pool.deallocateAligned(block.user, block.alignment);
    }
    live[index] = live.back();
    live.pop_back();
  }

  void reallocateAt(std::size_t index, std::uint64_t size) {
    liveBlockS& block = live[index];
    if (block.alignment != 0) return;
    const std::uint64_t outstanding = pool.outstanding;
    const bool failing = failNextRequest;
    unsigned char* moved = static_cast<unsigned char*>(pool.reallocate(block.user, size));
    if (moved == nullptr) {
      fuzzExpect("only a failing runtime heap refuses a reallocation", failing);
      fuzzExpectNumber("outstanding after a refused reallocation", outstanding, pool.outstanding);
      checkContent(block, block.size);
      return;
    }
    failNextRequest = false;
    fuzzExpect("a reallocation moves the block", moved != block.user);
    block.user = moved;
    checkContent(block, size < block.size ? size : block.size);
    block.size = size;
    std::memset(moved, block.fill, static_cast<std::size_t>(size));
  }

  void checkPool() const {
    const char* fault = nullptr;
    const std::uint64_t faults = pool.validate(&fault);
    if (faults != 0) fuzzFail("the validity walk", "no fault", fault != nullptr ? fault : "?");
    fuzzExpectNumber("outstanding against the live blocks", live.size(), pool.outstanding);
    std::uint64_t osBytes = 0;
    for (const liveBlockS& block : live) {
      const std::uint64_t taken = block.alignment == 0 ? block.size : block.size + block.alignment;
      if (taken > memLargestClassSize) osBytes += taken;
    }
    fuzzExpectNumber("osBytes against the live blocks", osBytes, pool.osBytes);
    fuzzExpect("peak pages at least the pages held", pool.peakPageCount >= pool.pageCount);
  }

  lockC poolLock;
  memPoolC pool;
  std::vector<liveBlockS> live;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzReaderC reader(data, size);
  failNextRequest = false;
  poolRunC run((reader.byte() & 1) != 0 ? memBlockHeaderSizeWithLocation : memBlockHeaderSizePlain);
  run.run(reader);
  failNextRequest = false;
  return 0;
}
