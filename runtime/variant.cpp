// Variant operations, type conversion, value resolution and variant arrays.
#include "runtime/variant.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "abi/interface_ptr.h"
#include "abi/interfaces.h"
#include "abi/text_object.h"
#include "base/str.h"
#include "platform/c_locale_numbers.h"

namespace {

// A text value may be a string object of another binary with the same
// layout (a host's argument), so its characters are read through the
// record, never through a member call on str.
const char* textOf(const str* s) { return zkTextOf(s); }

// Truncates toward zero; a value outside the 32-bit range (NaN and the
// infinities included) gives -2147483648.
int32_t doubleToInt(double d) {
  if (!(d > -2147483649.0 && d < 2147483648.0)) return INT32_MIN;
  return static_cast<int32_t>(d);
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// Parses a decimal floating-point text: leading white space, an optional
// sign, digits with an optional decimal point, an optional exponent, and
// nothing after. The empty text is 0. Hexadecimal forms, "inf" and "nan" are
// not numbers here. The text is read as the "C" locale reads it, whatever
// locale the process or the thread has.
bool parseNumber(const char* text, double* out) {
  if (*text == '\0') {
    *out = 0.0;
    return true;
  }
  const char* p = text;
  while (isBlank(*p)) ++p;
  const char* start = p;
  if (*p == '+' || *p == '-') ++p;
  int digits = 0;
  while (isDigit(*p)) ++p, ++digits;
  if (*p == '.') {
    ++p;
    while (isDigit(*p)) ++p, ++digits;
  }
  if (digits == 0) return false;
  if (*p == 'e' || *p == 'E') {
    ++p;
    if (*p == '+' || *p == '-') ++p;
    if (!isDigit(*p)) return false;
    while (isDigit(*p)) ++p;
  }
  if (*p != '\0') return false;
  return cLocaleDecimalToDouble(start, static_cast<size_t>(p - start), out);
}

// "%.14g" as the "C" locale writes it, with the non-finite values spelled
// the same on every platform; false when the text cannot be made.
bool formatDouble(double d, char (&buffer)[64]) {
  if (std::isnan(d)) {
    std::snprintf(buffer, sizeof buffer, "%s", std::signbit(d) ? "-nan" : "nan");
    return true;
  }
  if (std::isinf(d)) {
    std::snprintf(buffer, sizeof buffer, "%s", d < 0 ? "-inf" : "inf");
    return true;
  }
  return cLocaleFormatDouble(d, 14, buffer, sizeof buffer) >= 0;
}

// Integer value of a plain (non-object) variant for targets 1 and 16.
bool toInteger(const zkVariantS& v, int32_t* out) {
  switch (v.type) {
    case zkVarInt:
      *out = v.value.intValue;
      return true;
    case zkVarDouble:
      *out = doubleToInt(v.value.doubleValue);
      return true;
    case zkVarBool:
      // The boolean byte reads as a signed byte: 0xFF (true) is -1.
      *out = static_cast<int8_t>(v.value.boolValue);  // NOLINT(bugprone-signed-char-misuse)
      return true;
    case zkVarString: {
      double parsed = 0.0;
      if (!parseNumber(textOf(v.value.stringValue), &parsed)) return false;
      *out = doubleToInt(parsed);
      return true;
    }
    default:
      return false;
  }
}

// Conversion of a plain (non-object) value.
uint32_t convertPlain(zkVariantS& v, uint32_t target) {
  switch (target) {
    case zkVarInt: {
      if (v.type == zkVarBool || v.type == zkVarDouble || v.type == zkVarString) {
        int32_t i = 0;
        if (!toInteger(v, &i)) return 1;
        v.setInt(i);
        return 0;
      }
      return 1;
    }
    case zkVarDouble: {
      if (v.type == zkVarInt) {
        v.setDouble(static_cast<double>(v.value.intValue));
        return 0;
      }
      if (v.type == zkVarString) {
        double d = 0.0;
        if (!parseNumber(textOf(v.value.stringValue), &d)) return 1;
        v.setDouble(d);
        return 0;
      }
      return 1;
    }
    case zkVarString: {
      char buffer[64];
      if (v.type == zkVarInt) {
        std::snprintf(buffer, sizeof buffer, "%d", static_cast<int>(v.value.intValue));
      } else if (v.type == zkVarDouble) {
        if (!formatDouble(v.value.doubleValue, buffer)) return 1;
      } else {
        return 1;
      }
      zkVariantS text;
      if (text.setString(buffer) != 0) return 1;
      text.copyTo(v);
      return v.type == zkVarString ? 0 : 1;
    }
    case zkVarBool: {
      if (v.type == zkVarInt || v.type == zkVarDouble || v.type == zkVarString) {
        int32_t i = 0;
        if (!toInteger(v, &i)) return 1;
        v.setBool(static_cast<uint8_t>(static_cast<uint32_t>(i) & 0xFFu));
        return 0;
      }
      return 1;
    }
    default:
      return 1;
  }
}

// One step of value resolution: the value of the default member of the object
// held by `object` (tag 8). Answers 0 and fills `result`, or 1.
uint32_t invokeDefaultMember(const zkVariantS& object, zkVariantS& result) {
  zkInterfacePtrT<zkIDispatch> dispatch;
  if (dispatch.query(object.value.objectValue, zkIID_IDispatch) != 0) return 1;
  zkVariantS value;
  zkIUnknown* error = nullptr;
  const uint32_t status = dispatch->Invoke(nullptr, kindMethod, 0, nullptr, &value, &error);
  if (error != nullptr) error->Release();
  if (status != 0) return 1;
  return value.copyTo(result);
}

}  // namespace

const char* zkVariantTagName(uint32_t tag) {
  switch (tag) {
    case zkVarEmpty:
      return "zkVarEmpty";
    case zkVarInt:
      return "zkVarInt";
    case zkVarDouble:
      return "zkVarDouble";
    case zkVarString:
      return "zkVarString";
    case zkVarObject:
      return "zkVarObject";
    case zkVarBool:
      return "zkVarBool";
    case zkVarArray:
      return "zkVarArray";
    default:
      return "unknown";
  }
}

void zkVariantS::clear() {
  switch (type) {
    case zkVarString:
      deleteObject(value.stringValue);
      break;
    case zkVarObject:
      value.objectValue->Release();
      break;
    case zkVarArray:
      deleteObject(value.arrayValue);
      break;
    default:
      break;
  }
  type = zkVarEmpty;
}

void zkVariantS::setInt(int32_t v) {
  clear();
  value.intValue = v;
  type = zkVarInt;
}

void zkVariantS::setDouble(double v) {
  clear();
  value.doubleValue = v;
  type = zkVarDouble;
}

void zkVariantS::setBool(uint8_t v) {
  clear();
  value.boolValue = v;
  type = zkVarBool;
}

uint32_t zkVariantS::setString(const char* text) {
  // The new string is made before clearing: `text` may live in the old one.
  str* copy = new str(text);
  if (copy != nullptr && text != nullptr && !copy->hasStorage()) {
    deleteObject(copy);
    copy = nullptr;
  }
  clear();
  if (copy == nullptr) return 1;
  value.stringValue = copy;
  type = zkVarString;
  return 0;
}

void zkVariantS::setObject(zkIUnknown* object) {
  // The reference is taken before clearing: the object may be the one held.
  if (object != nullptr) object->AddRef();
  clear();
  if (object == nullptr) return;
  value.objectValue = object;
  type = zkVarObject;
}

void zkVariantS::setArray(variantArrayC* array) {
  clear();
  if (array == nullptr) return;
  value.arrayValue = array;
  type = zkVarArray;
}

uint32_t zkVariantS::getString(const char** text) const {
  if (type != zkVarString) return 1;
  *text = textOf(value.stringValue);
  return 0;
}

uint32_t zkVariantS::getObject(zkIUnknown** object) const {
  if (type != zkVarObject) return 1;
  value.objectValue->AddRef();
  *object = value.objectValue;
  return 0;
}

namespace {

// copyTo for a source that sits inside `nesting` arrays.
uint32_t copyVariant(const zkVariantS& source, zkVariantS& destination, int nesting) {
  if (&destination == &source) return 0;
  switch (source.type) {
    case zkVarEmpty:
      destination.clear();
      return 0;
    case zkVarInt:
      destination.setInt(source.value.intValue);
      return 0;
    case zkVarDouble:
      destination.setDouble(source.value.doubleValue);
      return 0;
    case zkVarBool:
      destination.setBool(source.value.boolValue);
      return 0;
    case zkVarString:
      return destination.setString(textOf(source.value.stringValue));
    case zkVarObject:
      destination.setObject(source.value.objectValue);
      return 0;
    case zkVarArray: {
      // Built completely before the destination changes: the source may be
      // an element of the destination's own array. Nesting is bounded so
      // that a hostile caller's array cannot exhaust the stack.
      if (nesting >= variantArrayNestingLimit) {
        destination.clear();
        return 1;
      }
      const variantArrayC& elements = *source.value.arrayValue;
      variantArrayC* copy = new variantArrayC;
      bool complete = copy != nullptr && copy->resize(elements.size());
      for (uint64_t i = 0; complete && i < elements.size(); ++i) {
        complete = copyVariant(*elements.at(i), *copy->at(i), nesting + 1) == 0;
      }
      if (!complete) {
        deleteObject(copy);
        destination.clear();
        return 1;
      }
      destination.setArray(copy);
      return 0;
    }
    default:
      return 0;
  }
}

}  // namespace

uint32_t zkVariantS::copyTo(zkVariantS& destination) const { return copyVariant(*this, destination, 0); }

void zkVariantS::moveTo(zkVariantS& destination) {
  if (&destination == this) return;
  // Taken first: clearing the destination may release what holds this
  // variant.
  const valueU moved = value;
  const uint32_t movedType = type;
  type = zkVarEmpty;
  destination.clear();
  destination.value = moved;
  destination.type = movedType;
}

uint32_t zkVariantS::changeType(uint32_t target) {
  if (type == target) return 0;
  if (type == zkVarObject) {
    // Follow default members; an object that yields an object again is
    // followed again, up to the depth limit.
    zkVariantS current(*this);
    for (int depth = 0; depth < variantResolveDepthLimit; ++depth) {
      zkVariantS next;
      if (invokeDefaultMember(current, next) != 0) return 1;
      if (next.type != zkVarObject) {
        if (next.changeType(target) != 0) return 1;
        return next.copyTo(*this) == 0 ? 0 : 1;
      }
      next.copyTo(current);
    }
    return 1;
  }
  return convertPlain(*this, target);
}

uint32_t zkVariantS::convertCopy(zkVariantS& destination, uint32_t target) const {
  if (copyTo(destination) != 0) return 1;
  return destination.changeType(target);
}

uint32_t zkResolveVariantValue(const zkVariantS& source, zkVariantS& destination) {
  zkVariantS current(source);
  for (int depth = 0; depth < variantResolveDepthLimit; ++depth) {
    if (current.type != zkVarObject) return current.copyTo(destination);
    zkVariantS next;
    if (invokeDefaultMember(current, next) != 0) return 1;
    next.copyTo(current);
  }
  return current.type != zkVarObject ? current.copyTo(destination) : 1;
}

void zkFollowSymbolRefs(zkVariantS& v) {
  for (int step = 0; step < variantResolveDepthLimit && v.type == zkVarObject; ++step) {
    zkInterfacePtrT<zkIComSymbolRef> symbol;
    if (symbol.query(v.value.objectValue, zkIID_ISymbolRef) != 0) return;
    v.clear();
    symbol->GetValue(&v);
  }
}

bool variantArrayC::resize(uint64_t n) {
  if (n > 0 && !reservePages(n / 8 + 1)) return false;
  count = n;
  return true;
}
