// An object's members as readable lines, read through its type information
// the way a host reads them: "method Convert 0+3" (name, fewest arguments,
// optional ones), "property Value read-only", "property Size writable".
#pragma once

#include <string>
#include <vector>

#include "abi/interface_ptr.h"
#include "abi/type_info.h"
#include "tests/support/variant_text.h"

namespace membertest {

// One line for a collection element or a GetMember answer; a getter that
// fails shows as "?".
inline std::string describeMember(zkIUnknown* member) {
  zkInterfacePtrT<zkIComMethodeTypeInfo> method;
  zkInterfacePtrT<zkIComPropertyTypeInfo> property;
  zkVariantS name;
  uint32_t first = 0, second = 0;
  if (method.query(member, zkIID_IMethodeTypeInfo) == 0) {
    if (method->GetName(&name) != 0 || method->GetMinParams(&first) != 0 || method->GetOptionalParams(&second) != 0)
      return "method ?";
    return "method " + variantText(name) + " " + std::to_string(first) + "+" + std::to_string(second);
  }
  if (property.query(member, zkIID_IPropetyTypeInfo) == 0) {
    if (property->GetName(&name) != 0 || property->IsReadOnly(&first) != 0) return "property ?";
    return "property " + variantText(name) + (first == 0 ? " writable" : first == 1 ? " read-only" : " flag ?");
  }
  return "<neither kind>";
}

// Every element of a collection, in order.
inline std::vector<std::string> describeAll(zkIComObjectCollection* collection) {
  std::vector<std::string> lines;
  uint32_t count = 0;
  collection->GetCount(&count);
  for (uint32_t i = 0; i < count; ++i) {
    zkInterfacePtrT<zkIUnknown> item;
    lines.push_back(collection->GetItem(i, item.out()) == 0 ? describeMember(item.get()) : "<no item>");
  }
  return lines;
}

// The members of `object` of the kinds in `mask`, through "ZKIIDTYPEINFO".
inline std::vector<std::string> listMembers(zkIUnknown* object, uint32_t mask) {
  zkInterfacePtrT<zkIComTypeInfo> info;
  zkInterfacePtrT<zkIComObjectCollection> members;
  if (info.query(object, zkIID_ITypeInfo) != 0) return {"<no type information>"};
  if (info->GetMembers(mask, members.out()) != 0 || !members) return {"<GetMembers failed>"};
  return describeAll(members.get());
}

}  // namespace membertest
