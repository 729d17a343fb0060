// proxyObjectC's interface answers, reference counting through the members
// it carries, their hooks, and the error object's own interface answers.
#include "runtime/proxy_object.h"

#include <gtest/gtest.h>

#include <typeinfo>

#include "platform/thread_ident.h"
#include "runtime/interface_ptr.h"
#include "runtime/proxy_call_error.h"
#include "runtime_fakes.h"

namespace {

int destroyed = 0;

class plainObjectC : public proxyObjectC {
 public:
  explicit plainObjectC(bool firstReference) : proxyObjectC(emptyRows, firstReference) {}
  static const proxyMethodEntryS emptyRows[];

 protected:
  ~plainObjectC() override { ++destroyed; }
};
const proxyMethodEntryS plainObjectC::emptyRows[] = {{nullptr, 0, 0, nullptr}};

class hookedObjectC : public proxyObjectC {
 public:
  int marker = 0;
  uint32_t lastNotify = 0;
  hookedObjectC() : proxyObjectC(&marker, plainObjectC::emptyRows, true) {}
  const char* getNativeTypeName() override { return typeid(hookedObjectC*).name(); }
  void* getNativeObject() override { return &marker; }
  uint32_t onExtConnNotify(uint32_t value) override {
    lastNotify = value;
    return 7;
  }

 protected:
  ~hookedObjectC() override { ++destroyed; }
};

TEST(ProxyObject, FirstReferenceFlag) {
  destroyed = 0;
  plainObjectC* counted = new plainObjectC(true);
  EXPECT_EQ(1u, counted->currentRefCount());
  plainObjectC* uncounted = new plainObjectC(false);
  EXPECT_EQ(0u, uncounted->currentRefCount());
  uncounted->AddRef();
  EXPECT_EQ(0u, counted->Release());
  EXPECT_EQ(0u, uncounted->Release());
  EXPECT_EQ(2, destroyed);
}

TEST(ProxyObject, QueryInterfaceAnswers) {
  destroyed = 0;
  plainObjectC* object = new plainObjectC(true);
  struct Row {
    const zkIIDS* id;
    uint32_t status;
  };
  const zkIIDS lowerDispatch = {0, "zkiiddsp"};
  const zkIIDS uncountedDispatch = {0, "ZKIIDDSP"};
  const Row rows[] = {
      {&zkIID_IDispatch, 0}, {&zkIID_IUnknown, 0}, {&uncountedDispatch, 0},
      {&zkIID_INativePointer, 0}, {&zkIID_IExternalConnection, 0},
      {&lowerDispatch, 2}, {&zkIID_IException, 2}, {&zkIID_ITypeInfo, 2},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.id->name);
    void* out = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(row.status, object->QueryInterface(row.id, &out));
    if (row.status != 0) {
      EXPECT_EQ(reinterpret_cast<void*>(0x1), out) << "out untouched on failure";
      EXPECT_EQ(1u, object->currentRefCount());
      continue;
    }
    EXPECT_EQ(2u, object->currentRefCount());
    zkIUnknown* answer = static_cast<zkIUnknown*>(out);
    const bool member = row.id == &zkIID_INativePointer || row.id == &zkIID_IExternalConnection;
    if (member) {
      EXPECT_NE(static_cast<zkIUnknown*>(object), answer) << "the member, not the object";
    } else {
      EXPECT_EQ(static_cast<zkIUnknown*>(object), answer);
    }
    answer->Release();
    EXPECT_EQ(1u, object->currentRefCount());
  }
  object->Release();
  EXPECT_EQ(1, destroyed);
}

