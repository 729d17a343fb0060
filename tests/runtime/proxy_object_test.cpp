// proxyObjectC and its error object: the interface tables as a module compiled
// elsewhere calls them (by raw slot number, the object pointer first), and
// reference counting through the nested members.
#include "runtime/proxy_object.h"

#include <gtest/gtest.h>

#include "abi/interface_ptr.h"
#include "base/str.h"
#include "memory/module_heap.h"
#include "platform/thread_ident.h"
#include "runtime/proxy_arguments.h"
#include "runtime/proxy_call_error.h"
#include "runtime/variant.h"
#include "runtime_fakes.h"
#include "tests/support/mem_man_slots.h"
#include "tests/support/table_slots.h"

namespace {

uint32_t answerSeven(void*, proxyAutoParaListC*, proxyAutoTypeCastC* result) {
  result->setInt(7);
  return 0;
}

const proxyMethodEntryS kRows[] = {{"Seven", kindMethod, 0, &answerSeven}, {nullptr, 0, 0, nullptr}};
int destroyed = 0;

// Every hook overridden, so each answer shows which slot ran.
class hookedObjectC : public proxyObjectC {
 public:
  explicit hookedObjectC(bool firstReference = true, void* handlerOwner = nullptr)
      : proxyObjectC(handlerOwner != nullptr ? handlerOwner : this, kRows, firstReference) {}
  const char* getNativeTypeName() override { return "hook type"; }
  void* getNativeObject() override { return &marker; }
  uint32_t onExtConnNotify(uint32_t value) override { return value + 1; }
  uint32_t onExtConnNotify2(uint32_t first, uint32_t second) override { return first * second; }
  uint32_t onExtConnQuery(uint32_t* value) override {
    *value = 42;
    return 5;
  }
  ZK_DELETING_DESTRUCTOR(hookedObjectC)
  int marker = 0;

 protected:
  ~hookedObjectC() { ++destroyed; }
};

TEST(AbiSlots, InterfaceTablesInOrder) {
  hookedObjectC* object = new hookedObjectC;
  void* dispatch = static_cast<zkIDispatch*>(object);
  EXPECT_EQ(2u, callSlot<uint32_t>(dispatch, 1)) << "AddRef";
  EXPECT_EQ(1u, callSlot<uint32_t>(dispatch, 2)) << "Release";
  zkVariantS result;
  const zkVariantS* noArgs = nullptr;
  zkIUnknown** noErrorSlot = nullptr;
  EXPECT_EQ(0u, callSlot<uint32_t>(dispatch, 3, "seven", kindMethod, 0u, noArgs, &result, noErrorSlot)) << "Invoke";
  EXPECT_EQ(7, result.value.intValue);
  EXPECT_STREQ("hook type", callSlot<const char*>(dispatch, 4)) << "getNativeTypeName";
  EXPECT_EQ(&object->marker, callSlot<void*>(dispatch, 5)) << "getNativeObject";
  EXPECT_EQ(8u, callSlot<uint32_t>(dispatch, 6, 7u)) << "onExtConnNotify";
  EXPECT_EQ(12u, callSlot<uint32_t>(dispatch, 7, 3u, 4u)) << "onExtConnNotify2";
  uint32_t value = 0;
  EXPECT_EQ(5u, callSlot<uint32_t>(dispatch, 8, &value)) << "onExtConnQuery";
  EXPECT_EQ(42u, value);

  // The nested members reach the hooks.
  void *native = nullptr, *connection = nullptr, *pointer = nullptr;
  ASSERT_EQ(0u, callSlot<uint32_t>(dispatch, 0, &zkIID_INativePointer, &native)) << "QueryInterface";
  EXPECT_EQ(0u, callSlot<uint32_t>(native, 3, &value)) << "GetThreadId";
  EXPECT_EQ(threadIdentC::currentId(), value);
  EXPECT_EQ(0u, callSlot<uint32_t>(native, 4, &pointer)) << "GetNativePointer";
  EXPECT_EQ(&object->marker, pointer);
  EXPECT_EQ(1u, callSlot<uint32_t>(native, 5, static_cast<void*>(nullptr))) << "NativeCheck";
  EXPECT_EQ(0u, callSlot<uint32_t>(native, 6, &result)) << "GetNativeTypeName";
  EXPECT_EQ("hook type", variantText(result));
  EXPECT_EQ(1u, callSlot<uint32_t>(native, 2));
  ASSERT_EQ(0u, callSlot<uint32_t>(dispatch, 0, &zkIID_IExternalConnection, &connection));
  EXPECT_EQ(10u, callSlot<uint32_t>(connection, 3, 9u)) << "ExtConnNotify";
  EXPECT_EQ(6u, callSlot<uint32_t>(connection, 4, 2u, 3u)) << "ExtConnNotify2";
  EXPECT_EQ(5u, callSlot<uint32_t>(connection, 5, &value)) << "ExtConnQuery";
  EXPECT_EQ(1u, callSlot<uint32_t>(connection, 2));
  EXPECT_EQ(0u, callSlot<uint32_t>(dispatch, 2));

  fakeUnknownC inner;
  void* error = static_cast<zkIComException*>(proxyCallErrorC::create("what", "where", &inner));
  EXPECT_EQ(1u, callSlot<uint32_t>(error, 1)) << "AddRef of a new error object";
  EXPECT_EQ(0u, callSlot<uint32_t>(error, 3, &result)) << "GetContext";
  EXPECT_EQ("where", variantText(result));
  EXPECT_EQ(0u, callSlot<uint32_t>(error, 4, &result)) << "GetDescription";
  EXPECT_EQ("what", variantText(result));
  zkIUnknown* innerOut = nullptr;
  EXPECT_EQ(0u, callSlot<uint32_t>(error, 5, &innerOut)) << "GetInnerError";
  EXPECT_EQ(&inner, innerOut);
  innerOut->Release();
  EXPECT_EQ(1u, callSlot<uint32_t>(error, 3, static_cast<zkVariantS*>(nullptr)));
  void* out = &inner;
  EXPECT_EQ(1u, callSlot<uint32_t>(error, 0, &zkIID_IDispatch, &out)) << "QueryInterface";
  EXPECT_EQ(nullptr, out) << "the error object clears the out pointer";
  EXPECT_EQ(0u, callSlot<uint32_t>(error, 2));
  EXPECT_TRUE(balanced(inner));
}

// A dispatchable object whose name shows its destruction in the heap counts.
class namedObjectC : public proxyObjectC {
 public:
  namedObjectC() : proxyObjectC(kRows, false), name("named object") {}
  ZK_DELETING_DESTRUCTOR(namedObjectC)

