// The error object of a failed call.
#include "runtime/proxy_call_error.h"

proxyCallErrorC* proxyCallErrorC::create(const char* descriptionText, const char* contextText, zkIUnknown* inner) {
  proxyCallErrorC* error = new proxyCallErrorC(inner);
  if (error == nullptr) return nullptr;
  if (error->description.setString(descriptionText) != 0 || error->context.setString(contextText) != 0) {
    deleteObject(error);
    return nullptr;
  }
  return error;
}

uint32_t proxyCallErrorC::GetContext(zkVariantS* out) {
  if (out == nullptr) return 1;
  context.copyTo(*out);
  return 0;
}

uint32_t proxyCallErrorC::GetDescription(zkVariantS* out) {
  if (out == nullptr) return 1;
  description.copyTo(*out);
  return 0;
}

uint32_t proxyCallErrorC::GetInnerError(zkIUnknown** out) {
  if (out == nullptr) return 1;
  if (innerError) innerError->AddRef();
  *out = innerError.get();
  return 0;
}
