// charsetClassFactoryC: the class factory ("ZKIIDCLSFAC") through which the
// host engine creates the module's one component, "rozorevo.charsetconvert".
//
// The factory starts with no reference; its creator takes the first. It
// answers "ZKIIDUNK" and "ZKIIDCLSFAC" with itself and destroys itself when
// the last reference goes, giving its memory back to the module's heap.
#pragma once

#include <cstdint>

#include "abi/engine_binding.h"
#include "runtime/ref_object.h"

class charsetClassFactoryC final : public zkIComClassFactory, private raVodRefObjectC {
 public:
  // Allocates a factory from the module's heap; null when out of memory.
  static charsetClassFactoryC* create();

  // "ZKIIDUNK" or "ZKIIDCLSFAC": the factory with a reference added, 0.
  // Anything else: *out = null, 1.
  uint32_t QueryInterface(const zkIIDS* id, void** out) override;
  uint32_t AddRef() override;
  uint32_t Release() override;

  // A class name equal to "rozorevo.charsetconvert" (byte for byte when the
  // record is counted, ignoring letter case when not) creates a component
  // and answers its "ZKIIDUNK" query: 0 with one reference in *out. Any other
  // name answers 1 and leaves *out untouched.
  uint32_t CreateInstance(const zkIIDS* className, zkIUnknown** out) override;

 private:
  charsetClassFactoryC() = default;
  ~charsetClassFactoryC() = default;
};
