// Dispatch by member name: row selection, fallbacks, forwarding, Invoke, and
// the two interfaces carried inside every proxyObjectC.
#include "runtime/proxy_object.h"

#include <cstddef>
#include <new>
#include <typeinfo>

#include "abi/interface_ptr.h"
#include "abi/status.h"
#include "base/str.h"
#include "platform/thread_ident.h"
#include "platform/thread_unwind.h"
#include "runtime/proxy_call_error.h"
#include "runtime/proxy_exceptions.h"
#include "runtime/query_interface.h"
#include "runtime/type_info.h"

namespace {
// The nested members find their object by subtracting their fixed position
// (checked against the compiler's layout in checkLayout()).
constexpr std::size_t kExternalConnectionOffset = 24;
constexpr std::size_t kNativePointerOffset = 32;
}  // namespace

namespace {

// Forwarded calls in progress on this thread.
thread_local int forwardDepth = 0;

class forwardDepthGuardC {
 public:
  forwardDepthGuardC() { ++forwardDepth; }
  ~forwardDepthGuardC() { --forwardDepth; }
  forwardDepthGuardC(const forwardDepthGuardC&) = delete;
  forwardDepthGuardC& operator=(const forwardDepthGuardC&) = delete;
};

// The dispatch interface of the object held by `value`, if it has one.
bool dispatchOf(const zkVariantS& value, zkInterfacePtrT<zkIDispatch>& dispatch) {
  if (value.type != zkVarObject) return false;
  return dispatch.query(value.value.objectValue, zkIID_IDispatch) == 0;
}

}  // namespace

// ---- nested interfaces ----------------------------------------------------

proxyObjectC* proxyObjectC::externalConnectionC::enclosing() {
  return reinterpret_cast<proxyObjectC*>(reinterpret_cast<char*>(this) - kExternalConnectionOffset);
}

uint32_t proxyObjectC::externalConnectionC::QueryInterface(const zkIIDS* id, void** out) {
  static const queryInterfaceRowS<externalConnectionC> rows[] = {
      {&zkIID_IUnknown, [](externalConnectionC* self) -> zkIUnknown* { return self; }},
      {&zkIID_IExternalConnection, [](externalConnectionC* self) -> zkIUnknown* { return self; }},
  };
  if (id == nullptr || out == nullptr) return statusNoInterfaceOutUntouched;
  return queryInterfaceTable(this, rows, *id, out) ? statusOk : statusNoInterfaceOutUntouched;
}

uint32_t proxyObjectC::externalConnectionC::AddRef() { return enclosing()->AddRef(); }
uint32_t proxyObjectC::externalConnectionC::Release() { return enclosing()->Release(); }

uint32_t proxyObjectC::externalConnectionC::ExtConnNotify(uint32_t value) {
  return enclosing()->onExtConnNotify(value);
}

uint32_t proxyObjectC::externalConnectionC::ExtConnNotify2(uint32_t first, uint32_t second) {
  return enclosing()->onExtConnNotify2(first, second);
}

uint32_t proxyObjectC::externalConnectionC::ExtConnQuery(uint32_t* value) { return enclosing()->onExtConnQuery(value); }

proxyObjectC* proxyObjectC::nativePointerC::enclosing() {
  return reinterpret_cast<proxyObjectC*>(reinterpret_cast<char*>(this) - kNativePointerOffset);
}

uint32_t proxyObjectC::nativePointerC::QueryInterface(const zkIIDS* id, void** out) {
  static const queryInterfaceRowS<nativePointerC> rows[] = {
      {&zkIID_IUnknown, [](nativePointerC* self) -> zkIUnknown* { return self; }},
      {&zkIID_INativePointer, [](nativePointerC* self) -> zkIUnknown* { return self; }},
  };
  if (id == nullptr || out == nullptr) return statusNoInterfaceOutUntouched;
  return queryInterfaceTable(this, rows, *id, out) ? statusOk : statusNoInterfaceOutUntouched;
}

uint32_t proxyObjectC::nativePointerC::AddRef() { return enclosing()->AddRef(); }
uint32_t proxyObjectC::nativePointerC::Release() { return enclosing()->Release(); }

uint32_t proxyObjectC::nativePointerC::GetThreadId(uint32_t* threadId) {
  if (threadId == nullptr) return 1;
  *threadId = threadIdentC::currentId();
  return 0;
}

