// Variants as a host that does not link the object runtime makes and reads them.
#include "host/host_variant.h"

#include <utility>

#include "abi/interfaces.h"

hostTextC::hostTextC(std::string textIn) : characters(std::move(textIn)) {
  text.buffer.data = &characters[0];
  text.buffer.size = characters.size() + 1;
}

zkVariantRecordS hostTextC::argument() {
  zkVariantRecordS value{};
  value.value.stringValue = &text;
  value.type = zkVarString;
  return value;
}

void hostVariantC::clear() {
  switch (record.type) {
    case zkVarString:
      static_cast<zkIMemManObject*>(record.value.stringValue)->deletingDestructor(deleteStorageFlag);
      break;
    case zkVarArray:
      static_cast<zkIMemManObject*>(record.value.arrayValue)->deletingDestructor(deleteStorageFlag);
      break;
    case zkVarObject:
      record.value.objectValue->Release();
      break;
    default:
      break;
  }
  record = zkVariantRecordS{};
}

std::string hostVariantC::text() const {
  return record.type == zkVarString ? std::string(zkTextOf(record.value.stringValue)) : std::string();
}
