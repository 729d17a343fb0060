// The statistics of a heap: in-use pool blocks grouped into kinds by
// (requested size, type name), as the summary, the snapshot, the comparison
// and the inspection count them.
//
// A table holds at most 1024 kinds. A block of a further kind, met when the
// table is full, is not listed: it only raises unlistedBlocks, which the
// reports print, so that no block is silently left out of a report. The
// module's two tables are module-global objects (snapshot and current,
// memTrackModuleTables) used only under the module's pool lock.
#pragma once

#include <cstddef>
#include <cstdint>

#include "memory/mem_pool.h"

class memHeapViewC;

struct memStatEntryS {
  memBlockHeaderS* firstBlock;  // first block of this kind met during the walk
  std::uint64_t size;           // requested size of the blocks of this kind
  char typeName[256];           // zero-terminated type name ("unk" when none)
  std::uint64_t count;          // in-use blocks of this kind
  std::uint32_t matched;        // set by the snapshot comparison
};

constexpr std::size_t memStatTableCapacity = 1024;

struct memStatTableS {
  memStatEntryS entries[memStatTableCapacity];
  std::uint64_t count;           // entries in use
  std::uint64_t unlistedBlocks;  // blocks of kinds met while the table was full
};

// Counts block into the table when it is in use: a hit on (size, type name)
// raises that entry's count; otherwise a new entry (count 1, matched 0) is
// appended, or unlistedBlocks is raised when the table is full.
void addToStatistics(const memBlockHeaderS* block, memStatTableS& table);

// Empties the table, counts every in-use block of the heap in walk order
// and answers the sum of their requested sizes (the "Mgr Bytes").
std::uint64_t collectStatistics(const memHeapViewC& view, memStatTableS& table);

// Empties a table (no entries, nothing unlisted).
void clearStatistics(memStatTableS& table);
