// memBlockIteratorS: the walk over every block slot of every page of a
// memPoolC, the ground of every memory report; and the reads of a block that
// the reports share.
//
// Order: size-class lists 0 to 255, then the full-page list; along each list
// the next links from its head; inside a page slots 0 to capacity - 1
// (ascending addresses). Every slot is yielded, free or in use; ordinal
// counts them from 1 across all lists (a block's Id in reports). OS blocks
// are never visited.
//
// Promises: the walk never faults and always ends, also over a corrupted
// heap. Before a page is entered its whole extent must be readable
// (memoryIsReadable) and its trailer usable (memPageIsUsable); otherwise the
// rest of that list is passed over. A walk enters at most pageCount pages
// per list, so a cycle in a list ends it. A walk over pages already known
// to be sound (memPoolPagesAreSound, with the heap unchanged since) may
// leave the probes out. The caller holds the pool lock.
#pragma once

#include <cstdint>

#include "memory/mem_pool.h"

struct memBlockIteratorS {
  memPoolC* pool;           // the heap walked
  std::uint64_t listIndex;  // 0..255: size-class lists; 256: the full-page list
  std::uint64_t slot;       // next slot in the current page
  std::uint64_t ordinal;    // slots yielded; after a yield the 1-based number of that slot
  memPageS* page;           // current page
  memBlockHeaderS* block;   // the slot just yielded
  std::int32_t state;       // 0 pick list head, 1 start page, 2 in page, 3 next page or list, -1 finished

  // probePages false: the pages are known to be sound (see above).
  explicit memBlockIteratorS(memPoolC& heap, bool probePages = true);

  // Moves to the next slot and answers true, or answers false at the end.
  // skipRestOfPage passes over the remaining slots of the current page.
  bool next(bool skipRestOfPage = false);

 private:
  std::uint64_t pagesInList;  // pages entered in the current list
  bool probe;                 // check each page before entering it
};

constexpr std::uint64_t memFullPageListIndex = memSizeClassCount;

// A trailer that can be walked: the magic is right, the stride is a multiple
// of 8 that holds the header and the class size, and the slots fit the block
// area. Reads the trailer through memorySafeRead; false when unreadable.
bool memPageIsUsable(const memPageS* page, std::uint64_t blockHeaderSize);

// Every page of every list is readable and usable, and no list holds more
// pages than the heap counts: walks may then read the pages directly.
bool memPoolPagesAreSound(memPoolC& heap);

// In use: owner neither 0 (never handed out) nor all ones (freed).
inline bool memBlockIsInUse(const memBlockHeaderS* block) {
  return block->owner != memBlockOwnerNeverUsed && block->owner != memBlockOwnerFreed;
}

inline unsigned char* memBlockUserPointer(const memPoolC& pool, const memBlockHeaderS* block) {
  return reinterpret_cast<unsigned char*>(const_cast<memBlockHeaderS*>(block)) + pool.blockHeaderSize;
}

inline memBlockHeaderS* memBlockFromUserPointer(const memPoolC& pool, const void* user) {
  return reinterpret_cast<memBlockHeaderS*>(reinterpret_cast<std::uintptr_t>(user) -
                                            static_cast<std::uintptr_t>(pool.blockHeaderSize));
}
