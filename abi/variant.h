// The variant as it crosses an interface: its type tags and its layout.
//
// A variant is 16 bytes: a 64-bit value at byte 0 followed by the 32-bit
// type tag at byte 8. A text value (tag 4) points to a string object of the
// module that made it, an array value (tag 0x8000) to an array object of
// that module; an object value (tag 8) holds one reference. Whoever receives
// a variant owns what it holds and gives it back through the object's own
// table, never by freeing it directly: a string or an array through its
// deleting destructor (zkIMemManObject, abi/mem_man_object.h, with
// deleteStorageFlag), an object through Release.
//
// The object runtime's zkVariantS has exactly this layout. A host that does
// not link the runtime builds and reads variants as zkVariantRecordS and
// passes them where interfaces take a zkVariantS.
#pragma once

#include <cstddef>
#include <cstdint>

class zkIUnknown;

enum : uint32_t {
  zkVarEmpty = 0,       // no value
  zkVarInt = 1,         // signed 32-bit integer
  zkVarDouble = 2,      // IEEE double
  zkVarString = 4,      // owned string object, never null
  zkVarObject = 8,      // interface pointer holding one reference, never null
  zkVarBool = 16,       // one byte, non-zero is true
  zkVarArray = 0x8000,  // owned array object, never null
};

struct zkVariantRecordS {
  union {
    int32_t intValue;         // tag 1, low half
    double doubleValue;       // tag 2
    void* stringValue;        // tag 4
    zkIUnknown* objectValue;  // tag 8
    uint8_t boolValue;        // tag 16, lowest byte
    void* arrayValue;         // tag 0x8000
    uint64_t bits;            // the raw 64 bits
  } value;
  uint32_t type;  // type tag
};

static_assert(sizeof(zkVariantRecordS) == 16, "a variant is 16 bytes");
static_assert(offsetof(zkVariantRecordS, value) == 0, "value at byte 0");
static_assert(offsetof(zkVariantRecordS, type) == 8, "type tag at byte 8");