 protected:
  ~namedObjectC() = default;

 private:
  str name;
};

// Runtime objects that hand out or carry memManInterfaceC's table; a
// dispatchable object has it second, at byte 8.
TEST(AbiSlots, MemoryManagerTablesOfRuntimeObjects) {
  const madeObjectKindS kinds[] = {
      {"variantArrayC",
       [] {
         auto* array = new variantArrayC;
         array->resize(9);
         array->at(0)->setString("first");
         array->at(8)->setString("on the second page");
         return madeObject(array);
       }},
      {"proxyAutoTypeCastC",
       [] {
         auto* wrapper = new proxyAutoTypeCastC;
         wrapper->setString("value");
         wrapper->resolved.setString("resolved");
         return madeObject(wrapper);
       }},
      {"proxyAutoParaListC",
       [] {
         auto* list = new proxyAutoParaListC(2);
         list->items[1].setString("argument");
         return madeObject(list);
       }},
      {"proxyObjectC, its second table",
       [] {
         auto* object = new namedObjectC;
         return madeObjectS{static_cast<memManInterfaceC*>(object), object, sizeof(namedObjectC)};
       }},
  };
  expectDeletingSlot(kinds);
  expectTableOfTwo<variantArrayC>("variantArrayC");
  expectTableOfTwo<proxyAutoTypeCastC>("proxyAutoTypeCastC");
  expectTableOfTwo<proxyAutoParaListC>("proxyAutoParaListC", 1u);
}

// The error object's table ends with its deleting destructor in slot 6: with
// flag 1 it destroys (releasing the inner error) and frees; with flag 0 the
// storage is left for the global operator delete, the class having none.
TEST(AbiSlots, ErrorObjectEndsWithItsDeletingDestructor) {
  const std::ptrdiff_t slots[] = {
      slotIndexOf(&proxyCallErrorC::QueryInterface),    slotIndexOf(&proxyCallErrorC::AddRef),
      slotIndexOf(&proxyCallErrorC::Release),           slotIndexOf(&proxyCallErrorC::GetContext),
      slotIndexOf(&proxyCallErrorC::GetDescription),    slotIndexOf(&proxyCallErrorC::GetInnerError),
      slotIndexOf(&proxyCallErrorC::deletingDestructor)};
  for (std::ptrdiff_t i = 0; i < 7; ++i) EXPECT_EQ(i, slots[i]) << "operation " << i << " of the error object";
  fakeUnknownC inner;
  memPoolC& pool = modulePool();
  for (const uint32_t flags : {1u, 0u}) {
    SCOPED_TRACE("flags " + std::to_string(flags));
    const std::uint64_t before = pool.outstanding;
    void* error = static_cast<zkIComException*>(proxyCallErrorC::create("what", "where", &inner));
    EXPECT_EQ(error, callSlot<void*>(error, 6, flags));
    EXPECT_TRUE(balanced(inner)) << "the inner error is released";
    EXPECT_EQ(flags == 0 ? before + 1 : before, pool.outstanding);
    if (flags == 0) ::operator delete(error);
    EXPECT_EQ(before, pool.outstanding);
  }
}

TEST(ProxyObject, MembersShareTheObjectsCount) {
  destroyed = 0;
  int owner = 0;
  hookedObjectC* object = new hookedObjectC(false, &owner);
  EXPECT_EQ(0u, object->currentRefCount()) << "created without the first reference";
  EXPECT_EQ(&owner, object->handlerOwner());
  object->AddRef();
  zkInterfacePtrT<zkIComNativePointer> native;
  ASSERT_EQ(0u, native.query(object, zkIID_INativePointer));
  void* out = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(2u, native->QueryInterface(&zkIID_IDispatch, &out)) << "a member answers only its own identifiers";
  EXPECT_EQ(reinterpret_cast<void*>(0x1), out);
  EXPECT_EQ(0u, native->QueryInterface(&zkIID_IUnknown, &out));
  EXPECT_EQ(static_cast<zkIUnknown*>(native.get()), out) << "the member answers itself";
  static_cast<zkIUnknown*>(out)->Release();
  EXPECT_EQ(0u, native->GetNativePointer(&out));
  EXPECT_EQ(1u, object->Release()) << "no reference for the native pointer";
  EXPECT_EQ(0, destroyed) << "the member's reference keeps the object";
  native.reset();
  EXPECT_EQ(1, destroyed) << "destroyed exactly once, through the member";
}

}  // namespace
