// Identifier comparison and the module's identifier records.
#include "runtime/interface_id.h"

namespace {

constexpr uint32_t kNameBytes = sizeof(zkIIDS::name);

// Characters before the terminator, or all 36 bytes when there is none.
uint32_t boundedLength(const zkIIDS& id) {
  uint32_t n = 0;
  while (n < kNameBytes && id.name[n] != '\0') ++n;
  return n;
}

char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameBytes(const char* a, const char* b, uint32_t n) {
  for (uint32_t i = 0; i < n; ++i) {
    if (a[i] != b[i]) return false;
  }
  return true;
}

}  // namespace

bool zkIIDS::equal(const zkIIDS& other) const {
  if (length > kNameBytes || other.length > kNameBytes) return false;
  if (length == other.length) {
    if (length != 0) return sameBytes(name, other.name, length);
    const uint32_t n = boundedLength(*this);
    if (n != boundedLength(other)) return false;
    for (uint32_t i = 0; i < n; ++i) {
      if (asciiLower(name[i]) != asciiLower(other.name[i])) return false;
    }
    return true;
  }
  if (length != 0 && other.length != 0) return false;
  const zkIIDS& uncounted = (length == 0) ? *this : other;
  const zkIIDS& counted = (length == 0) ? other : *this;
  return boundedLength(uncounted) == counted.length && sameBytes(uncounted.name, counted.name, counted.length);
}

const zkIIDS zkIID_IUnknown = {8, "ZKIIDUNK"};
const zkIIDS zkIID_IDispatch = {8, "ZKIIDDSP"};
const zkIIDS zkIID_IClassFactory = {11, "ZKIIDCLSFAC"};
const zkIIDS zkIID_IException = {12, "ZKIEXCEPTION"};
const zkIIDS zkIID_ITypeInfo = {0, "ZKIIDTYPEINFO"};
const zkIIDS zkIID_IMethodeTypeInfo = {0, "ZKIIDMETHTYPEINFO"};
const zkIIDS zkIID_IPropetyTypeInfo = {0, "ZKIIDPROPTYPEINFO"};
const zkIIDS zkIID_IObjectCollection = {0, "ZKCOMOBJCOLL"};
const zkIIDS zkIID_INativePointer = {0, "ZKCOMNATPTR"};
const zkIIDS zkIID_IExternalConnection = {0, "ZKCOMEXTCONN"};
const zkIIDS zkIID_IEngineFactory = {0, "ZKCOMENGFACT"};
const zkIIDS zkIID_ISymbolRef = {0, "ZKSCR.SYMBOLREF"};
const zkIIDS zkIID_ICharsetFactory = {0, "RAVOD.ICHARSETFACT"};
const zkIIDS zkIID_ICharsetConverter = {0, "RAVOD.ICHARSETCONV"};
