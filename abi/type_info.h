// Type information and object collections.
//
// A caller that wants to know which members a dispatchable object offers
// asks it for "ZKIIDTYPEINFO" and gets a new zkIComTypeInfo. That object
// describes the members as further objects: one zkIComMethodeTypeInfo per
// method (with its range of accepted argument counts) and one
// zkIComPropertyTypeInfo per property accessor (with its read-only flag),
// handed out one by one (GetMember) or as a zkIComObjectCollection
// (GetMembers). Every query creates new objects; each keeps the described
// object alive until it is released.
//
// Slot orders are binding: the three zkIUnknown slots, then the operations
// below in this order. The implementing objects' tables continue with their
// deleting destructor, which only the objects themselves call. Every
// operation answers an unsigned 32-bit status, 0 for success; a failure
// leaves the out parameters as they were. A null out pointer answers 1.
#pragma once

#include <cstdint>

#include "abi/interfaces.h"

struct zkVariantS;

// "ZKCOMOBJCOLL": an ordered list of objects, each held with one reference.
class zkIComObjectCollection : public zkIUnknown {
 public:
  // Stores the number of elements.
  virtual uint32_t GetCount(uint32_t* count) = 0;
  // Stores element `index` with one reference added for the caller (null for
  // an empty element). An index not below the count answers 1.
  virtual uint32_t GetItem(uint32_t index, zkIUnknown** item) = 0;

 protected:
  ~zkIComObjectCollection() = default;
};

// "ZKIIDMETHTYPEINFO": one method of the described object.
class zkIComMethodeTypeInfo : public zkIUnknown {
 public:
  // Sets *name to a text value with the method's name.
  virtual uint32_t GetName(zkVariantS* name) = 0;
  // The smallest argument count any overload accepts (an overload that takes
  // any number of arguments counts as accepting 0).
  virtual uint32_t GetMinParams(uint32_t* count) = 0;
  // The largest accepted argument count minus the smallest.
  virtual uint32_t GetOptionalParams(uint32_t* count) = 0;

 protected:
  ~zkIComMethodeTypeInfo() = default;
};

// "ZKIIDPROPTYPEINFO": one property accessor (read or write) of the
// described object.
class zkIComPropertyTypeInfo : public zkIUnknown {
 public:
  // Sets *name to a text value with the property's name.
  virtual uint32_t GetName(zkVariantS* name) = 0;
  // 1 when the property cannot be assigned, else 0.
  virtual uint32_t IsReadOnly(uint32_t* readOnly) = 0;

 protected:
  ~zkIComPropertyTypeInfo() = default;
};

// "ZKIIDTYPEINFO": the members of one object. A kind mask combines the
// member kinds of interfaces.h as bits: kindMethod (1), kindPropertyGet (2),
// kindPropertyPut (4).
class zkIComTypeInfo : public zkIUnknown {
 public:
  // Stores a new collection (one reference for the caller) describing every
  // member of the kinds in `kindMask`: member names in ascending byte order,
  // each distinct name once, and per name its method
  // (zkIComMethodeTypeInfo), then its property read and its property write
  // (zkIComPropertyTypeInfo each). An object without members gives an empty
  // collection. Answers 1 only when memory runs out.
  virtual uint32_t GetMembers(uint32_t kindMask, zkIComObjectCollection** members) = 0;
  // Describes the member `name` (letter case ignored) of the first kind set
  // in `kindMask`, in the order method, property read, property write; later
  // bits are not looked at. Stores a new zkIComMethodeTypeInfo (method) or
  // zkIComPropertyTypeInfo (property), one reference for the caller, named
  // as the caller spelled it. Answers 1 when the object has no member of that
  // name and kind, or no kind bit is set.
  virtual uint32_t GetMember(const char* name, uint32_t kindMask, zkIUnknown** member) = 0;

 protected:
  ~zkIComTypeInfo() = default;
};
