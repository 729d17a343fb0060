// An object's members as readable lines, read through its type information
// the way a host reads them: "method Convert 0+3" (name, fewest arguments,
// optional ones), "property Value read-only", "property Size writable".
#pragma once

#include <string>
#include <vector>

#include "abi/interface_ptr.h"
#include "abi/type_info.h"
#include "runtime/variant.h"
#include "tests/support/variant_text.h"

namespace membertest {

// The text GetName stored, or "<no name>" when it failed.
inline std::string nameOf(uint32_t status, const zkVariantS& name) {
  return status == 0 ? variantText(name) : "<no name>";
}

// One line for a collection element or a GetMember answer.
inline std::string describeMember(zkIUnknown* member) {
  zkInterfacePtrT<zkIComMethodeTypeInfo> method;
  zkInterfacePtrT<zkIComPropertyTypeInfo> property;
  zkVariantS name;
  uint32_t first = 0xDEAD, second = 0xDEAD;
  if (method.query(member, zkIID_IMethodeTypeInfo) == 0) {
    const std::string text = nameOf(method->GetName(&name), name);
    if (method->GetMinParams(&first) != 0 || method->GetOptionalParams(&second) != 0) return "method " + text + " ?";
    return "method " + text + " " + std::to_string(first) + "+" + std::to_string(second);
  }
  if (property.query(member, zkIID_IPropetyTypeInfo) == 0) {
    const std::string text = nameOf(property->GetName(&name), name);
    if (property->IsReadOnly(&first) != 0) return "property " + text + " ?";
    return "property " + text +
           (first == 1   ? " read-only"
            : first == 0 ? " writable"
                         : " flag " + std::to_string(first));
  }
  return member == nullptr ? "<null>" : "<neither kind>";
}

// Every element of a collection, in order.
inline std::vector<std::string> describeAll(zkIComObjectCollection* collection) {
  std::vector<std::string> lines;
  uint32_t count = 0;
  if (collection->GetCount(&count) != 0) return {"<no count>"};
  for (uint32_t i = 0; i < count; ++i) {
    zkInterfacePtrT<zkIUnknown> item;
    lines.push_back(collection->GetItem(i, item.out()) == 0 ? describeMember(item.get()) : "<no item>");
  }
  return lines;
}

// The members of `object` of the kinds in `mask`, through "ZKIIDTYPEINFO".
inline std::vector<std::string> listMembers(zkIUnknown* object, uint32_t mask) {
  zkInterfacePtrT<zkIComTypeInfo> info;
  if (info.query(object, zkIID_ITypeInfo) != 0) return {"<no type information>"};
  zkIComObjectCollection* collection = nullptr;
  if (info->GetMembers(mask, &collection) != 0 || collection == nullptr) return {"<GetMembers failed>"};
  zkInterfacePtrT<zkIComObjectCollection> held;
  held.attach(collection);
  return describeAll(collection);
}

}  // namespace membertest
