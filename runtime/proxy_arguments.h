// proxyAutoParaListC: the argument list of one call by name.
//
// Invoke fills the list from the caller's variants; handlers read them with
// argAt / getArg / getResolvedArg, which remember the index read last in
// `current` (-1 until the first read) so that a failed call can name the
// argument that did not fit. An index outside the list throws
// proxyAutoTypeCastExceptionC, which makes the row not fit.
//
// Texts are lent, not copied: an item filled by lend() from a text variant
// shows the caller's own string, which the caller keeps unchanged for the
// call, and the list never frees it. Copies of such an item (getArg) are
// deep as always; an item replaced by setArg stops being lent first.
#pragma once

#include <cstdint>

#include "memory/mem_man.h"
#include "runtime/auto_type_cast.h"

class proxyAutoParaListC : public memManInterfaceC {
 public:
  // `n` empty items, current -1. When the items cannot be allocated the list
  // is empty (count 0) and allocationFailed() answers true.
  explicit proxyAutoParaListC(uint32_t n);
  ~proxyAutoParaListC();
  ZK_DELETING_DESTRUCTOR(proxyAutoParaListC)
  proxyAutoParaListC(const proxyAutoParaListC&) = delete;
  proxyAutoParaListC& operator=(const proxyAutoParaListC&) = delete;

  bool allocationFailed() const { return requested != count; }

  // Copies the value and the `resolved` slot of `source` into item `index`;
  // an index outside the list is ignored.
  void setArg(uint32_t index, const proxyAutoTypeCastC& source);

  // Fills item `index` from the caller's variant: a text is lent (see
  // above), anything else copied. Answers 0, or 1 when the copy failed; an
  // index outside the list answers 1.
  uint32_t lend(uint32_t index, const zkVariantS& source);

  // Item `index` itself, for reading in place; current becomes index. Throws
  // proxyAutoTypeCastExceptionC when index < 0 or index >= count. A text
  // that getString obtained from an object argument lives in the item's
  // `resolved` until that item's getString runs again.
  proxyAutoTypeCastC& argAt(int index);

  // A copy of item `index`; current and failures as argAt.
  proxyAutoTypeCastC getArg(int index);

  // As getArg, but an object is replaced by what its symbol references lead
  // to (the item itself stays as it is).
  proxyAutoTypeCastC getResolvedArg(int index);

  uint32_t count;             // number of arguments
  proxyAutoTypeCastC* items;  // count items, null when count is 0
  int32_t current;            // index read last, -1 before the first read

 private:
  void checkIndex(int index);
  bool isLent(uint32_t index) const { return index < lentLimit && (lentItems >> index & 1) != 0; }
  // Item `index` forgets the lent text without freeing it.
  void forgetLent(uint32_t index);

  static constexpr uint32_t lentLimit = 64;  // items that can be lent

  uint32_t requested;  // count asked for at construction
  uint64_t lentItems;  // bit i: item i shows a lent text
};

static_assert(sizeof(proxyAutoParaListC) == 40, "table, count, items, current, requested, lent items");
