// Counting fakes for the runtime tests.
//
// Every fake starts with one reference held by the test and never destroys
// itself: a Release that would drop the count to 0 is a test failure, so a
// test can assert exact counts before and after the code under test.
// Operations a fake must not receive fail the test.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "runtime/interfaces.h"
#include "runtime/variant.h"

// Counting part shared by the fakes.
class countingRefC {
 public:
  uint32_t addRefCalls = 0;
  uint32_t releaseCalls = 0;
  uint32_t refs = 1;  // the test's own reference

  uint32_t addRef() {
    ++addRefCalls;
    return ++refs;
  }
  uint32_t release() {
    ++releaseCalls;
    if (refs <= 1) {
      ADD_FAILURE() << "fake released more often than referenced";
      return refs;
    }
    return --refs;
  }
};

// An object with only zkIUnknown.
class fakeUnknownC : public zkIUnknown, public countingRefC {
 public:
  uint32_t QueryInterface(const zkIIDS* id, void** out) override {
    if (!id->equal(zkIID_IUnknown)) return 2;
    addRef();
    *out = static_cast<zkIUnknown*>(this);
    return 0;
  }
  uint32_t AddRef() override { return addRef(); }
  uint32_t Release() override { return release(); }
};

// A dispatch object whose default member (null or "" name, kind 1, no
// arguments) yields `defaultValue`; it records the last call it received.
// `failDefault` makes the default member fail.
class fakeDispatchC : public zkIDispatch, public countingRefC {
 public:
  zkVariantS defaultValue;
  bool failDefault = false;
  uint32_t invokeCalls = 0;
  std::string lastName;
  uint32_t lastKind = 0;
  uint32_t lastParamCount = 0;
  zkVariantS lastFirstParam;
  bool answerAnyCall = false;  // other names succeed with defaultValue too

  uint32_t QueryInterface(const zkIIDS* id, void** out) override {
    if (!id->equal(zkIID_IUnknown) && !id->equal(zkIID_IDispatch)) return 2;
    addRef();
    *out = static_cast<zkIDispatch*>(this);
    return 0;
  }
  uint32_t AddRef() override { return addRef(); }
  uint32_t Release() override { return release(); }
  uint32_t Invoke(const char* name, uint32_t kind, uint32_t paramCount,
                  const zkVariantS* params, zkVariantS* result,
                  zkIUnknown** errorOut) override {
    ++invokeCalls;
    lastName = name != nullptr ? name : "<null>";
    lastKind = kind;
    lastParamCount = paramCount;
    lastFirstParam.clear();
    if (paramCount > 0) params[0].copyTo(lastFirstParam);
    const bool isDefault = (name == nullptr || *name == '\0') && kind == kindMethod;
    if ((!isDefault && !answerAnyCall) || (isDefault && failDefault)) {
      if (errorOut != nullptr) *errorOut = nullptr;
      return 1;
    }
    if (result != nullptr) defaultValue.copyTo(*result);
    return 0;
  }
};

// A symbol reference that reads as `value`. The slot it never expects to be
// called fails the test.
class fakeSymbolRefC : public zkIComSymbolRef, public countingRefC {
 public:
  zkVariantS value;
  uint32_t getValueCalls = 0;

  uint32_t QueryInterface(const zkIIDS* id, void** out) override {
    if (!id->equal(zkIID_IUnknown) && !id->equal(zkIID_ISymbolRef)) return 2;
    addRef();
    *out = static_cast<zkIComSymbolRef*>(this);
    return 0;
  }
  uint32_t AddRef() override { return addRef(); }
  uint32_t Release() override { return release(); }
  uint32_t ReservedSlot() override {
    ADD_FAILURE() << "the fourth slot of a symbol reference is never called";
    return 1;
  }
  uint32_t GetValue(zkVariantS* destination) override {
    ++getValueCalls;
    EXPECT_EQ(zkVarEmpty, destination->type) << "destination must be cleared first";
    value.copyTo(*destination);
    return 0;
  }
};

// Readable form of a variant for failure messages: tag name and value.
inline std::string describeVariant(const zkVariantS& v) {
  std::string out = zkVariantTagName(v.type);
  char buffer[64];
  switch (v.type) {
    case zkVarInt:
      std::snprintf(buffer, sizeof buffer, " %d", static_cast<int>(v.value.intValue));
      return out + buffer;
    case zkVarDouble:
      std::snprintf(buffer, sizeof buffer, " %.17g", v.value.doubleValue);
      return out + buffer;
    case zkVarBool:
      std::snprintf(buffer, sizeof buffer, " 0x%02X", static_cast<unsigned>(v.value.boolValue));
      return out + buffer;
    case zkVarString: {
      const char* text = nullptr;
      v.getString(&text);
      return out + " \"" + text + "\"";
    }
    case zkVarObject:
      std::snprintf(buffer, sizeof buffer, " %p", static_cast<void*>(v.value.objectValue));
      return out + buffer;
    case zkVarEmpty:
      return out;
    default:
      std::snprintf(buffer, sizeof buffer, " (tag %u)", static_cast<unsigned>(v.type));
      return out + buffer;
  }
}
