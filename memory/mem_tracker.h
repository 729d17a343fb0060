// memTrackerC: the memory reports over one heap (a memPoolC) with the two
// statistics tables they fill: summary, detail, full report, snapshot,
// comparison, memory check and inspection of an address.
//
// Every report builds its text under the heap's pool lock with poolsDisabled
// set for its whole run, so that what it allocates (its text, the sets of the
// inspection) comes as OS blocks and the pages it describes stay unchanged;
// afterwards poolsDisabled is put back (if still set). The text is appended
// to `out`, which the caller delivers after the lock is left, so that an
// output function may allocate without reversing the lock order.
//
// Reports never fault and never run unbounded: blocks, pages and links are
// read through the fault-free walk of memBlockIteratorS and the checks of
// mem_track_blocks.h; a corrupted block becomes a line of the report.
//
// Pointers print as 16 upper-case hexadecimal digits on every platform, the
// way the runtime library of Windows prints "%p".
#pragma once

#include <cstdint>

#include "memory/mem_pool.h"
#include "memory/mem_track_blocks.h"
#include "memory/mem_track_stats.h"
#include "memory/mem_track_text.h"

class memTrackerC {
 public:
  memTrackerC(memPoolC& heap, memStatTableS& snapshot, memStatTableS& current)
      : pool(&heap), snapshotTable(&snapshot), currentTable(&current) {}

  memPoolC& heap() const { return *pool; }

  // "ZKMEMTRACK Summary Report (Pid=%d,%s)\n", one per-block line per kind
  // (Id and Parent left out), "Mgr Bytes : %d\n" (requested bytes of in-use
  // pool blocks) and "OS  Bytes : %d\n" (osBytes at the start). When the
  // current table overflowed, "Unlisted Blocks : %d\n" before the totals.
  void summaryReport(memTrackTextC& out);
  // "ZKMEMTRACK Detail Memory Report (Pid=%d,%s)\n", then one line per in-use
  // pool block in walk order with its ordinal as Id and findParent as Parent.
  void detailReport(memTrackTextC& out);
  // The summary, followed by the detail when leak tracking (0x02) is on.
  void fullReport(memTrackTextC& out);
  // Fills the snapshot table; no text.
  void takeSnapshot();
  // "ZKMEMTRACK Compare Snap (%s)\n" and a line per kind whose count changed,
  // vanished or appeared since the snapshot:
  // "Mem %6d, Befor=%3d, After=%3d,Diff=%3d, Name %s (%d)\n". Kinds matched
  // stay marked in the snapshot until the next one. When either table
  // overflowed, "Unlisted Blocks : Befor=%d, After=%d\n" ends the text.
  void compareSnapshot(memTrackTextC& out);
  // "ZKMEMTRACK Memory Check (Pid=%d,%s)\n", "invalid page block\n" for each
  // page list that leads to an unsound page, "Invalid Block %08p\n" with the
  // header address for each slot that fails, then the process heaps' lines.
  void memoryCheck(memTrackTextC& out);
  // "ZKMEMTRACK Inspect Addr %p (Pid=%d,%s)\n", "Object:\n" and the block
  // holding address; "Parents:\n" with the blocks pointing at address exactly
  // (offset of the pointing word); "direct Childs:\n" and "all Childs:\n" with
  // the blocks it points to directly and transitively, each list followed by
  // "Bytes : %d\n". An address in no pool block is described through the
  // header before it when that is an in-use block accepted by blockIsValid
  // (an OS block), else "Not in Mgr found!\n" and "can not eval!\n" end the
  // text.
  void inspectAddress(memTrackTextC& out, const void* address);

  // Peaks under the pool lock: OS bytes, pages × 10,000, and their sum.
  std::uint64_t peakOsBytes() const;
  std::uint64_t peakPageBytes() const;
  std::uint64_t peakBytes() const;

 private:
  void summaryLocked(const memHeapViewC& view, memTrackTextC& out);
  void detailLocked(const memHeapViewC& view, memTrackTextC& out);

  memPoolC* pool;
  memStatTableS* snapshotTable;
  memStatTableS* currentTable;
};
