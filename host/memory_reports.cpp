// A host's view of the modules' memory reports through the manager chain.
#include "host/memory_reports.h"

#include "platform/process_chain.h"

static_assert(dynMgrChainSlotCount == processChainTableSlots, "slot count of the chain variable");

std::vector<dynMgrChainS*> hostChainMembers() {
  std::vector<dynMgrChainS*> members;
  auto* member = static_cast<dynMgrChainS*>(processChainHead());
  while (member != nullptr && members.size() < hostChainLimit && processChainMemberIsReadable(member)) {
    members.push_back(member);
    member = member->next;
  }
  return members;
}

unsigned hostMemorySummary(dynMgrOutputFnT output) {
  const std::vector<dynMgrChainS*> members = hostChainMembers();
  for (dynMgrChainS* member : members) member->summaryReport(output);
  return static_cast<unsigned>(members.size());
}

unsigned hostMemoryCheck(dynMgrOutputFnT output) {
  const std::vector<dynMgrChainS*> members = hostChainMembers();
  for (dynMgrChainS* member : members) member->memoryCheck(output);
  return static_cast<unsigned>(members.size());
}

hostMemoryPeaksS hostMemoryPeaks() {
  hostMemoryPeaksS peaks = {0, 0, 0};
  for (dynMgrChainS* member : hostChainMembers()) {
    peaks.bytes += member->peakBytes();
    peaks.osBytes += member->peakOsBytes();
    peaks.pageBytes += member->peakPageBytes();
  }
  return peaks;
}
