// Variants as a host without the object runtime makes and reads them.
#include "host/host_variant.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "abi/interfaces.h"
#include "abi/text_object.h"

namespace {

// A text argument reads as its characters through the string object's
// layout, zero byte counted in its size.
TEST(HostVariant, TextArgumentsHaveTheStringObjectsLayout) {
  for (const std::string& text : {std::string(), std::string("UTF-8"), std::string(300, 'x')}) {
    hostTextC argument(text);
    const zkVariantRecordS value = argument.argument();
    ASSERT_EQ(zkVarString, value.type);
    const auto* record = static_cast<const zkTextObjectRecordS*>(value.value.stringValue);
    EXPECT_EQ(text, zkTextOf(record));
    EXPECT_EQ(text.size() + 1, record->size);
    EXPECT_EQ('\0', record->data[text.size()]);
  }
}

// A payload in the module's text or array layout, recording how it was
// given back.
class fakeModuleObjectC final : public zkIMemManObject {
 public:
  memManSystemC* getMemManager(bool) override { return nullptr; }
  void* deletingDestructor(uint32_t flags) override {
    ++calls;
    lastFlags = flags;
    return this;
  }
  void* bufferTable = nullptr;
  const char* data = "text";
  uint64_t size = 5;
  int calls = 0;
  uint32_t lastFlags = 0;
};

class fakeObjectC final : public zkIUnknown {
 public:
  uint32_t QueryInterface(const zkIIDS*, void** out) override {
    *out = nullptr;
    return 1;
  }
  uint32_t AddRef() override { return ++refs; }
  uint32_t Release() override { return --refs; }
  uint32_t refs = 1;
};

// What a module wrote into the out parameter.
void answer(hostVariantC& variant, uint32_t type, void* payload) {
  zkVariantRecordS record{};
  record.type = type;
  if (type == zkVarInt) {
    record.value.intValue = 7;
  } else {
    record.value.stringValue = payload;
  }
  std::memcpy(static_cast<void*>(variant.out()), &record, sizeof record);
}

// Clearing gives a text or an array back through its deleting destructor
// with the storage flag, an object through Release; so does asking for the
// out parameter again and destroying the variant.
TEST(HostVariant, PayloadsGoBackThroughTheirOwnTables) {
  for (const uint32_t type : {uint32_t{zkVarString}, uint32_t{zkVarArray}}) {
    SCOPED_TRACE("tag " + std::to_string(type));
    fakeModuleObjectC payload;
    {
      hostVariantC variant;
      answer(variant, type, &payload);
      EXPECT_EQ(type == zkVarString ? "text" : "", variant.text());
      variant.out();
      EXPECT_EQ(1, payload.calls) << "given back before the next answer";
      EXPECT_EQ(deleteStorageFlag, payload.lastFlags);
      EXPECT_EQ(zkVarEmpty, variant.type());
      answer(variant, type, &payload);
    }
    EXPECT_EQ(2, payload.calls) << "given back by the destructor";
  }
  fakeObjectC object;
  {
    hostVariantC variant;
    answer(variant, zkVarObject, static_cast<zkIUnknown*>(&object));
    variant.clear();
    EXPECT_EQ(0u, object.refs);
    variant.clear();
    EXPECT_EQ(0u, object.refs) << "released once";
    answer(variant, zkVarInt, nullptr);
    EXPECT_EQ(7, variant.intValue());
    EXPECT_EQ("", variant.text());
  }
}

}  // namespace
