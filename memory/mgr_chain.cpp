// The slots of the module's chain member: the module's reports and peaks.
#include "memory/mgr_chain.h"

#include "memory/mem_tracker.h"
#include "memory/module_heap.h"

namespace {

memTrackerC trackerOf(memPoolC* heap) { return memTrackerC(*heap, moduleSnapshotTable(), moduleCurrentTable()); }

// Builds one report with build(tracker, text), delivers it through fn and
// leaves the module's output function at the default.
template <class buildT>
void reportThrough(memPoolC* heap, memTrackOutputFnT fn, buildT build) {
  memTrackerC tracker = trackerOf(heap);
  {
    memTrackTextC text(*heap);
    build(tracker, text);
    memTrackWriteReportTo(text.text(), fn);
  }
  memTrackResetOutput();
}

}  // namespace

dynMgrChainS::dynMgrChainS(memPoolC* heap) : next(nullptr), head(this), tracker(heap) {}

dynMgrChainS::~dynMgrChainS() { head = nullptr; }

void dynMgrChainS::setChainHead(dynMgrChainS* newHead) {
  head = newHead;
  memTrackResetOutput();
}

void dynMgrChainS::summaryReport(memTrackOutputFnT fn) {
  reportThrough(tracker, fn, [](memTrackerC& t, memTrackTextC& text) { t.fullReport(text); });
}

void dynMgrChainS::memoryCheck(memTrackOutputFnT fn) {
  reportThrough(tracker, fn, [](memTrackerC& t, memTrackTextC& text) { t.memoryCheck(text); });
}

void dynMgrChainS::takeSnapshot() { trackerOf(tracker).takeSnapshot(); }

void dynMgrChainS::compareSnapshot(memTrackOutputFnT fn) {
  reportThrough(tracker, fn, [](memTrackerC& t, memTrackTextC& text) { t.compareSnapshot(text); });
}

void dynMgrChainS::inspectAddress(memTrackOutputFnT fn, void* address) {
  reportThrough(tracker, fn, [address](memTrackerC& t, memTrackTextC& text) { t.inspectAddress(text, address); });
}

std::uint64_t dynMgrChainS::peakBytes() { return trackerOf(tracker).peakBytes(); }

std::uint64_t dynMgrChainS::peakOsBytes() { return trackerOf(tracker).peakOsBytes(); }

std::uint64_t dynMgrChainS::peakPageBytes() { return trackerOf(tracker).peakPageBytes(); }
