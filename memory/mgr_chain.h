// dynMgrChainMemberC: this module's member of the per-process manager chain
// (the layout and slots of abi/mgr_chain.h).
//
// Join (construction): the member starts alone (next and head null,
// tracker the module's heap), looks up the published head
// (processChainHead, which refuses an absent, unparsable or implausible
// value) and, when there is none, becomes the head and publishes itself;
// otherwise it links itself in right after the head. The chain therefore
// reads: the head, then the others in reverse order of joining.
//
// Leave (destruction): the head orphans every member (setChainHead(null),
// itself included) and withdraws the variable; a follower unlinks itself
// from the member before it; an orphan does nothing. Afterwards next and
// head are null, so the member stays a valid, empty chain.
//
// Joins and leaves run only while a module is loaded or unloaded, which the
// platform's loader serialises; the chain itself has no lock.
//
// Each slot acts on this module: its heap (tracker), its statistics tables
// and its output function. The report slots build their text under the
// heap's pool lock and deliver it after leaving the lock, through the output
// function passed in rather than by installing it module-wide, so that a
// report running at the same time on another thread of this module cannot
// write into the caller's output; then they reset the module's output
// function to the default. Slots 3 and 4 take the pool lock too: a walk of
// the pages without it could meet a page that another thread is changing.
#pragma once

#include <cstdint>

#include "abi/mgr_chain.h"
#include "memory/mem_pool.h"
#include "memory/mem_track_output.h"

class dynMgrChainMemberC final : public dynMgrChainS {
 public:
  explicit dynMgrChainMemberC(memPoolC* heap);
  ~dynMgrChainMemberC();

  dynMgrChainMemberC(const dynMgrChainMemberC&) = delete;
  dynMgrChainMemberC& operator=(const dynMgrChainMemberC&) = delete;

  // Sets head, then resets the module's output function to the default.
  void setChainHead(dynMgrChainS* newHead) override;
  void summaryReport(dynMgrOutputFnT output) override;
  void memoryCheck(dynMgrOutputFnT output) override;
  void takeSnapshot() override;
  void compareSnapshot(dynMgrOutputFnT output) override;
  void inspectAddress(dynMgrOutputFnT output, void* address) override;
  std::uint64_t peakBytes() override;
  std::uint64_t peakOsBytes() override;
  std::uint64_t peakPageBytes() override;
};

// A member that can be called: it and its table of operations are readable.
// Walks test every member they meet before calling it.
bool dynMgrChainMemberIsReadable(const dynMgrChainS* member);
