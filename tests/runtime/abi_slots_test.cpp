// The interface tables as another module sees them: each operation is called
// through its raw slot number with the plain calling convention of a member
// function (the object pointer first), as a caller compiled elsewhere would.
#include <gtest/gtest.h>

#include "runtime/proxy_call_error.h"
#include "runtime/proxy_object.h"
#include "runtime/variant.h"

namespace {

template <class Fn>
Fn slot(void* interfacePointer, int index) {
  void** table = *static_cast<void***>(interfacePointer);
  return reinterpret_cast<Fn>(table[index]);
}

typedef uint32_t (*queryFn)(void*, const zkIIDS*, void**);
typedef uint32_t (*countFn)(void*);
typedef uint32_t (*invokeFn)(void*, const char*, uint32_t, uint32_t, const zkVariantS*,
                             zkVariantS*, zkIUnknown**);
typedef uint32_t (*outU32Fn)(void*, uint32_t*);
typedef uint32_t (*outVariantFn)(void*, zkVariantS*);

uint32_t answerSeven(void*, proxyAutoParaListC*, proxyAutoTypeCastC* result) {
  result->setInt(7);
  return 0;
}

const proxyMethodEntryS kRows[] = {{"Seven", kindMethod, 0, &answerSeven},
                                   {nullptr, 0, 0, nullptr}};

class slotObjectC : public proxyObjectC {
 public:
  slotObjectC() : proxyObjectC(kRows, true) {}

 protected:
  ~slotObjectC() override = default;
};

TEST(AbiSlots, DispatchAndMemberTables) {
  slotObjectC* object = new slotObjectC;
  void* dispatch = static_cast<zkIDispatch*>(object);
  EXPECT_EQ(2u, slot<countFn>(dispatch, 1)(dispatch)) << "slot 1 is AddRef";
  EXPECT_EQ(1u, slot<countFn>(dispatch, 2)(dispatch)) << "slot 2 is Release";

  zkVariantS result;
  EXPECT_EQ(0u, slot<invokeFn>(dispatch, 3)(dispatch, "seven", kindMethod, 0, nullptr, &result,
                                            nullptr))
      << "slot 3 is Invoke";
  EXPECT_EQ(7, result.value.intValue);

  void* native = nullptr;
  ASSERT_EQ(0u, slot<queryFn>(dispatch, 0)(dispatch, &zkIID_INativePointer, &native))
      << "slot 0 is QueryInterface";
  uint32_t thread = 0;
  EXPECT_EQ(0u, slot<outU32Fn>(native, 3)(native, &thread)) << "GetThreadId";
  EXPECT_NE(0u, thread);
  zkVariantS typeName;
  EXPECT_EQ(0u, slot<outVariantFn>(native, 6)(native, &typeName)) << "GetNativeTypeName";
  EXPECT_EQ(zkVarString, typeName.type);
  slot<countFn>(native, 2)(native);

  void* connection = nullptr;
  ASSERT_EQ(0u, slot<queryFn>(dispatch, 0)(dispatch, &zkIID_IExternalConnection, &connection));
  uint32_t query = 0;
  EXPECT_EQ(0u, slot<outU32Fn>(connection, 5)(connection, &query)) << "ExtConnQuery";
  EXPECT_EQ(1u, query);
  slot<countFn>(connection, 2)(connection);

  EXPECT_EQ(0u, slot<countFn>(dispatch, 2)(dispatch));
}

// Derived classes compiled elsewhere override the hooks by slot: they follow
// Invoke in the dispatch table, in this order.
class hookSlotObjectC : public proxyObjectC {
 public:
  hookSlotObjectC() : proxyObjectC(kRows, true) {}
  const char* getNativeTypeName() override { return "hook type"; }
  void* getNativeObject() override { return &marker; }
  uint32_t onExtConnNotify(uint32_t value) override { return value + 1; }
  uint32_t onExtConnNotify2(uint32_t first, uint32_t second) override { return first * second; }
  uint32_t onExtConnQuery(uint32_t* value) override {
    *value = 42;
    return 5;
  }
  int marker = 0;

 protected:
  ~hookSlotObjectC() override = default;
};

typedef const char* (*textHookFn)(void*);
typedef void* (*pointerHookFn)(void*);
typedef uint32_t (*notifyFn)(void*, uint32_t);
typedef uint32_t (*notify2Fn)(void*, uint32_t, uint32_t);

TEST(AbiSlots, HooksFollowInvoke) {
  hookSlotObjectC* object = new hookSlotObjectC;
  void* dispatch = static_cast<zkIDispatch*>(object);
  EXPECT_STREQ("hook type", slot<textHookFn>(dispatch, 4)(dispatch)) << "slot 4 is getNativeTypeName";
  EXPECT_EQ(static_cast<void*>(&object->marker), slot<pointerHookFn>(dispatch, 5)(dispatch))
      << "slot 5 is getNativeObject";
  EXPECT_EQ(8u, slot<notifyFn>(dispatch, 6)(dispatch, 7)) << "slot 6 is onExtConnNotify";
  EXPECT_EQ(12u, slot<notify2Fn>(dispatch, 7)(dispatch, 3, 4)) << "slot 7 is onExtConnNotify2";
  uint32_t value = 0;
  EXPECT_EQ(5u, slot<outU32Fn>(dispatch, 8)(dispatch, &value)) << "slot 8 is onExtConnQuery";
  EXPECT_EQ(42u, value);
  object->Release();
}

TEST(AbiSlots, ErrorObjectTable) {
  proxyCallErrorC* error = proxyCallErrorC::create("what", "where", nullptr);
  ASSERT_NE(nullptr, error);
  void* table = static_cast<zkIComException*>(error);
  EXPECT_EQ(1u, slot<countFn>(table, 1)(table));
  zkVariantS text;
  const char* out = nullptr;
  EXPECT_EQ(0u, slot<outVariantFn>(table, 3)(table, &text)) << "GetContext";
  text.getString(&out);
  EXPECT_STREQ("where", out);
  EXPECT_EQ(0u, slot<outVariantFn>(table, 4)(table, &text)) << "GetDescription";
  text.getString(&out);
  EXPECT_STREQ("what", out);
  EXPECT_EQ(0u, slot<countFn>(table, 2)(table));
}

}  // namespace
