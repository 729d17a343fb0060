// proxyAutoParaListC: the argument list of one call by name.
//
// Invoke copies the caller's variants into the list; handlers read them with
// getArg / getResolvedArg, which remember the index read last in `current`
// (-1 until the first read) so that a failed call can name the argument that
// did not fit. An index outside the list throws proxyAutoTypeCastExceptionC,
// which makes the row not fit.
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

  // A copy of item `index`; current becomes index. Throws
  // proxyAutoTypeCastExceptionC when index < 0 or index >= count.
  proxyAutoTypeCastC getArg(int index);

  // As getArg, but an object is replaced by what its symbol references lead
  // to (the item itself stays as it is).
  proxyAutoTypeCastC getResolvedArg(int index);

  uint32_t count;             // number of arguments
  proxyAutoTypeCastC* items;  // count items, null when count is 0
  int32_t current;            // index read last, -1 before the first read

 private:
  void checkIndex(int index);

  uint32_t requested;  // count asked for at construction
};

static_assert(sizeof(proxyAutoParaListC) == 32, "table, count, items, current, requested");
