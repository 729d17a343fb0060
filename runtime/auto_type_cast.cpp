// Converting getters of proxyAutoTypeCastC and the dispatch exception helpers.
#include "runtime/auto_type_cast.h"

#include "runtime/proxy_exceptions.h"

void throwTypeCastError() { throw proxyAutoTypeCastExceptionC(); }

void throwExecuteError(const str& description, const str& context) {
  throw proxyExecuteExceptionC(context, description);
}

void throwExecuteComError(zkIUnknown* error) { throw proxyExecuteComExceptionC(error); }

proxyAutoTypeCastC::proxyAutoTypeCastC(const proxyAutoTypeCastC& other)
    : memManInterfaceC(), zkVariantS(other), resolved(other.resolved) {}

proxyAutoTypeCastC::proxyAutoTypeCastC(const zkVariantS& v) : zkVariantS(v) {}

proxyAutoTypeCastC::~proxyAutoTypeCastC() { resolved.clear(); }

proxyAutoTypeCastC& proxyAutoTypeCastC::operator=(const proxyAutoTypeCastC& other) {
  other.copyTo(*this);
  other.resolved.copyTo(resolved);
  return *this;
}

proxyAutoTypeCastC& proxyAutoTypeCastC::operator=(const zkVariantS& v) {
  v.copyTo(*this);
  return *this;
}

void proxyAutoTypeCastC::takeObject(zkIUnknown* object) {
  zkInterfacePtrT<zkIUnknown> unknown;
  if (object != nullptr && unknown.query(object, zkIID_IUnknown) == 0) {
    setObject(unknown.get());
  } else {
    clear();
  }
}

void proxyAutoTypeCastC::convertNumber(uint32_t target, zkVariantS& out) const {
  if (type == zkVarInt || type == zkVarDouble) {
    if (convertCopy(out, target) != 0) throwTypeCastError();
    return;
  }
  if (type == zkVarObject) {
    zkVariantS plain;
    if (zkResolveVariantValue(*this, plain) != 0) throwTypeCastError();
    if (plain.type != zkVarInt && plain.type != zkVarDouble) throwTypeCastError();
    if (plain.convertCopy(out, target) != 0) throwTypeCastError();
    return;
  }
  throwTypeCastError();
}

int32_t proxyAutoTypeCastC::getInt() const {
  zkVariantS out;
  convertNumber(zkVarInt, out);
  return out.value.intValue;
}

uint8_t proxyAutoTypeCastC::getBool() const {
  zkVariantS out;
  convertNumber(zkVarBool, out);
  return out.value.boolValue;
}

double proxyAutoTypeCastC::getDouble() const {
  zkVariantS out;
  convertNumber(zkVarDouble, out);
  return out.value.doubleValue;
}

const char* proxyAutoTypeCastC::getString() {
  const char* text = nullptr;
  if (zkVariantS::getString(&text) == 0) return text;
  if (type != zkVarObject) throwTypeCastError();
  if (zkResolveVariantValue(*this, resolved) != 0) throwTypeCastError();
  if (resolved.getString(&text) != 0) throwTypeCastError();
  return text;
}

zkIDispatch* proxyAutoTypeCastC::getObject() const {
  if (type != zkVarObject) return nullptr;
  zkVariantS followed(*this);
  zkFollowSymbolRefs(followed);
  if (followed.type != zkVarObject) return nullptr;
  zkInterfacePtrT<zkIDispatch> dispatch;
  dispatch.query(followed.value.objectValue, zkIID_IDispatch);
  return dispatch.detach();
}
