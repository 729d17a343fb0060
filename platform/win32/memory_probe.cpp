// Fault-free reads on Windows: IsBadReadPtr guards every copy.
#include "platform/memory_probe.h"

#include <windows.h>

#include <cstdint>
#include <cstring>

namespace {

bool rangeIsPlausible(const void* address, std::size_t size) {
  const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(address);
  return start != 0 && start + size >= start;
}

}  // namespace

bool memoryIsReadable(const void* address, std::size_t size) {
  if (size == 0) return true;
  return rangeIsPlausible(address, size) && !IsBadReadPtr(address, size);
}

bool memorySafeRead(const void* address, void* out, std::size_t size) {
  if (!memoryIsReadable(address, size)) return false;
  std::memcpy(out, address, size);
  return true;
}