TEST(ProxyObject, NativePointerMember) {
  destroyed = 0;
  plainObjectC* object = new plainObjectC(true);
  zkInterfacePtrT<zkIComNativePointer> native;
  ASSERT_EQ(0u, native.query(object, zkIID_INativePointer));

  void* out = nullptr;
  EXPECT_EQ(0u, native->QueryInterface(&zkIID_IUnknown, &out));
  EXPECT_EQ(static_cast<zkIUnknown*>(native.get()), out) << "the member answers itself";
  EXPECT_EQ(3u, object->currentRefCount());
  static_cast<zkIUnknown*>(out)->Release();
  out = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(2u, native->QueryInterface(&zkIID_IDispatch, &out));
  EXPECT_EQ(reinterpret_cast<void*>(0x1), out);

  uint32_t thread = 0;
  EXPECT_EQ(0u, native->GetThreadId(&thread));
  EXPECT_EQ(threadIdentC::currentId(), thread);
  void* pointer = nullptr;
  EXPECT_EQ(0u, native->GetNativePointer(&pointer));
  EXPECT_EQ(static_cast<void*>(object), pointer);
  EXPECT_EQ(2u, object->currentRefCount()) << "no reference for the native pointer";
  EXPECT_EQ(1u, native->NativeCheck(nullptr));
  zkVariantS typeName;
  EXPECT_EQ(0u, native->GetNativeTypeName(&typeName));
  const char* text = nullptr;
  ASSERT_EQ(0u, typeName.getString(&text));
  EXPECT_STREQ(typeid(proxyObjectC*).name(), text);

  object->Release();
  EXPECT_EQ(0, destroyed) << "the member's reference keeps the object";
  native.reset();
  EXPECT_EQ(1, destroyed);
}

TEST(ProxyObject, ExternalConnectionMemberAndLastRelease) {
  destroyed = 0;
  hookedObjectC* object = new hookedObjectC;
  zkIComExternalConnection* connection = nullptr;
  ASSERT_EQ(0u, object->QueryInterface(&zkIID_IExternalConnection,
                                       reinterpret_cast<void**>(&connection)));
  EXPECT_EQ(7u, connection->ExtConnNotify(5));
  EXPECT_EQ(5u, object->lastNotify);
  EXPECT_EQ(0u, connection->ExtConnNotify2(1, 2));
  uint32_t query = 0;
  EXPECT_EQ(0u, connection->ExtConnQuery(&query));
  EXPECT_EQ(1u, query);

  zkIComNativePointer* native = nullptr;
  ASSERT_EQ(0u, object->QueryInterface(&zkIID_INativePointer, reinterpret_cast<void**>(&native)));
  void* pointer = nullptr;
  native->GetNativePointer(&pointer);
  EXPECT_EQ(&object->marker, pointer) << "the overridden hook answers";
  zkVariantS typeName;
  native->GetNativeTypeName(&typeName);
  const char* text = nullptr;
  typeName.getString(&text);
  EXPECT_STREQ(typeid(hookedObjectC*).name(), text);
  EXPECT_EQ(&object->marker, object->handlerOwner());

  EXPECT_EQ(2u, native->Release());
  EXPECT_EQ(1u, object->Release());
  EXPECT_EQ(0, destroyed);
  EXPECT_EQ(0u, connection->Release());
  EXPECT_EQ(1, destroyed) << "destroyed exactly once, through the member";
}

TEST(ProxyCallError, InterfaceAnswers) {
  fakeUnknownC inner;
  proxyCallErrorC* error = proxyCallErrorC::create("description", "context", &inner);
  ASSERT_NE(nullptr, error);
  error->AddRef();
  EXPECT_EQ(2u, inner.refs);
  void* out = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(1u, error->QueryInterface(&zkIID_IDispatch, &out));
  EXPECT_EQ(nullptr, out) << "the error object clears the out pointer";
  const zkIIDS uncounted = {0, "ZKIEXCEPTION"};
  EXPECT_EQ(0u, error->QueryInterface(&uncounted, &out));
  static_cast<zkIUnknown*>(out)->Release();
  EXPECT_EQ(0u, error->QueryInterface(&zkIID_IUnknown, &out));
  static_cast<zkIUnknown*>(out)->Release();
  EXPECT_EQ(1u, error->GetContext(nullptr));
  error->Release();
  EXPECT_EQ(1u, inner.refs);
  EXPECT_EQ(inner.addRefCalls, inner.releaseCalls);
}

}  // namespace
