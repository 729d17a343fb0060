// Every block the runtime takes from the module heap goes back: strings,
// arrays and their pages, argument lists, error objects, conversions.
#include <gtest/gtest.h>

#include "memory/module_heap.h"
#include "runtime/proxy_object.h"

namespace {

uint32_t readInt(void*, proxyAutoParaListC* args, proxyAutoTypeCastC*) {
  args->getArg(0).getInt();
  return 0;
}

const proxyMethodEntryS kRows[] = {{"Take", kindMethod, 1, &readInt}, {nullptr, 0, 0, nullptr}};

class balanceObjectC : public proxyObjectC {
 public:
  balanceObjectC() : proxyObjectC(kRows, true) {}

 protected:
  ~balanceObjectC() override = default;
};

void exercise() {
  zkVariantS text;
  text.setString("12.5");
  zkVariantS number;
  text.convertCopy(number, zkVarDouble);
  number.changeType(zkVarString);
  variantArrayC* inner = new variantArrayC;
  inner->resize(9);
  inner->at(8)->setString("deep");
  zkVariantS array;
  array.setArray(new variantArrayC);
  array.value.arrayValue->resize(3);
  array.value.arrayValue->at(2)->setArray(inner);
  zkVariantS copy(array);
  copy.value.arrayValue->at(2)->copyTo(copy);
  balanceObjectC* object = new balanceObjectC;
  zkIUnknown* error = nullptr;
  object->Invoke("Take", kindMethod, 1, &text, &number, &error);  // a string: fails with an error object
  if (error != nullptr) error->Release();
  object->Release();
}

uint64_t outstandingBlocks() {
  lockGuardC guard(modulePoolLock());
  return modulePool().outstanding;
}

TEST(HeapBalance, RuntimeReturnsEveryBlock) {
  exercise();  // first use may create lasting state (tables, pages)
  const uint64_t before = outstandingBlocks();
  exercise();
  EXPECT_EQ(before, outstandingBlocks());
}

}  // namespace
