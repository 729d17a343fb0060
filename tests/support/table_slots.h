// Interface tables read as another binary reads them: calls by raw slot
// number with the object pointer first, and the slot number the compiler
// gave a virtual member function.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

// Calls slot `index` of the table at `tablePointer` (the address of the
// table pointer inside the object), passing that address first.
template <class R, class... A>
R callSlot(void* tablePointer, int index, A... args) {
  void** table = *static_cast<void***>(tablePointer);
  return reinterpret_cast<R (*)(void*, A...)>(table[index])(tablePointer, args...);
}

// The code address in slot `index` of the table at `tablePointer`.
inline const void* slotAddress(const void* tablePointer, int index) {
  return (*static_cast<void* const* const*>(tablePointer))[index];
}

// The slot number of a virtual member function in its class's table, or -1
// for a non-virtual one. Both our compilers represent a pointer to a virtual
// member as 1 + the byte offset of its slot, followed by a this-adjustment.
template <class MemberPointer>
std::ptrdiff_t slotIndexOf(MemberPointer member) {
  static_assert(sizeof(MemberPointer) == 2 * sizeof(std::uintptr_t), "a pointer to member is two words");
  std::uintptr_t words[2];
  std::memcpy(words, &member, sizeof words);
  if ((words[0] & 1) == 0) return -1;
  return static_cast<std::ptrdiff_t>((words[0] - 1) / sizeof(void*));
}
