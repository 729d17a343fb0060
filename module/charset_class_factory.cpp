// The module's class factory.
#include "module/charset_class_factory.h"

#include "abi/status.h"
#include "runtime/query_interface.h"

#include <new>

#include "charset/charset_factory.h"

namespace {

// Uncounted, so that comparing with it gives exactly the factory's rule: a
// counted name must match byte for byte, an uncounted one ignoring case.
const zkIIDS kComponentClassName = {0, "rozorevo.charsetconvert"};

}  // namespace

charsetClassFactoryC* charsetClassFactoryC::create() { return new (std::nothrow) charsetClassFactoryC(); }

uint32_t charsetClassFactoryC::QueryInterface(const zkIIDS* id, void** out) {
  static const queryInterfaceRowS<charsetClassFactoryC> rows[] = {
      {&zkIID_IUnknown, [](charsetClassFactoryC* self) -> zkIUnknown* { return self; }},
      {&zkIID_IClassFactory, [](charsetClassFactoryC* self) -> zkIUnknown* { return self; }},
  };
  if (out == nullptr) return statusNoInterfaceOutCleared;
  if (id != nullptr && queryInterfaceTable(this, rows, *id, out)) return statusOk;
  *out = nullptr;
  return statusNoInterfaceOutCleared;
}

uint32_t charsetClassFactoryC::AddRef() { return incrementRefCount(); }

uint32_t charsetClassFactoryC::Release() {
  const uint32_t remaining = decrementRefCount();
  if (remaining == 0) delete this;
  return remaining;
}

uint32_t charsetClassFactoryC::CreateInstance(const zkIIDS* className, zkIUnknown** out) {
  if (className == nullptr || out == nullptr || !className->equal(kComponentClassName)) return 1;
  void* component = nullptr;
  const uint32_t status = prxbaseICharsetFactoryC::createInstance(zkIID_IUnknown, &component);
  *out = static_cast<zkIUnknown*>(component);
  return status;
}