uint32_t proxyObjectC::nativePointerC::GetNativePointer(void** pointer) {
  if (pointer == nullptr) return 1;
  *pointer = enclosing()->getNativeObject();
  return 0;
}

uint32_t proxyObjectC::nativePointerC::NativeCheck(void*) { return 1; }

uint32_t proxyObjectC::nativePointerC::GetNativeTypeName(zkVariantS* typeName) {
  if (typeName == nullptr) return 1;
  typeName->setString(enclosing()->getNativeTypeName());
  return 0;
}

// ---- the object -------------------------------------------------------------

void proxyObjectC::checkLayout() {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
  static_assert(offsetof(proxyObjectC, externalConnection) == kExternalConnectionOffset,
                "externalConnection at byte 24");
  static_assert(offsetof(proxyObjectC, nativePointer) == kNativePointerOffset, "nativePointer at byte 32");
  static_assert(offsetof(proxyObjectC, owner) == 40, "owner at byte 40");
  static_assert(offsetof(proxyObjectC, methods) == 48, "methods at byte 48");
  static_assert(sizeof(proxyObjectC) == 64, "proxyObjectC layout");
#pragma GCC diagnostic pop
}

proxyObjectC::proxyObjectC(void* ownerObject, const proxyMethodEntryS* rows, bool addFirstReference)
    : owner(ownerObject), methods(rows) {
  if (addFirstReference) AddRef();
}

proxyObjectC::proxyObjectC(const proxyMethodEntryS* rows, bool addFirstReference) : owner(this), methods(rows) {
  if (addFirstReference) AddRef();
}

proxyObjectC::~proxyObjectC() {
  owner = nullptr;
  methods.clear();
}

uint32_t proxyObjectC::QueryInterface(const zkIIDS* id, void** out) {
  static const queryInterfaceRowS<proxyObjectC> rows[] = {
      {&zkIID_IDispatch, [](proxyObjectC* self) -> zkIUnknown* { return static_cast<zkIDispatch*>(self); }},
      {&zkIID_IUnknown, [](proxyObjectC* self) -> zkIUnknown* { return static_cast<zkIDispatch*>(self); }},
      {&zkIID_IExternalConnection, [](proxyObjectC* self) -> zkIUnknown* { return &self->externalConnection; }},
      {&zkIID_INativePointer, [](proxyObjectC* self) -> zkIUnknown* { return &self->nativePointer; }},
      // A new description each time, holding its own reference on this
      // object; the reference the walk adds is the caller's.
      {&zkIID_ITypeInfo, [](proxyObjectC* self) -> zkIUnknown* { return proxyTypeInfoC::create(self); }},
  };
  if (id == nullptr || out == nullptr) return statusNoInterfaceOutUntouched;
  return queryInterfaceTable(this, rows, *id, out) ? statusOk : statusNoInterfaceOutUntouched;
}

uint32_t proxyObjectC::AddRef() { return incrementRefCount(); }

uint32_t proxyObjectC::Release() {
  const uint32_t remaining = decrementRefCount();
  if (remaining == 0) deletingDestructor(deleteStorageFlag);
  return remaining;
}

const char* proxyObjectC::getNativeTypeName() { return typeid(proxyObjectC*).name(); }
void* proxyObjectC::getNativeObject() { return this; }
uint32_t proxyObjectC::onExtConnNotify(uint32_t) { return 0; }
uint32_t proxyObjectC::onExtConnNotify2(uint32_t, uint32_t) { return 0; }

uint32_t proxyObjectC::onExtConnQuery(uint32_t* value) {
  if (value != nullptr) *value = 1;
  return 0;
}

// Walks the rows of `name` and `kind` in table order, skipping rows whose
// parameter count differs from the list's (unless they take any number), and
// runs each handler until one returns. A handler that throws
// proxyAutoTypeCastExceptionC does not fit; what it did stays done.
bool proxyObjectC::tryCall(const char* name, uint32_t kind, proxyAutoParaListC& args, proxyAutoTypeCastC& result) {
  for (const proxyMethodEntryS* row = methods.find(name, kind); row != nullptr;
       row = methods.find(name, kind, row + 1)) {
    if (row->paramCount != anyValue && row->paramCount != args.count) continue;
    try {
      row->handler(owner, &args, &result);
      return true;
    } catch (const proxyAutoTypeCastExceptionC&) {
    }
  }
  return false;
}

