// Type information: member lists and member descriptions computed from a
// dispatchable object's method rows.
#include "runtime/type_info.h"

#include "memory/page_mem.h"
#include "runtime/object_collection.h"
#include "runtime/variant.h"

namespace {

using memberCollectionC = zkClassObjectCollectionT<zkIUnknown>;

// Copies `text` into `name`; false when a given text could not be stored.
bool keepName(str& name, const char* text) {
  name = text;
  return text == nullptr || name.hasStorage();
}

// Appends a new description to `collection`; false when memory runs out.
template <class DescriptionT>
bool addDescription(memberCollectionC& collection, proxyObjectC* object, const char* name) {
  zkInterfacePtrT<zkIUnknown> member(DescriptionT::create(object, name));
  return member && collection.add(member.get()) == 0;
}

// Stores a new description with one reference for the caller.
template <class DescriptionT>
uint32_t handOut(proxyObjectC* object, const char* name, zkIUnknown** out) {
  DescriptionT* member = DescriptionT::create(object, name);
  if (member == nullptr) return 1;
  member->AddRef();
  *out = member;
  return 0;
}

}  // namespace

// ---- proxyTypeInfoC -----------------------------------------------------------

proxyTypeInfoC* proxyTypeInfoC::create(proxyObjectC* described) {
  if (described == nullptr) return nullptr;
  return new proxyTypeInfoC(described);
}

// The row names are copied and sorted (case-sensitive, byte order), so equal
// names lie side by side and each distinct text is described once; the rows
// themselves are then looked up ignoring case, as dispatch does.
uint32_t proxyTypeInfoC::GetMembers(uint32_t kindMask, zkIComObjectCollection** members) {
  if (members == nullptr) return 1;
  zkInterfacePtrT<memberCollectionC> collection(memberCollectionC::create());
  if (!collection) return 1;

  const proxyMethodTableS& table = object->methodTable();
  const uint32_t rowCount = table.count();
  pageMemT<str, 3> names;
  for (uint32_t i = 0; i < rowCount; ++i) {
    str* slot = names.nextSlot();
    const char* name = table.nameAt(static_cast<int>(i));
    if (slot == nullptr || !keepName(*slot, name != nullptr ? name : "")) return 1;
  }
  names.sort(names.size());

  proxyObjectC* described = object.get();
  for (uint64_t i = 0; i < names.size(); ++i) {
    if (i + 1 < names.size() && names[i] == names[i + 1].c_str()) continue;
    const char* name = names[i].c_str();
    const proxyMethodEntryS* row = nullptr;
    if ((kindMask & kindMethod) != 0 && (row = table.find(name, kindMethod)) != nullptr &&
        !addDescription<proxyMethodeTypeInfoC>(*collection.get(), described, row->name)) {
      return 1;
    }
    if ((kindMask & kindPropertyGet) != 0 && (row = table.find(name, kindPropertyGet)) != nullptr &&
        !addDescription<proxyPropertyTypeInfoC>(*collection.get(), described, row->name)) {
      return 1;
    }
    if ((kindMask & kindPropertyPut) != 0 && (row = table.find(name, kindPropertyPut)) != nullptr &&
        !addDescription<proxyPropertyTypeInfoC>(*collection.get(), described, row->name)) {
      return 1;
    }
  }
  *members = collection.detach();
  return 0;
}

// Only the first kind bit set counts: a method query that finds no method
// fails even when the mask also asks for properties.
uint32_t proxyTypeInfoC::GetMember(const char* name, uint32_t kindMask, zkIUnknown** member) {
  if (member == nullptr) return 1;
  const proxyMethodTableS& table = object->methodTable();
  if ((kindMask & kindMethod) != 0) {
    if (table.find(name, kindMethod) == nullptr) return 1;
    return handOut<proxyMethodeTypeInfoC>(object.get(), name, member);
  }
  const uint32_t kind = (kindMask & kindPropertyGet) != 0 ? kindPropertyGet : kindMask & kindPropertyPut;
  if (kind == 0 || table.find(name, kind) == nullptr) return 1;
  return handOut<proxyPropertyTypeInfoC>(object.get(), name, member);
}

// ---- proxyMethodeTypeInfoC ------------------------------------------------------

proxyMethodeTypeInfoC* proxyMethodeTypeInfoC::create(proxyObjectC* described, const char* methodName) {
  if (described == nullptr) return nullptr;
  proxyMethodeTypeInfoC* info = new proxyMethodeTypeInfoC(described);
  if (info == nullptr) return nullptr;
  if (!keepName(info->name, methodName)) {
    deleteObject(info);
    return nullptr;
  }
  // The smallest count starts from the first row rather than from a fixed
  // ceiling, so that rows taking more than 65536 arguments report their own
  // minimum. The largest starts at 0, which makes a method whose only rows
  // take any number report 0 and 0.
  const proxyMethodTableS& table = described->methodTable();
  bool seen = false;
  int32_t smallest = 0;
  int32_t largest = 0;
  for (const proxyMethodEntryS* row = table.find(methodName, kindMethod); row != nullptr;
       row = table.find(methodName, kindMethod, row + 1)) {
    const int32_t count = static_cast<int32_t>(row->paramCount);
    if (!seen || count < smallest) smallest = count;
    if (count > largest) largest = count;
    seen = true;
  }
  if (smallest == -1) smallest = 0;
  info->minParams = static_cast<uint32_t>(smallest);
  // Unsigned, so that extreme counts wrap instead of overflowing.
  info->optionalParams = static_cast<uint32_t>(largest) - static_cast<uint32_t>(smallest);
  return info;
}

uint32_t proxyMethodeTypeInfoC::GetName(zkVariantS* out) {
  if (out == nullptr) return 1;
  return out->setString(name.c_str());
}

uint32_t proxyMethodeTypeInfoC::GetMinParams(uint32_t* out) {
  if (out == nullptr) return 1;
  *out = minParams;
  return 0;
}

uint32_t proxyMethodeTypeInfoC::GetOptionalParams(uint32_t* out) {
  if (out == nullptr) return 1;
  *out = optionalParams;
  return 0;
}

// ---- proxyPropertyTypeInfoC -----------------------------------------------------

proxyPropertyTypeInfoC* proxyPropertyTypeInfoC::create(proxyObjectC* described, const char* propertyName) {
  if (described == nullptr) return nullptr;
  proxyPropertyTypeInfoC* info = new proxyPropertyTypeInfoC(described);
  if (info == nullptr) return nullptr;
  if (!keepName(info->name, propertyName)) {
    deleteObject(info);
    return nullptr;
  }
  if (described->methodTable().find(propertyName, kindPropertyPut) != nullptr) info->readOnly = 0;
  return info;
}

uint32_t proxyPropertyTypeInfoC::GetName(zkVariantS* out) {
  if (out == nullptr) return 1;
  return out->setString(name.c_str());
}

uint32_t proxyPropertyTypeInfoC::IsReadOnly(uint32_t* out) {
  if (out == nullptr) return 1;
  *out = readOnly;
  return 0;
}
