// Type information of dispatchable objects: what a proxyObjectC answers to
// "ZKIIDTYPEINFO" (abi/type_info.h).
//
// proxyTypeInfoC reads the described object's method table and describes
// its members as new objects on every call: proxyMethodeTypeInfoC per method
// name (the range of argument counts its rows accept), proxyPropertyTypeInfoC
// per property accessor (whether a write row exists). Nothing is cached;
// each of the three holds one reference on the described object, given back
// when it is destroyed. All start with reference count 0; the creator takes
// the first reference.
//
// Names compare ignoring ASCII letter case when rows are looked up, as in
// dispatch; member lists are sorted and told apart by exact bytes, so rows
// "Reset" and "reset" give two entries, each described by the first row that
// matches ignoring case.
//
// Failure: the create functions answer null when memory runs out (or when
// there is no object to describe); the interface operations then answer 1
// and leave their out parameters alone.
#pragma once

#include <cstdint>

#include "abi/interface_ptr.h"
#include "abi/type_info.h"
#include "base/str.h"
#include "runtime/proxy_object.h"
#include "runtime/ref_object.h"

class proxyTypeInfoC final : public defRAVODWrapperT<proxyTypeInfoC, zkIComTypeInfo, &zkIID_ITypeInfo> {
 public:
  static proxyTypeInfoC* create(proxyObjectC* described);

  uint32_t GetMembers(uint32_t kindMask, zkIComObjectCollection** members) override;
  uint32_t GetMember(const char* name, uint32_t kindMask, zkIUnknown** member) override;
  ZK_DELETING_DESTRUCTOR(proxyTypeInfoC)

 private:
  explicit proxyTypeInfoC(proxyObjectC* described) : object(described) {}
  ~proxyTypeInfoC() = default;

  zkInterfacePtrT<proxyObjectC> object;  // the described object
};

class proxyMethodeTypeInfoC final
    : public defRAVODWrapperT<proxyMethodeTypeInfoC, zkIComMethodeTypeInfo, &zkIID_IMethodeTypeInfo> {
 public:
  // Describes the method `methodName` (a copy is kept; null keeps none):
  // over every method row of that name, ignoring case, with the parameter
  // counts compared as signed 32-bit values so that a row taking any number
  // (anyValue) counts as -1: minParams is the smallest (-1 read as 0),
  // optionalParams the largest (at least 0) minus minParams. Without such a
  // row both are 0.
  static proxyMethodeTypeInfoC* create(proxyObjectC* described, const char* methodName);

  uint32_t GetName(zkVariantS* out) override;
  uint32_t GetMinParams(uint32_t* out) override;
  uint32_t GetOptionalParams(uint32_t* out) override;
  ZK_DELETING_DESTRUCTOR(proxyMethodeTypeInfoC)

 private:
  explicit proxyMethodeTypeInfoC(proxyObjectC* described) : minParams(0), optionalParams(0), object(described) {}
  ~proxyMethodeTypeInfoC() = default;

  str name;                              // the method name
  uint32_t minParams;                    // fewest arguments any row accepts
  uint32_t optionalParams;               // most accepted minus minParams
  zkInterfacePtrT<proxyObjectC> object;  // the described object
};

class proxyPropertyTypeInfoC final
    : public defRAVODWrapperT<proxyPropertyTypeInfoC, zkIComPropertyTypeInfo, &zkIID_IPropetyTypeInfo> {
 public:
  // Describes the property `propertyName` (a copy is kept; null keeps
  // none); read-only unless a property-write row of that name exists,
  // ignoring case.
  static proxyPropertyTypeInfoC* create(proxyObjectC* described, const char* propertyName);

  uint32_t GetName(zkVariantS* out) override;
  uint32_t IsReadOnly(uint32_t* out) override;
  ZK_DELETING_DESTRUCTOR(proxyPropertyTypeInfoC)

 private:
  explicit proxyPropertyTypeInfoC(proxyObjectC* described) : object(described), readOnly(1) {}
  ~proxyPropertyTypeInfoC() = default;

  zkInterfacePtrT<proxyObjectC> object;  // the described object
  str name;                              // the property name
  uint32_t readOnly;                     // 1: no write row of that name
};
