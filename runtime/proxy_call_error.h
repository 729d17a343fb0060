// proxyCallErrorC: the error object ("ZKIEXCEPTION") that a failed Invoke
// hands out.
//
// It carries a description and a context text (each a string variant) and an
// optional inner error object, all fixed at construction. It answers
// "ZKIIDUNK" and "ZKIEXCEPTION"; any other identifier stores null and answers
// 1. The getters copy out (the inner error with one reference added) and
// answer 0, or 1 for a null out pointer.
#pragma once

#include <cstdint>

#include "abi/interface_ptr.h"
#include "abi/interfaces.h"
#include "runtime/ref_object.h"
#include "runtime/variant.h"

class proxyCallErrorC final : public defRAVODWrapperT<proxyCallErrorC, zkIComException, &zkIID_IException> {
 public:
  // Starts with reference count 0; the creator takes the first reference.
  // Null texts are stored as empty texts; `inner` gets one reference.
  static proxyCallErrorC* create(const char* description, const char* context, zkIUnknown* inner);

  uint32_t GetContext(zkVariantS* out) override;
  uint32_t GetDescription(zkVariantS* out) override;
  uint32_t GetInnerError(zkIUnknown** out) override;
  // Slot 6, the last: reached through Release.
  ZK_DELETING_DESTRUCTOR(proxyCallErrorC)

 private:
  explicit proxyCallErrorC(zkIUnknown* inner) : innerError(inner) {}
  ~proxyCallErrorC() = default;

  zkVariantS description;                  // string variant
  zkVariantS context;                      // string variant
  zkInterfacePtrT<zkIUnknown> innerError;  // may be empty
};
