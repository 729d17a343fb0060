// dynMgrChainS: this module's member of the per-process manager chain, the
// list through which the memory trackers of all framework modules of one
// process report together.
//
// Modules built separately call each other's members through this layout
// and this order of virtual operations; neither may change:
//   slot 0 setChainHead, 1 summaryReport, 2 memoryCheck, 3 takeSnapshot,
//   4 compareSnapshot, 5 inspectAddress, 6 peakBytes, 7 peakOsBytes,
//   8 peakPageBytes;
//   fields after the table pointer: next, head, tracker.
// The class has no base and no virtual destructor (a destructor in the table
// would move every slot).
//
// Each slot acts on the member's own module: its heap (tracker), its
// statistics tables and its output function. The report slots (1, 2, 4, 5)
// build their text under the member's pool lock, deliver it through the
// output function passed in (or the module's report file when one is
// named), and leave the module's output function at the default afterwards,
// whatever it was before. The text is delivered after the pool lock is left,
// and the function passed is used directly rather than installed
// module-wide, so that a report running at the same time on another thread
// of that module cannot write into the caller's output. Slots 3 and 4 take
// the member's pool lock too: a walk of the pages without it could meet a
// page that another thread is changing.
#pragma once

#include <cstdint>

#include "memory/mem_pool.h"
#include "memory/mem_track_output.h"

struct dynMgrChainS {
  // This member alone, as its own head.
  explicit dynMgrChainS(memPoolC* heap);
  ~dynMgrChainS();

  dynMgrChainS(const dynMgrChainS&) = delete;
  dynMgrChainS& operator=(const dynMgrChainS&) = delete;

  // Sets head, then resets the module's output function to the default.
  virtual void setChainHead(dynMgrChainS* newHead);
  // The module's summary report, followed by its detail when leak tracking
  // is on.
  virtual void summaryReport(memTrackOutputFnT fn);
  virtual void memoryCheck(memTrackOutputFnT fn);
  virtual void takeSnapshot();
  virtual void compareSnapshot(memTrackOutputFnT fn);
  virtual void inspectAddress(memTrackOutputFnT fn, void* address);
  // peakOsBytes() + peakPageBytes().
  virtual std::uint64_t peakBytes();
  // The most bytes the module's heap has held in OS blocks at one time.
  virtual std::uint64_t peakOsBytes();
  // The most pages the module's heap has held at one time, times 10,000.
  virtual std::uint64_t peakPageBytes();

  dynMgrChainS* next;  // next member, null at the end of the chain
  dynMgrChainS* head;  // the head (itself for the head); null when orphaned or not joined
  memPoolC* tracker;   // the module's heap, on which the slots act
};
