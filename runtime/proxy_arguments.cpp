// Argument list of a call by name.
#include "runtime/proxy_arguments.h"

#include <new>

#include "runtime/proxy_exceptions.h"

proxyAutoParaListC::proxyAutoParaListC(uint32_t n) : count(0), items(nullptr), current(-1), requested(n), lentItems(0) {
  if (n == 0) return;
  items = new (std::nothrow) proxyAutoTypeCastC[n];
  if (items != nullptr) count = n;
}

proxyAutoParaListC::~proxyAutoParaListC() {
  for (uint32_t i = 0; lentItems != 0 && i < lentLimit; ++i) {
    if (isLent(i)) forgetLent(i);
  }
  delete[] items;
}

void proxyAutoParaListC::forgetLent(uint32_t index) {
  items[index].type = zkVarEmpty;
  lentItems &= ~(uint64_t{1} << index);
}

void proxyAutoParaListC::setArg(uint32_t index, const proxyAutoTypeCastC& source) {
  if (index >= count) return;
  if (isLent(index)) {
    // The source may be the lent item itself; it is copied before the item
    // forgets the text.
    proxyAutoTypeCastC copy(source);
    forgetLent(index);
    copy.moveTo(items[index]);
    return;
  }
  items[index] = source;
}

uint32_t proxyAutoParaListC::lend(uint32_t index, const zkVariantS& source) {
  if (index >= count) return 1;
  if (isLent(index)) forgetLent(index);
  if (source.type != zkVarString || index >= lentLimit) return source.copyTo(items[index]);
  items[index].clear();
  items[index].value.stringValue = source.value.stringValue;
  items[index].type = zkVarString;
  lentItems |= uint64_t{1} << index;
  return 0;
}

void proxyAutoParaListC::checkIndex(int index) {
  if (index < 0 || static_cast<uint32_t>(index) >= count) throwTypeCastError();
  current = index;
}

proxyAutoTypeCastC& proxyAutoParaListC::argAt(int index) {
  checkIndex(index);
  return items[index];
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
