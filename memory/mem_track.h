// The public entry points of memory tracking: reports of the module's heap,
// or, in chain mode (memTrackFlags 0x80), of every module of the process.
//
// Local mode: each report runs on the module's heap under its pool lock
// (memTrackerC) and is then delivered through memTrackWriteReport (the
// report file when "ZKMEMTRACK_OUTPUT" named one, else the current output
// function in pieces of at most 80 characters); the "...ToText" forms append
// the report to the caller's text instead and deliver nothing.
//
// Chain mode: the walk starts at the head that the module's own chain
// member (memTrackUseChainMember) knows and follows the next links, calling the member operation on
// every member met, the module's own included; a member that is not
// readable ends the walk, and so does a chain longer than
// memTrackChainLimit. The output function passed to every member is the
// one current when the walk starts (each member's report resets its own
// module's output function to the default afterwards, this module's too).
// The "...ToText" forms pass memTrackTextSink, which appends to the caller's
// text; only one such walk runs in the module at a time. memTrackSnapshot
// snapshots every member and then the module itself once more; the peaks
// are summed over the members. A member whose chain has been dissolved
// (orphaned) walks nothing: its reports are empty and its peaks 0, and so
// does a binary that carries no member (a host program).
//
// No pool lock is held while the walk moves from one member to the next, so
// two modules reporting on each other at the same moment cannot wait for
// each other's locks.
#pragma once

#include <cstdint>

#include "memory/mem_track_output.h"
#include "memory/mem_track_switches.h"
#include "memory/mem_track_text.h"

struct dynMgrChainS;

constexpr unsigned memTrackChainLimit = 4096;

// The module's own member of the manager chain, registered by the member
// when the module constructs it; null until then.
void memTrackUseChainMember(dynMgrChainS* member);
dynMgrChainS* memTrackChainMember();

void memTrackReport();
void memTrackReportToText(memTrackTextC& text);
void memTrackSnapshot();
void memTrackCheck();
void memTrackCheckToText(memTrackTextC& text);
void memTrackInspect(void* address);
void memTrackCompare();
void memTrackCompareToText(memTrackTextC& text);

// Peak OS bytes plus peak pages × 10,000; peak OS bytes; peak pages × 10,000.
std::uint64_t memTrackPeakBytes();
std::uint64_t memTrackPeakOsBytes();
std::uint64_t memTrackPeakPageBytes();

// The output function of the chain-mode "...ToText" walks: appends text to
// the caller's text of the walk that is running (nothing when none is).
void memTrackTextSink(const char* text);

// The leak report at unload: the module's full report (summary and detail),
// delivered, when leak tracking (0x02) is on. Only the module's own heap
// reports; private heaps (tests) do not.
void memTrackReportAtUnload(memPoolC& heap);
