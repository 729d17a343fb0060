// Listing an object's members through its type information.
#include "host/zkconv_members.h"

#include <cstdint>

#include "abi/interface_ptr.h"
#include "abi/type_info.h"
#include "host/host_variant.h"

namespace {

// "3 arguments", "1 to 3 arguments".
std::string argumentRange(uint32_t fewest, uint32_t optional) {
  const uint64_t most = uint64_t{fewest} + optional;
  std::string text = std::to_string(fewest);
  if (optional != 0) text += " to " + std::to_string(most);
  return text + (most == 1 ? " argument" : " arguments");
}

}  // namespace

bool printMembers(zkIUnknown* object, const std::string& title, std::FILE* output, std::string* error) {
  zkInterfacePtrT<zkIComTypeInfo> info;
  zkInterfacePtrT<zkIComObjectCollection> members;
  uint32_t count = 0;
  if (info.query(object, zkIID_ITypeInfo) != 0 ||
      info->GetMembers(kindMethod | kindPropertyGet | kindPropertyPut, members.out()) != 0 || !members ||
      members->GetCount(&count) != 0) {
    *error = "the " + title + " does not describe its members";
    return false;
  }
  std::fprintf(output, "%s\n", title.c_str());
  for (uint32_t i = 0; i < count; ++i) {
    zkInterfacePtrT<zkIUnknown> item;
    zkInterfacePtrT<zkIComMethodeTypeInfo> method;
    zkInterfacePtrT<zkIComPropertyTypeInfo> property;
    hostVariantC name;
    uint32_t first = 0, second = 0;
    if (members->GetItem(i, item.out()) != 0) continue;
    if (method.query(item.get(), zkIID_IMethodeTypeInfo) == 0 && method->GetName(name.out()) == 0 &&
        method->GetMinParams(&first) == 0 && method->GetOptionalParams(&second) == 0) {
      std::fprintf(output, "  method    %-20s %s\n", name.text().c_str(), argumentRange(first, second).c_str());
    } else if (property.query(item.get(), zkIID_IPropetyTypeInfo) == 0 && property->GetName(name.out()) == 0 &&
               property->IsReadOnly(&first) == 0) {
      std::fprintf(output, "  property  %-20s %s\n", name.text().c_str(), first != 0 ? "read-only" : "writable");
    }
  }
  return true;
}
