// Report texts: growth over one heap, formatted appends, pointer texts.
#include "memory/mem_track_text.h"

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "memory/mem_pool.h"
#include "memory/module_heap.h"

memTrackTextC::memTrackTextC() : pool(&modulePool()) {}

memTrackTextC::memTrackTextC(memPoolC& heap) : pool(&heap) {}

memTrackTextC::~memTrackTextC() { clear(); }

void memTrackTextC::clear() {
  pool->deallocate(data);
  data = nullptr;
  used = 0;
  room = 0;
  failed = false;
}

bool memTrackTextC::reserve(std::size_t needed) {
  if (failed) return false;
  if (needed <= room) return true;
  // Doubling keeps the cost of a text built in many small appends linear.
  std::size_t grown = room < 256 ? 256 : room;
  while (grown < needed) {
    if (grown > SIZE_MAX / 2) {
      failed = true;
      return false;
    }
    grown *= 2;
  }
  char* moved = static_cast<char*>(pool->reallocate(data, grown));
  if (moved == nullptr) {
    failed = true;
    return false;
  }
  data = moved;
  room = grown;
  return true;
}

void memTrackTextC::append(const char* text, std::size_t n) {
  if (text == nullptr || n == 0) return;
  if (n > SIZE_MAX - used - 1 || !reserve(used + n + 1)) {
    failed = true;
    return;
  }
  std::memcpy(data + used, text, n);
  used += n;
  data[used] = '\0';
}

void memTrackTextC::append(const char* text) {
  if (text != nullptr) append(text, std::strlen(text));
}

void memTrackTextC::appendFormat(const char* format, ...) {
  char small[256];
  std::va_list arguments;
  va_start(arguments, format);
  const int needed = std::vsnprintf(small, sizeof small, format, arguments);
  va_end(arguments);
  if (needed < 0) return;
  if (static_cast<std::size_t>(needed) < sizeof small) {
    append(small, static_cast<std::size_t>(needed));
    return;
  }
  // Longer lines (a long module name) are formatted into the text itself.
  const std::size_t n = static_cast<std::size_t>(needed);
  if (!reserve(used + n + 1)) return;
  va_start(arguments, format);
  std::vsnprintf(data + used, n + 1, format, arguments);
  va_end(arguments);
  used += n;
}

memTrackPointerTextS memTrackPointerText(const void* pointer) {
  memTrackPointerTextS result;
  std::snprintf(result.text, sizeof result.text, "%016llX",
                static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(pointer)));
  return result;
}
