// What the reports ask about single blocks of a memPoolC: is a block sound,
// which block holds an address, which block points to a block, what a block
// reaches, and the one line that describes a block.
//
// None of them faults: a header, page trailer or word that cannot be read
// counts as invalid or absent. The caller holds the pool lock. Pool blocks
// are looked up among the pages only (memBlockIteratorS); OS blocks are never
// found by address.
#pragma once

#include <cstdint>
#include <cstring>

#include "memory/mem_block_iterator.h"
#include "memory/mem_pool.h"

class memTrackTextC;

// Sound block: in use with an owner page whose class holds the requested
// size and whose guard byte (when the size is not the class size) is intact,
// or an OS block; or not in use and never handed out, or free with a link
// that is null or lies within 10,000 bytes (as a signed 32-bit distance).
// page, when given, is the readable page the block lies in: what lies inside
// it is then read directly.
bool blockIsValid(const memPoolC& pool, const memBlockHeaderS* block, const memPageS* page = nullptr);

// A set of blocks in address order, taken from the pool (OS blocks while
// poolsDisabled is set).
class memBlockSetC {
 public:
  explicit memBlockSetC(memPoolC& heap) : pool(&heap) {}
  ~memBlockSetC();
  memBlockSetC(const memBlockSetC&) = delete;
  memBlockSetC& operator=(const memBlockSetC&) = delete;

  // Adds block in address order; false when it was there already or the
  // heap could not grow the set (truncated() then answers true).
  bool insert(memBlockHeaderS* block);
  std::uint64_t size() const { return count; }
  memBlockHeaderS* operator[](std::uint64_t i) const { return reinterpret_cast<memBlockHeaderS*>(items[i]); }
  bool truncated() const { return failed; }

 private:
  memPoolC* pool;
  std::uintptr_t* items = nullptr;  // block addresses, ascending
  std::uint64_t count = 0, room = 0;
  bool failed = false;
};

// One report run's view of a heap whose pages do not change while it lives
// (pool lock held, poolsDisabled set). The pages are checked once when the
// view is made; when they are all sound, the many walks of a report read
// them directly, otherwise every walk probes each page again.
class memHeapViewC {
 public:
  explicit memHeapViewC(memPoolC& heap) : pool(&heap), pagesSound(memPoolPagesAreSound(heap)) {}

  memPoolC& heap() const { return *pool; }
  memBlockIteratorS blocks() const { return memBlockIteratorS(*pool, !pagesSound); }

  // The in-use pool block whose user bytes hold address, or null. Pages that
  // do not hold the address are passed over whole. *page, when asked for,
  // receives the page the block was found in.
  memBlockHeaderS* findBlockContaining(const void* address, memPageS** page = nullptr) const;
  // The ordinal of the first in-use block one of whose pointer words holds
  // block's user pointer (a block holding its own address is its own
  // parent), or -1.
  std::int64_t findParent(const memBlockHeaderS* block) const;
  // Adds to set the blocks reachable from root through pointer words, root
  // itself only when a path leads back to it. Iterative, with a work list
  // from the pool, so a long chain of blocks needs no stack depth.
  void collectChildren(memBlockHeaderS* root, memBlockSetC& set) const;

 private:
  memPoolC* pool;
  bool pagesSound;
};

// The number of 8-byte pointer words a block's user bytes hold: the
// requested size / 8, for page blocks at most the page's class size / 8;
// 0 for a block that is not in use or cannot be read.
std::uint64_t blockWordCount(const memBlockHeaderS* block);

// Reads n words without faulting; false when any cannot be read.
bool readBlockWords(const void* from, std::uint64_t* words, std::uint64_t n);

// Calls visit(word, index) for each pointer word of a block met in a walk
// of page (so readable), in order, until visit answers false.
template <class visitT>
void forEachPageBlockWord(const memPoolC& pool, const memPageS* page, const memBlockHeaderS* block, visitT visit) {
  std::uint64_t size = block->sizeOrLink;
  if (size > page->classSize) size = page->classSize;
  const unsigned char* user = reinterpret_cast<const unsigned char*>(block) + pool.blockHeaderSize;
  for (std::uint64_t i = 0; i < size / 8; ++i) {
    std::uint64_t word;
    std::memcpy(&word, user + i * 8, sizeof word);
    if (!visit(word, i)) return;
  }
}

// Calls visit(word, index) for each pointer word of any block in order,
// reading them without faulting; ends early at an unreadable word or when
// visit answers false.
template <class visitT>
void forEachBlockWord(const memPoolC& pool, const memBlockHeaderS* block, visitT visit) {
  const std::uint64_t total = blockWordCount(block);
  const unsigned char* user = reinterpret_cast<const unsigned char*>(block) + pool.blockHeaderSize;
  std::uint64_t chunk[64];
  for (std::uint64_t first = 0; first < total; first += 64) {
    const std::uint64_t n = total - first < 64 ? total - first : 64;
    if (!readBlockWords(user + first * 8, chunk, n)) return;
    for (std::uint64_t i = 0; i < n; ++i)
      if (!visit(chunk[i], first + i)) return;
  }
}

// The type name of a block: this module records none, so every block is
// "unk" (also with the type-name switch 0x01).
const char* typeNameOf(const memBlockHeaderS* block);

// The per-block line of the reports:
//   ["Id %6d,"] ["Parent %6d,"] "Mem %6d, Cnt %6d, Name %s (%d) (0x%08p + 0x%04x)\n"
// Id only when id >= 0, Parent only when parent >= 0; Mem = size * count.
void appendBlockLine(memTrackTextC& text, const memPoolC& pool, std::int64_t id, std::int64_t parent,
                     const memBlockHeaderS* block, std::uint64_t count, std::uint64_t offset);
