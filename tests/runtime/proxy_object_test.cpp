// proxyObjectC and its error object: the interface tables as a module compiled
// elsewhere calls them (by raw slot number, the object pointer first), and
// reference counting through the nested members.
#include "runtime/proxy_object.h"

#include <gtest/gtest.h>

#include "abi/interface_ptr.h"
#include "platform/thread_ident.h"
#include "runtime/proxy_call_error.h"
#include "runtime_fakes.h"

namespace {

template <class R, class... A>
R callSlot(void* interfacePointer, int index, A... args) {
  void** table = *static_cast<void***>(interfacePointer);
  return reinterpret_cast<R (*)(void*, A...)>(table[index])(interfacePointer, args...);
}

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
