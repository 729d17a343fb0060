// memTrackTextC: the growing text a memory report is built in, and the
// caller's text of the "...ToText" report entry points.
//
// Its storage comes straight from one memPoolC (the module's heap unless
// another is given), so building a text takes only that heap's pool lock,
// never the allocation lock; while a report has poolsDisabled set, the
// storage is an OS block and the pages stay as they were.
//
// Failure: when the heap cannot grow the storage, the text keeps what it
// had, further appends are dropped and truncated() answers true. text() is
// always a zero-terminated text ("" without storage).
#pragma once

#include <cstddef>

class memPoolC;

class memTrackTextC {
 public:
  memTrackTextC();  // on the module's heap
  explicit memTrackTextC(memPoolC& heap);
  ~memTrackTextC();

  memTrackTextC(const memTrackTextC&) = delete;
  memTrackTextC& operator=(const memTrackTextC&) = delete;

  void append(const char* text);
  void append(const char* text, std::size_t n);
  // printf-style formatting appended to the text.
  void appendFormat(const char* format, ...) __attribute__((format(gnu_printf, 2, 3)));
  // Frees the storage; the text is "" again.
  void clear();

  const char* text() const { return data != nullptr ? data : ""; }
  std::size_t length() const { return used; }
  bool truncated() const { return failed; }

 private:
  bool reserve(std::size_t needed);

  memPoolC* pool;        // the heap the storage comes from
  char* data = nullptr;  // storage, zero-terminated; null when empty
  std::size_t used = 0;  // characters before the terminating zero
  std::size_t room = 0;  // bytes of storage
  bool failed = false;   // an append was dropped
};

// The text of a pointer as every report prints it ("%p", "%08p"): 16
// upper-case hexadecimal digits, the same on every platform.
struct memTrackPointerTextS {
  char text[17];
};
memTrackPointerTextS memTrackPointerText(const void* pointer);
