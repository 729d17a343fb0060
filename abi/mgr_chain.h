// dynMgrChainS: a member of the per-process manager chain, through which the
// memory trackers of all framework modules of one process report together.
//
// Every module has one member in static storage. The members form a singly
// linked list whose head the process-wide variable "ZKDYNMGRV8_%u" names
// (platform/process_chain.h). Modules built separately call each other's
// members, so the layout and the slot order below must not change:
//   table pointer, next, head, tracker (8 bytes each);
//   slot 0 setChainHead, 1 summaryReport, 2 memoryCheck, 3 takeSnapshot,
//   4 compareSnapshot, 5 inspectAddress, 6 peakBytes, 7 peakOsBytes,
//   8 peakPageBytes.
// No slot is a destructor: a member joins the chain when its module is
// loaded and leaves it when the module is unloaded, nobody else ends it.
//
// Each operation acts on the member's own module. The report operations
// (1, 2, 4, 5) deliver their text through the output function passed in, or
// to the module's report file when "ZKMEMTRACK_OUTPUT" named one there, and
// leave that module's own output function at its default (the debugger
// output) afterwards, whatever it was before.
#pragma once

#include <cstdint>

// The module's heap; nothing another binary reads.
class memPoolC;

// An output function: takes one zero-terminated text of at most 80
// characters; the pieces of a report arrive in order.
using dynMgrOutputFnT = void (*)(const char* text);

struct dynMgrChainS {
  // Sets head to newHead (null orphans the member).
  virtual void setChainHead(dynMgrChainS* newHead) = 0;
  // The module's summary report, followed by its detail report when the
  // module's leak tracking is on.
  virtual void summaryReport(dynMgrOutputFnT output) = 0;
  // The module's memory check report.
  virtual void memoryCheck(dynMgrOutputFnT output) = 0;
  // Takes the module's snapshot; no output.
  virtual void takeSnapshot() = 0;
  // The module's comparison of its heap with its snapshot.
  virtual void compareSnapshot(dynMgrOutputFnT output) = 0;
  // The module's inspection of one address.
  virtual void inspectAddress(dynMgrOutputFnT output, void* address) = 0;
  // peakOsBytes() + peakPageBytes().
  virtual std::uint64_t peakBytes() = 0;
  // The most bytes the module's heap has held at one time in blocks taken
  // straight from the runtime library's heap.
  virtual std::uint64_t peakOsBytes() = 0;
  // The most pages the module's heap has held at one time, times 10,000.
  virtual std::uint64_t peakPageBytes() = 0;

  dynMgrChainS* next;  // next member, null at the end of the chain
  dynMgrChainS* head;  // the head (itself for the head); null when orphaned or not joined
  memPoolC* tracker;   // the module's heap, on which the operations act

 protected:
  dynMgrChainS() : next(nullptr), head(nullptr), tracker(nullptr) {}
  ~dynMgrChainS() = default;
};

constexpr unsigned dynMgrChainSlotCount = 9;
