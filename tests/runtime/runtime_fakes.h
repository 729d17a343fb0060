// Readable variants and counting fakes for the runtime tests. Every fake
// starts with one reference held by the test and never destroys itself; a
// Release that would drop the count to 0 fails the test.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "abi/interfaces.h"
#include "runtime/variant.h"
#include "tests/support/variant_text.h"

struct countingRefC {
  uint32_t addRefCalls = 0, releaseCalls = 0, refs = 1;
};  // refs: the test's own one

// Only the test's own reference is left, every AddRef had its Release.
inline ::testing::AssertionResult balanced(const countingRefC& fake) {
  if (fake.refs == 1 && fake.addRefCalls == fake.releaseCalls) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "refs " << fake.refs << ", AddRef " << fake.addRefCalls << ", Release "
                                       << fake.releaseCalls;
}

// Answers "ZKIIDUNK" and `Id` with itself.
template <class Interface, const zkIIDS* Id>
class fakeT : public Interface, public countingRefC {
 public:
  uint32_t QueryInterface(const zkIIDS* id, void** out) override {
    if (!id->equal(zkIID_IUnknown) && !id->equal(*Id)) return 2;
    *out = static_cast<Interface*>(this);
    AddRef();
    return 0;
  }
  uint32_t AddRef() override {
    ++addRefCalls;
    return ++refs;
  }
  uint32_t Release() override {
    ++releaseCalls;
    if (refs > 1) return --refs;
    ADD_FAILURE() << "fake released more often than referenced";
    return refs;
  }
};

using fakeUnknownC = fakeT<zkIUnknown, &zkIID_IUnknown>;

// Its default member (null or "" name, a method call) yields `defaultValue`
// unless `failDefault`; other names fail unless `answerAnyCall`. With `echo`
// every answer is the call itself as text: "name/kind/argument,argument".
class fakeDispatchC : public fakeT<zkIDispatch, &zkIID_IDispatch> {
 public:
  zkVariantS defaultValue;
  bool failDefault = false, answerAnyCall = false, echo = false;
  uint32_t invokeCalls = 0;
  std::string lastName;

  uint32_t Invoke(const char* name, uint32_t kind, uint32_t paramCount, const zkVariantS* params, zkVariantS* result,
                  zkIUnknown** errorOut) override {
    ++invokeCalls;
    lastName = name != nullptr ? name : "<null>";
    const bool isDefault = (name == nullptr || *name == '\0') && kind == kindMethod;
    if (isDefault ? failDefault : !answerAnyCall) {
      if (errorOut != nullptr) *errorOut = nullptr;
      return 1;
    }
    std::string call = lastName + "/" + std::to_string(kind) + "/";
    for (uint32_t i = 0; i < paramCount; ++i) call += (i > 0 ? "," : "") + variantText(params[i]);
    if (result != nullptr && echo) result->setString(call.c_str());
    if (result != nullptr && !echo) defaultValue.copyTo(*result);
    return 0;
  }
};

// A symbol reference that reads as `value`.
class fakeSymbolRefC : public fakeT<zkIComSymbolRef, &zkIID_ISymbolRef> {
 public:
  zkVariantS value;

  uint32_t ReservedSlot() override {
    ADD_FAILURE() << "the fourth slot is never called";
    return 1;
  }
  uint32_t GetValue(zkVariantS* destination) override {
    EXPECT_EQ(zkVarEmpty, destination->type) << "destination must be cleared first";
    value.copyTo(*destination);
    return 0;
  }
};

// An array variant holding `levels` arrays in one another (levels >= 1), the
// innermost one holding the integer 1.
inline zkVariantS nestedArray(int levels) {
  zkVariantS outer;
  zkVariantS* slot = &outer;
  for (int level = 0; level < levels; ++level) {
    variantArrayC* array = new variantArrayC;
    EXPECT_TRUE(array != nullptr && array->resize(1));
    slot->setArray(array);
    slot = array->at(0);
  }
  slot->setInt(1);
  return outer;
}
