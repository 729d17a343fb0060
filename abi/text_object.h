// The string object behind a text variant (tag 4), as another binary sees it.
//
// A text value points to a string object: the object's table (the two slots
// of every memory-manager object, abi/mem_man_object.h), then its buffer, an
// object of its own with a table of the same kind, which holds the
// characters. `data` holds them followed by a zero byte that `size` counts;
// a string without storage has a null `data` and `size` 0 and reads as the
// empty text.
//
// A host reads a module's text result through this record and gives the
// object back through its table (deletingDestructor with deleteStorageFlag).
// A host that passes text arguments builds objects of this layout itself,
// with tables of its own: a module reads an argument's characters in place
// during the call, and never frees or calls into an object it did not make.
#pragma once

#include <cstddef>
#include <cstdint>

struct zkTextObjectRecordS {
  const void* table;        // the string object's table
  const void* bufferTable;  // the buffer's table
  char* data;               // the characters and a terminating zero; null: no storage
  uint64_t size;            // bytes at data, the zero included; 0: no storage
};

static_assert(sizeof(zkTextObjectRecordS) == 32, "a string object is 32 bytes");
static_assert(offsetof(zkTextObjectRecordS, data) == 16, "characters at byte 16");
static_assert(offsetof(zkTextObjectRecordS, size) == 24, "size at byte 24");

// The characters of a text object: its text, or "" without storage.
inline const char* zkTextOf(const void* textObject) {
  const char* data = static_cast<const zkTextObjectRecordS*>(textObject)->data;
  return data != nullptr ? data : "";
}
