// zkVariantS: the tagged value that crosses every object interface, and
// variantArrayC, the payload of an array variant.
//
// A variant is 16 bytes: a 64-bit value followed by the 32-bit type tag. The
// tag values are part of the contract with other modules. A variant owns its
// string (tag 4) and its array (tag 0x8000) and holds one reference on its
// object (tag 8); clearing releases what it owns and sets the tag to 0
// without zeroing the value. A tag this module does not know carries no
// payload: clearing ignores it and copying from it leaves the destination as
// it was.
//
// Conversions between numbers and text read and write numbers as the "C"
// locale spells them, so the decimal separator is always the full stop. They
// change no locale setting, of the process or of the calling thread, so they
// may run on many threads at once whatever locale the host has chosen. A failed conversion answers 1
// and leaves the variant unchanged. Allocation failure never throws: the
// operations that allocate answer 1 and leave the destination empty.
//
// Objects whose default member keeps yielding objects are followed at most
// `variantResolveDepthLimit` times; beyond that the conversion fails.
#pragma once

#include <cstddef>
#include <cstdint>

#include "abi/variant.h"
#include "memory/mem_man.h"
#include "memory/page_mem.h"

class str;
class zkIUnknown;
class variantArrayC;

// Default members followed while resolving an object to a plain value.
constexpr int variantResolveDepthLimit = 256;
// Arrays nested in arrays that a copy follows (an array holding no array
// counts 1); a deeper array fails the copy instead of exhausting the stack.
constexpr int variantArrayNestingLimit = 256;

// Name of a tag for diagnostics ("zkVarInt", ...; "unknown" otherwise).
const char* zkVariantTagName(uint32_t tag);

struct zkVariantS {
  union valueU {
    int32_t intValue;           // tag 1, low half
    double doubleValue;         // tag 2
    str* stringValue;           // tag 4
    zkIUnknown* objectValue;    // tag 8
    uint8_t boolValue;          // tag 16, lowest byte
    variantArrayC* arrayValue;  // tag 0x8000
    uint64_t bits;              // the raw 64 bits
  } value;
  uint32_t type;  // type tag

  zkVariantS() : type(zkVarEmpty) { value.bits = 0; }
  zkVariantS(const zkVariantS& other) : type(zkVarEmpty) {
    value.bits = 0;
    other.copyTo(*this);
  }
  zkVariantS& operator=(const zkVariantS& other) {
    other.copyTo(*this);
    return *this;
  }
  ~zkVariantS() { clear(); }

  // Releases the payload of tags 4, 8 and 0x8000; the tag becomes 0.
  void clear();

  void setInt(int32_t v);
  void setDouble(double v);
  void setBool(uint8_t v);  // the byte is stored unchanged
  // Stores a new str holding a copy of `text` (null gives an empty str).
  // Answers 0, or 1 when the str cannot be allocated (the variant is then
  // empty). `text` may point into this variant's own string.
  uint32_t setString(const char* text);
  // Null leaves the variant empty; otherwise AddRef and store. The object
  // may be the one this variant already holds.
  void setObject(zkIUnknown* object);
  // Takes ownership of `array` without copying (null leaves it empty).
  void setArray(variantArrayC* array);
  // Takes ownership of `text`, a str made with new, without copying (null
  // leaves the variant empty).
  void adoptString(str* text);

  // Tag 4: *text = the string's text ("" when it has no storage), answers 0.
  // Other tags: answers 1, *text untouched.
  uint32_t getString(const char** text) const;
  // Tag 8: AddRef, *object = the pointer, answers 0. Otherwise answers 1.
  uint32_t getObject(zkIUnknown** object) const;

  // Deep copy into `destination` (strings and arrays are copied, objects
  // shared with one more reference). Copying onto itself does nothing;
  // an unknown tag leaves the destination as it was. Answers 0, or 1 when an
  // allocation failed or arrays are nested deeper than
  // variantArrayNestingLimit (the destination is then empty).
  uint32_t copyTo(zkVariantS& destination) const;

  // Hands the payload to `destination` without copying it: the destination
  // is cleared, then takes this variant's value and tag, and this variant is
  // left empty. Moving onto itself does nothing.
  void moveTo(zkVariantS& destination);

  // Converts in place to `target`; answers 0, or 1 with the variant unchanged.
  // See variant.cpp for the rules.
  uint32_t changeType(uint32_t target);

  // copyTo(destination), then destination.changeType(target).
  uint32_t convertCopy(zkVariantS& destination, uint32_t target) const;
};

static_assert(sizeof(zkVariantS) == 16, "zkVariantS crosses module boundaries");
static_assert(offsetof(zkVariantS, value) == 0, "value at byte 0");
static_assert(offsetof(zkVariantS, type) == 8, "type tag at byte 8");
static_assert(sizeof(zkVariantS) == sizeof(zkVariantRecordS), "zkVariantS has the layout of zkVariantRecordS");

// Resolves `source` to a plain value: an object is replaced by the value of
// its default member (Invoke with a null name, kind 1, no arguments), again
// and again while that yields an object, at most variantResolveDepthLimit
// times. A non-object source is copied. Answers 0, or 1 when an object has
// no dispatch interface, its default member fails or the limit is reached
// (`destination` is then unspecified but valid).
uint32_t zkResolveVariantValue(const zkVariantS& source, zkVariantS& destination);

// While `v` holds an object answering "ZKSCR.SYMBOLREF", replaces it by the
// value that the symbol reference reads (at most variantResolveDepthLimit
// steps). Always succeeds.
void zkFollowSymbolRefs(zkVariantS& v);

// The growable array of variants behind tag 0x8000: a pageMemT of variants
// whose count is the array's count. Element i lives in page i / 8 at slot
// i % 8; pages are only added, never removed, until the array is destroyed.
//
// Arrays live only on the heap and are destroyed through their table's
// deleting destructor (slot 2, after getMemManager).
class variantArrayC : public pageMemT<zkVariantS> {
 public:
  variantArrayC() = default;
  ZK_DELETING_DESTRUCTOR(variantArrayC)
  variantArrayC(const variantArrayC&) = delete;
  variantArrayC& operator=(const variantArrayC&) = delete;

  // Sets the count to n and adds pages until there are at least n / 8 + 1
  // (none for n = 0). Answers false when a page cannot be allocated; the
  // count is then unchanged.
  bool resize(uint64_t n);

  // Element i, or null when i is not below the count.
  zkVariantS* at(uint64_t i) { return i < count ? &(*this)[i] : nullptr; }
  const zkVariantS* at(uint64_t i) const { return i < count ? &(*this)[i] : nullptr; }

 protected:
  ~variantArrayC() = default;
};
