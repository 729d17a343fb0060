// The memory reports of the framework modules loaded into this host's
// process, asked for through their per-process manager chain
// (abi/mgr_chain.h): how a host shows what the modules' heaps hold without a
// debugger.
//
// hostChainMembers() finds the chain the way a module does: the head named
// by the process-wide variable (platform/process_chain.h, which refuses an
// absent, unparsable or implausible value), then the next links, each member
// checked readable before it is used, at most hostChainLimit of them. No
// chain: an empty list.
//
// The report functions ask every member, head first, for its report,
// delivered in pieces through output (or into that module's report file when
// "ZKMEMTRACK_OUTPUT" named one there); each module's own output function is
// at its default afterwards. They answer the number of members asked. Call
// them only while no module is being loaded or unloaded.
#pragma once

#include <cstdint>
#include <vector>

#include "abi/mgr_chain.h"

constexpr unsigned hostChainLimit = 4096;

std::vector<dynMgrChainS*> hostChainMembers();

// Summary reports (followed by the detail of modules that track leaks).
unsigned hostMemorySummary(dynMgrOutputFnT output);
// Memory check reports.
unsigned hostMemoryCheck(dynMgrOutputFnT output);

// Peaks summed over the members; all 0 without a chain.
struct hostMemoryPeaksS {
  std::uint64_t bytes;      // OS bytes plus page bytes
  std::uint64_t osBytes;    // blocks taken straight from the runtime heap
  std::uint64_t pageBytes;  // pages × 10,000
};
hostMemoryPeaksS hostMemoryPeaks();
