// Reading the memory-tracking switches from the environment.
#include "memory/mem_track_switches.h"

#include <cstdlib>
#include <cstring>

#include "memory/mem_pool.h"
#include "memory/module_heap.h"

std::atomic<std::uint32_t> memTrackFlags{0};
char outputFileName[memTrackOutputFileNameSize] = {};

namespace {

bool switchesRead = false;  // guarded by the module's pool lock

}  // namespace

void memTrackReadSwitches() {
  lockGuardC guard(modulePoolLock());
  if (switchesRead) return;
  switchesRead = true;
  if (std::getenv("ZKMEMTRACK_LEAK") != nullptr) memTrackFlags |= memTrackFlagLeak;
  if (std::getenv("ZKMEMTRACK_TYPEINFO") != nullptr) memTrackFlags |= memTrackFlagTypeInfo;
  if (std::getenv("ZKMEMTRACK_LOCATION") != nullptr) memTrackFlags |= memTrackFlagLocation;
  const char* fileName = std::getenv("ZKMEMTRACK_OUTPUT");
  if (fileName != nullptr) {
    const std::size_t length = std::strlen(fileName);
    if (length < memTrackOutputFileNameSize) std::memcpy(outputFileName, fileName, length + 1);
  }
}

std::uint32_t memTrackSetFlags(std::uint32_t flags) { return memTrackFlags.exchange(flags); }

std::uint64_t memTrackBlockHeaderSize() {
  memTrackReadSwitches();
  return (memTrackFlags & memTrackFlagLocation) != 0 ? memBlockHeaderSizeWithLocation : memBlockHeaderSizePlain;
}
