// The public memory-tracking entry points: local reports and chain walks.
#include "memory/mem_track.h"

#include "memory/mem_tracker.h"
#include "memory/mgr_chain.h"
#include "memory/module_heap.h"
#include "platform/lock.h"

namespace {

// The caller's text of the running "...ToText" chain walk. The lock is
// taken before any pool lock and only by those walks; it writes nothing when
// constructed, so it works at any time of the module's life.
lockC sinkLock;
memTrackTextC* sinkTarget = nullptr;  // guarded by sinkLock

// Set once while the module is loaded, before any report can run.
dynMgrChainS* ownMember = nullptr;

memTrackerC moduleTracker() { return memTrackerC(modulePool(), moduleSnapshotTable(), moduleCurrentTable()); }

bool chainMode() { return (memTrackFlags & memTrackFlagChain) != 0; }

template <class visitT>
void walkChain(visitT visit) {
  dynMgrChainS* member = ownMember != nullptr ? ownMember->head : nullptr;
  for (unsigned count = 0; member != nullptr && count < memTrackChainLimit; ++count) {
    if (!dynMgrChainMemberIsReadable(member)) return;
    visit(member);
    member = member->next;
  }
}

// Runs one local report and delivers it.
template <class buildT>
void reportLocally(buildT build) {
  memTrackerC tracker = moduleTracker();
  memTrackTextC text(modulePool());
  build(tracker, text);
  memTrackWriteReport(text.text());
}

// Runs one local report and appends it to the caller's text.
template <class buildT>
void reportLocallyToText(memTrackTextC& target, buildT build) {
  memTrackerC tracker = moduleTracker();
  memTrackTextC text(modulePool());
  build(tracker, text);
  target.append(text.text(), text.length());
}

template <class slotT>
void walkIntoText(memTrackTextC& target, slotT slot) {
  lockGuardC guard(sinkLock);
  sinkTarget = &target;
  walkChain([&](dynMgrChainS* member) { slot(member, &memTrackTextSink); });
  sinkTarget = nullptr;
}

}  // namespace

void memTrackUseChainMember(dynMgrChainS* member) { ownMember = member; }

dynMgrChainS* memTrackChainMember() { return ownMember; }

void memTrackTextSink(const char* text) {
  lockGuardC guard(sinkLock);
  if (sinkTarget != nullptr) sinkTarget->append(text);
}

void memTrackReport() {
  if (chainMode()) {
    const memTrackOutputFnT fn = memTrackGetOutput();
    walkChain([fn](dynMgrChainS* member) { member->summaryReport(fn); });
    return;
  }
  reportLocally([](memTrackerC& t, memTrackTextC& text) { t.fullReport(text); });
}

void memTrackReportToText(memTrackTextC& text) {
  if (chainMode()) {
    walkIntoText(text, [](dynMgrChainS* member, memTrackOutputFnT fn) { member->summaryReport(fn); });
    return;
  }
  reportLocallyToText(text, [](memTrackerC& t, memTrackTextC& out) { t.fullReport(out); });
}

void memTrackSnapshot() {
  if (chainMode()) walkChain([](dynMgrChainS* member) { member->takeSnapshot(); });
  moduleTracker().takeSnapshot();
}

void memTrackCheck() {
  if (chainMode()) {
    const memTrackOutputFnT fn = memTrackGetOutput();
    walkChain([fn](dynMgrChainS* member) { member->memoryCheck(fn); });
    return;
  }
  reportLocally([](memTrackerC& t, memTrackTextC& text) { t.memoryCheck(text); });
}

void memTrackCheckToText(memTrackTextC& text) {
  if (chainMode()) {
    walkIntoText(text, [](dynMgrChainS* member, memTrackOutputFnT fn) { member->memoryCheck(fn); });
    return;
  }
  reportLocallyToText(text, [](memTrackerC& t, memTrackTextC& out) { t.memoryCheck(out); });
}

void memTrackInspect(void* address) {
  if (chainMode()) {
    const memTrackOutputFnT fn = memTrackGetOutput();
    walkChain([fn, address](dynMgrChainS* member) { member->inspectAddress(fn, address); });
    return;
  }
  reportLocally([address](memTrackerC& t, memTrackTextC& text) { t.inspectAddress(text, address); });
}

void memTrackCompare() {
  if (chainMode()) {
    const memTrackOutputFnT fn = memTrackGetOutput();
    walkChain([fn](dynMgrChainS* member) { member->compareSnapshot(fn); });
    return;
  }
  reportLocally([](memTrackerC& t, memTrackTextC& text) { t.compareSnapshot(text); });
}

void memTrackCompareToText(memTrackTextC& text) {
  if (chainMode()) {
    walkIntoText(text, [](dynMgrChainS* member, memTrackOutputFnT fn) { member->compareSnapshot(fn); });
    return;
  }
  reportLocallyToText(text, [](memTrackerC& t, memTrackTextC& out) { t.compareSnapshot(out); });
}

std::uint64_t memTrackPeakBytes() {
  if (!chainMode()) return moduleTracker().peakBytes();
  std::uint64_t sum = 0;
  walkChain([&sum](dynMgrChainS* member) { sum += member->peakBytes(); });
  return sum;
}

std::uint64_t memTrackPeakOsBytes() {
  if (!chainMode()) return moduleTracker().peakOsBytes();
  std::uint64_t sum = 0;
  walkChain([&sum](dynMgrChainS* member) { sum += member->peakOsBytes(); });
  return sum;
}

std::uint64_t memTrackPeakPageBytes() {
  if (!chainMode()) return moduleTracker().peakPageBytes();
  std::uint64_t sum = 0;
  walkChain([&sum](dynMgrChainS* member) { sum += member->peakPageBytes(); });
  return sum;
}

void memTrackReportAtUnload(memPoolC& heap) {
  if (&heap != &modulePool() || (memTrackFlags & memTrackFlagLeak) == 0) return;
  reportLocally([](memTrackerC& t, memTrackTextC& text) { t.fullReport(text); });
}
