// The module's chain member: joining and leaving the chain, and the slots,
// which run the module's reports and read its peaks.
#include "memory/mgr_chain.h"

#include "memory/mem_track.h"
#include "memory/mem_tracker.h"
#include "memory/module_heap.h"
#include "platform/process_chain.h"

namespace {

memTrackerC trackerOf(memPoolC* heap) { return memTrackerC(*heap, moduleSnapshotTable(), moduleCurrentTable()); }

// Builds one report with build(tracker, text), delivers it through output
// and leaves the module's output function at the default.
template <class buildT>
void reportThrough(memPoolC* heap, dynMgrOutputFnT output, buildT build) {
  memTrackerC tracker = trackerOf(heap);
  {
    memTrackTextC text(*heap);
    build(tracker, text);
    memTrackWriteReportTo(text.text(), output);
  }
  memTrackResetOutput();
}

}  // namespace

static_assert(sizeof(dynMgrChainS) == processChainHeadWords * sizeof(void*), "member layout of the chain variable");
static_assert(dynMgrChainSlotCount == processChainTableSlots, "slot count of the chain variable");

bool dynMgrChainMemberIsReadable(const dynMgrChainS* member) { return processChainMemberIsReadable(member); }

dynMgrChainMemberC::dynMgrChainMemberC(memPoolC* heap) {
  tracker = heap;
  dynMgrChainS* published = static_cast<dynMgrChainS*>(processChainHead());
  if (published == nullptr) {
    head = this;
    processChainPublish(this);
    return;
  }
  head = published;
  next = published->next;
  published->next = this;
}

dynMgrChainMemberC::~dynMgrChainMemberC() {
  if (head == this) {
    unsigned count = 0;
    for (dynMgrChainS* member = this; member != nullptr && count < memTrackChainLimit; ++count) {
      if (member != this && !dynMgrChainMemberIsReadable(member)) break;
      dynMgrChainS* following = member->next;
      member->setChainHead(nullptr);
      member = following;
    }
    processChainWithdraw();
  } else if (head != nullptr) {
    dynMgrChainS* previous = nullptr;
    unsigned count = 0;
    for (dynMgrChainS* member = head; member != nullptr && count < memTrackChainLimit; ++count) {
      if (!dynMgrChainMemberIsReadable(member)) break;
      if (member == this) {
        if (previous != nullptr) previous->next = next;
        break;
      }
      previous = member;
      member = member->next;
    }
  }
  next = nullptr;
  head = nullptr;
}

void dynMgrChainMemberC::setChainHead(dynMgrChainS* newHead) {
  head = newHead;
  memTrackResetOutput();
}

void dynMgrChainMemberC::summaryReport(dynMgrOutputFnT output) {
  reportThrough(tracker, output, [](memTrackerC& t, memTrackTextC& text) { t.fullReport(text); });
}

void dynMgrChainMemberC::memoryCheck(dynMgrOutputFnT output) {
  reportThrough(tracker, output, [](memTrackerC& t, memTrackTextC& text) { t.memoryCheck(text); });
}

void dynMgrChainMemberC::takeSnapshot() { trackerOf(tracker).takeSnapshot(); }

void dynMgrChainMemberC::compareSnapshot(dynMgrOutputFnT output) {
  reportThrough(tracker, output, [](memTrackerC& t, memTrackTextC& text) { t.compareSnapshot(text); });
}

void dynMgrChainMemberC::inspectAddress(dynMgrOutputFnT output, void* address) {
  reportThrough(tracker, output, [address](memTrackerC& t, memTrackTextC& text) { t.inspectAddress(text, address); });
}

std::uint64_t dynMgrChainMemberC::peakBytes() { return trackerOf(tracker).peakBytes(); }

std::uint64_t dynMgrChainMemberC::peakOsBytes() { return trackerOf(tracker).peakOsBytes(); }

std::uint64_t dynMgrChainMemberC::peakPageBytes() { return trackerOf(tracker).peakPageBytes(); }
