// Argument list of a call by name.
#include "runtime/proxy_arguments.h"

#include <new>

#include "runtime/proxy_exceptions.h"

proxyAutoParaListC::proxyAutoParaListC(uint32_t n) : count(0), items(nullptr), current(-1), requested(n) {
  if (n == 0) return;
  items = new (std::nothrow) proxyAutoTypeCastC[n];
  if (items != nullptr) count = n;
}

proxyAutoParaListC::~proxyAutoParaListC() { delete[] items; }

void proxyAutoParaListC::setArg(uint32_t index, const proxyAutoTypeCastC& source) {
  if (index < count) items[index] = source;
}

void proxyAutoParaListC::checkIndex(int index) {
  if (index < 0 || static_cast<uint32_t>(index) >= count) throwTypeCastError();
  current = index;
}

proxyAutoTypeCastC proxyAutoParaListC::getArg(int index) {
  checkIndex(index);
  return items[index];
}

proxyAutoTypeCastC proxyAutoParaListC::getResolvedArg(int index) {
  checkIndex(index);
  if (items[index].type != zkVarObject) return items[index];
  zkVariantS value(items[index]);
  zkFollowSymbolRefs(value);
  return proxyAutoTypeCastC(value);
}
