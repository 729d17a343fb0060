// The manager chain's variable: its name, its value, and the checks on it.
#include "platform/process_chain.h"

#include <cstdint>
#include <cstdio>

#include "platform/memory_probe.h"
#include "platform/process.h"
#include "platform/process_environment.h"

void processChainVariableName(char (&name)[processChainNameSize]) {
  const std::uint64_t created = processCreationTime();
  const std::uint32_t key =
      processCurrentId() ^ static_cast<std::uint32_t>(created >> 32) ^ static_cast<std::uint32_t>(created);
  std::snprintf(name, sizeof name, "ZKDYNMGRV8_%u", key);
}

namespace {

// The member's words, when they and the table they point to are readable.
bool readMember(const void* member, std::uintptr_t (&words)[processChainHeadWords]) {
  return memorySafeRead(member, words, sizeof words) &&
         memoryIsReadable(reinterpret_cast<const void*>(words[0]), processChainTableSlots * sizeof(void*));
}

}  // namespace

bool processChainMemberIsReadable(const void* member) {
  std::uintptr_t words[processChainHeadWords];
  return readMember(member, words);
}

bool processChainIsPlausibleHead(const void* address) {
  std::uintptr_t words[processChainHeadWords];
  return readMember(address, words) && words[processChainHeadWord] == reinterpret_cast<std::uintptr_t>(address);
}

void* processChainHead() {
  char name[processChainNameSize];
  processChainVariableName(name);
  char value[processChainValueSize];
  if (!processEnvironmentRead(name, value, sizeof value)) return nullptr;
  void* head = nullptr;
  if (std::sscanf(value, "%p", &head) != 1) return nullptr;
  return head != nullptr && processChainIsPlausibleHead(head) ? head : nullptr;
}

bool processChainPublish(const void* head) {
  char name[processChainNameSize];
  processChainVariableName(name);
  char value[processChainValueSize];
  std::snprintf(value, sizeof value, "%p", head);
  return processEnvironmentWrite(name, value);
}

void processChainWithdraw() {
  char name[processChainNameSize];
  processChainVariableName(name);
  processEnvironmentRemove(name);
}
