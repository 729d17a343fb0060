// proxyAutoTypeCastC: the variant through which method handlers read their
// arguments and store their results, with converting getters.
//
// The getters accept only what the dispatcher's overload rules allow:
// - getInt, getBool, getDouble: an integer or a double (or an object whose
//   default member yields one), converted to the requested type; anything
//   else throws proxyAutoTypeCastExceptionC. Strings and booleans never
//   satisfy a numeric parameter, not even getBool.
// - getString: a string, or an object whose default member yields one (kept
//   in `resolved`, so the text lives as long as the wrapper); anything else
//   throws. Numbers are not turned into text.
// - getObject: the dispatch interface of the held object after following
//   symbol references, with one reference for the caller; null (no throw)
//   when there is none.
#pragma once

#include <cstdint>

#include "abi/interface_ptr.h"
#include "abi/interfaces.h"
#include "memory/mem_man.h"
#include "runtime/variant.h"

class proxyAutoTypeCastC : public memManInterfaceC, public zkVariantS {
 public:
  proxyAutoTypeCastC() = default;
  // Copies the value and `resolved`.
  proxyAutoTypeCastC(const proxyAutoTypeCastC& other);
  // Copies the value; `resolved` stays empty.
  explicit proxyAutoTypeCastC(const zkVariantS& v);
  // Clears `resolved`, then the value.
  ~proxyAutoTypeCastC();
  // The one virtual operation beyond getMemManager.
  ZK_DELETING_DESTRUCTOR(proxyAutoTypeCastC)

  // Copies both variants.
  proxyAutoTypeCastC& operator=(const proxyAutoTypeCastC& other);
  // Copies `v` into the value; `resolved` keeps its content.
  proxyAutoTypeCastC& operator=(const zkVariantS& v);

  // Stores the object held by `p` (asked for "ZKIIDUNK"), or clears the value
  // when p is empty or does not answer; p is released and empty afterwards.
  template <class I>
  proxyAutoTypeCastC& operator=(zkInterfacePtrT<I>& p) {
    takeObject(p.get());
    p.reset();
    return *this;
  }
  template <class I>
  proxyAutoTypeCastC& operator=(zkInterfacePtrT<I>&& p) {
    return *this = p;
  }

  // A plain copy of the value.
  zkVariantS toVariant() const { return zkVariantS(*this); }

  int32_t getInt() const;
  uint8_t getBool() const;
  double getDouble() const;
  const char* getString();
  zkIDispatch* getObject() const;

  zkVariantS resolved;  // value obtained from an object by getString

 private:
  // Converts the value to the numeric tag `target` (algorithm of the
  // numeric getters); throws proxyAutoTypeCastExceptionC on failure.
  void convertNumber(uint32_t target, zkVariantS& out) const;
  void takeObject(zkIUnknown* object);
};

static_assert(sizeof(proxyAutoTypeCastC) == 40, "table pointer, value (16 bytes), resolved (16 bytes)");
