// The process-heap check on Windows: every heap walked under its own lock.
#include "platform/process_heaps.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr DWORD maxHeaps = 1024;

void formatPointerLine(char* line, std::size_t size, const char* label, const void* pointer) {
  std::snprintf(line, size, "%s %016llX\n", label,
                static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(pointer)));
}

// Walks one heap; a fault ends the walk, so a heap gives at most one line,
// which is written into line (empty when the heap is sound). Nothing is
// allocated while the heap is locked, so the walk sees the heap unchanged.
void checkHeap(HANDLE heap, char* line, std::size_t size) {
  line[0] = '\0';
  if (!HeapLock(heap)) {
    std::snprintf(line, size, "Invalid Win32 Heap Structure\n");
    return;
  }
  PROCESS_HEAP_ENTRY entry = {};
  const void* previous = nullptr;
  bool stopped = false;
  while (HeapWalk(heap, &entry)) {
    if (previous != nullptr && entry.lpData == previous) {
      stopped = true;
      break;
    }
    previous = entry.lpData;
    if ((entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) == 0) continue;
    if (!HeapValidate(heap, 0, entry.lpData)) {
      formatPointerLine(line, size, "Invalid Win32 Heap Block", entry.lpData);
      stopped = true;
      break;
    }
    if (IsBadReadPtr(entry.lpData, entry.cbData) || IsBadWritePtr(entry.lpData, entry.cbData)) {
      formatPointerLine(line, size, "Invalid Win32 Heap Data Ptr", entry.lpData);
      stopped = true;
      break;
    }
  }
  if (!stopped && GetLastError() != ERROR_NO_MORE_ITEMS)
    formatPointerLine(line, size, "Invalid Win32 Heap Node", previous);
  HeapUnlock(heap);
}

}  // namespace

void processHeapCheck(processHeapLineFnT addLine, void* context) {
  HANDLE few[maxHeaps];
  HANDLE* heaps = few;
  DWORD count = GetProcessHeaps(maxHeaps, heaps);
  // A larger answer means the array was too small and holds no handles:
  // ask again with room for all, and examine the first 1024.
  if (count > maxHeaps) {
    heaps = static_cast<HANDLE*>(std::malloc(count * sizeof(HANDLE)));
    const DWORD total = heaps != nullptr ? GetProcessHeaps(count, heaps) : 0;
    count = total <= count ? total : 0;
  }
  if (count > maxHeaps) count = maxHeaps;
  for (DWORD i = 0; i < count; ++i) {
    char line[96];
    checkHeap(heaps[i], line, sizeof line);
    if (line[0] != '\0') addLine(context, line);
  }
  if (heaps != few) std::free(heaps);
}