// 1. The rows of the call itself.
// 2. A property read or write (any kind but 1): the default member's object
//    receives the call as it came.
// 3. A method call: first the property of that name, whose object's default
//    member receives the arguments; then the default member's object, which
//    receives the method call as it came.
bool proxyObjectC::callMember(const char* name, uint32_t kind, proxyAutoParaListC& args, proxyAutoTypeCastC& result) {
  if (tryCall(name, kind, args, result)) return true;

  if (kind != kindMethod) {
    proxyAutoParaListC noArgs(0);
    proxyAutoTypeCastC defaultValue;
    zkInterfacePtrT<zkIDispatch> target;
    if (tryCall("", kindMethod, noArgs, defaultValue) && dispatchOf(defaultValue, target)) {
      return forwardCall(target.get(), name, kind, args, result) == statusOk;
    }
    return false;
  }

  {
    proxyAutoParaListC noArgs(0);
    proxyAutoTypeCastC property;
    zkInterfacePtrT<zkIDispatch> target;
    if (tryCall(name, kindPropertyGet, noArgs, property) && dispatchOf(property, target) &&
        forwardCall(target.get(), nullptr, kindMethod, args, result) == statusOk) {
      return true;
    }
  }
  {
    proxyAutoParaListC noArgs(0);
    proxyAutoTypeCastC defaultValue;
    zkInterfacePtrT<zkIDispatch> target;
    if (tryCall("", kindMethod, noArgs, defaultValue) && dispatchOf(defaultValue, target) &&
        forwardCall(target.get(), name, kindMethod, args, result) == statusOk) {
      return true;
    }
  }
  return false;
}

uint32_t proxyObjectC::forwardCall(zkIDispatch* target, const char* name, uint32_t kind, proxyAutoParaListC& args,
                                   proxyAutoTypeCastC& result) {
  if (forwardDepth >= proxyForwardDepthLimit) return statusFailed;
  forwardDepthGuardC depth;
  zkVariantS* values = nullptr;
  if (args.count > 0) {
    values = new (std::nothrow) zkVariantS[args.count];
    if (values == nullptr) return statusFailed;
    for (uint32_t i = 0; i < args.count; ++i) {
      args.argAt(static_cast<int>(i)).copyTo(values[i]);
    }
  }
  const uint32_t status = target->Invoke(name, kind, args.count, values, static_cast<zkVariantS*>(&result), nullptr);
  delete[] values;
  return status;
}

uint32_t proxyObjectC::Invoke(const char* name, uint32_t kind, uint32_t paramCount, const zkVariantS* params,
                              zkVariantS* result, zkIUnknown** errorOut) {
  // The announced arguments are checked before the list is allocated for
  // them: a hostile count must not cost memory or time.
  const bool argumentsUsable = paramCount == 0 || (params != nullptr && paramCount <= proxyInvokeArgumentLimit);
  proxyAutoParaListC args(argumentsUsable ? paramCount : 0);
  proxyAutoTypeCastC value;
  str context;
  str description;
  zkInterfacePtrT<zkIUnknown> innerError;
  bool noExceptionCaught = true;
  bool succeeded = false;

  bool copied = argumentsUsable && !args.allocationFailed();
  for (uint32_t i = 0; copied && i < paramCount; ++i) copied = args.lend(i, params[i]) == 0;
  if (copied) {
    try {
      succeeded = callMember(name, kind, args, value);
    } catch (const proxyExecuteExceptionC& e) {
      context = e.context;
      description = e.description;
      noExceptionCaught = false;
    } catch (const proxyExecuteComExceptionC& e) {
      innerError = e.error;
      noExceptionCaught = false;
    } catch (...) {
      rethrowIfThreadUnwinding();
      description = "unhandle exception";
      noExceptionCaught = false;
    }
  }

  if (succeeded) {
    if (result != nullptr) value.moveTo(*result);
    return statusOk;
  }

  if (context.length() == 0) {
    context = "methode:";
    if (name != nullptr) context += name;
  }
  if (noExceptionCaught && args.current != -1) {
    context += "(Para:";
    context += str(static_cast<int>(args.current) + 1).c_str();
    context += ")";
  }
  if (description.length() == 0) description = "Object call failed";
  if (errorOut != nullptr) {
    proxyCallErrorC* error = proxyCallErrorC::create(description.c_str(), context.c_str(), innerError.get());
    if (error != nullptr) error->AddRef();
    *errorOut = error;
  }
  return statusFailed;
}
