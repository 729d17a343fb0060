// proxyObjectC: the dispatchable object, called by member name.
//
// A class describes its members in a static method table (method_table.h)
// and derives from proxyObjectC. Invoke finds the rows whose name (ignoring
// letter case), kind and parameter count fit the call and runs the first
// handler that accepts the arguments; a handler that throws
// proxyAutoTypeCastExceptionC passes the call on to the next fitting row.
// When no row runs, fallbacks read the object's default member or the named
// property and forward the call to the object it yields. A failed call
// answers 1 and, when asked, hands out an error object (proxyCallErrorC)
// naming the member ("methode:" + name) and, when no handler reported an
// error itself, the argument read last ("(Para:" + number + ")").
//
// The object also carries two small interfaces inside itself, reached through
// QueryInterface: "ZKCOMNATPTR" (nativePointerC) and "ZKCOMEXTCONN"
// (externalConnectionC). They have no counter of their own and forward
// AddRef and Release to the enclosing object. Asked for "ZKIIDTYPEINFO", the
// object describes its members with a new type-information object
// (runtime/type_info.h).
//
// Layout (binding across modules): the zkIDispatch table at byte 0, the
// memory-manager table at 8, the reference count at 16, the external
// connection at 24, the native pointer at 32, then owner and the method-table
// holder. The memory-manager table holds getMemManager and the deleting
// destructor, through which Release destroys the object; proxyObjectC leaves
// that slot to each concrete class (ZK_DELETING_DESTRUCTOR).
//
// Forwarding to other objects nests calls; on one thread at most
// proxyForwardDepthLimit forwarded calls may be in progress, beyond that a
// forward fails, so objects that forward to each other in a cycle fail the
// call instead of exhausting the stack.
//
// Invoke refuses, before it allocates anything, a call that announces
// arguments without passing them (a null argument pointer) and one that
// announces more than proxyInvokeArgumentLimit of them; and a call whose
// arguments cannot be copied (arrays nested deeper than
// variantArrayNestingLimit, no memory). Such calls fail like a call that
// no row fits, naming no argument.
#pragma once

#include <cstdint>

#include "abi/interfaces.h"
#include "memory/mem_man.h"
#include "runtime/auto_type_cast.h"
#include "runtime/method_table.h"
#include "runtime/proxy_arguments.h"
#include "runtime/ref_object.h"

constexpr int proxyForwardDepthLimit = 64;
// Arguments one call by name may carry; far beyond any member's use.
constexpr uint32_t proxyInvokeArgumentLimit = 0x10000;

class proxyObjectC : public zkIDispatch, public memManInterfaceC, public raVodRefObjectC {
 public:
  // "ZKCOMEXTCONN": hands the notifications to the enclosing object's hooks.
  class externalConnectionC : public zkIComExternalConnection {
   public:
    // "ZKIIDUNK" and "ZKCOMEXTCONN" answer this member; otherwise 2 and *out
    // untouched.
    uint32_t QueryInterface(const zkIIDS* id, void** out) override;
    uint32_t AddRef() override;
    uint32_t Release() override;
    uint32_t ExtConnNotify(uint32_t value) override;
    uint32_t ExtConnNotify2(uint32_t first, uint32_t second) override;
    uint32_t ExtConnQuery(uint32_t* value) override;

   private:
    friend class proxyObjectC;
    externalConnectionC() = default;
    ~externalConnectionC() = default;
    proxyObjectC* enclosing();
  };

  // "ZKCOMNATPTR": the thread, the native object and its type name.
  class nativePointerC : public zkIComNativePointer {
   public:
    // "ZKIIDUNK" and "ZKCOMNATPTR" answer this member; otherwise 2 and *out
    // untouched.
    uint32_t QueryInterface(const zkIIDS* id, void** out) override;
    uint32_t AddRef() override;
    uint32_t Release() override;
    uint32_t GetThreadId(uint32_t* threadId) override;
    uint32_t GetNativePointer(void** pointer) override;
    uint32_t NativeCheck(void* argument) override;  // always 1
    uint32_t GetNativeTypeName(zkVariantS* typeName) override;

   private:
    friend class proxyObjectC;
    nativePointerC() = default;
    ~nativePointerC() = default;
    proxyObjectC* enclosing();
  };

  // Handlers receive `ownerObject`. The rows stay owned by the class; when
  // `addFirstReference` is set the creator holds one reference.
  proxyObjectC(void* ownerObject, const proxyMethodEntryS* rows, bool addFirstReference);
  // Handlers receive the object itself.
  proxyObjectC(const proxyMethodEntryS* rows, bool addFirstReference);
  proxyObjectC(const proxyObjectC&) = delete;
  proxyObjectC& operator=(const proxyObjectC&) = delete;

  // "ZKIIDDSP" and "ZKIIDUNK": the object; "ZKCOMEXTCONN", "ZKCOMNATPTR": the
  // members; one reference added. "ZKIIDTYPEINFO": a new proxyTypeInfoC
  // (runtime/type_info.h) with one reference for the caller, which holds one
  // on this object. Anything else, and a description that cannot be made
  // when memory runs out, answers 2 with *out untouched.
  uint32_t QueryInterface(const zkIIDS* id, void** out) override;
  uint32_t AddRef() override;
  uint32_t Release() override;
  uint32_t Invoke(const char* name, uint32_t kind, uint32_t paramCount, const zkVariantS* params, zkVariantS* result,
                  zkIUnknown** errorOut) override;

  // Hooks of the nested interfaces; derived classes may override them.
  virtual const char* getNativeTypeName();                             // run-time type name of proxyObjectC*
  virtual void* getNativeObject();                                     // the object itself
  virtual uint32_t onExtConnNotify(uint32_t value);                    // 0
  virtual uint32_t onExtConnNotify2(uint32_t first, uint32_t second);  // 0
  virtual uint32_t onExtConnQuery(uint32_t* value);                    // *value = 1, 0

  // Runs the first fitting row (see proxy_object.cpp). True when a handler
  // ran to its end, false when none did. Exceptions other than
  // proxyAutoTypeCastExceptionC propagate.
  bool tryCall(const char* name, uint32_t kind, proxyAutoParaListC& args, proxyAutoTypeCastC& result);
  // tryCall, then the fallbacks through the default member and the property
  // of the same name. True on success.
  bool callMember(const char* name, uint32_t kind, proxyAutoParaListC& args, proxyAutoTypeCastC& result);
  // Calls `target` with copies of every argument (current moves to the last
  // one) and the result wrapper's value as result, without an error slot.
  // Answers Invoke's status (1 when the depth limit is reached).
  static uint32_t forwardCall(zkIDispatch* target, const char* name, uint32_t kind, proxyAutoParaListC& args,
                              proxyAutoTypeCastC& result);

  const proxyMethodTableS& methodTable() const { return methods; }
  void* handlerOwner() const { return owner; }

 protected:
  ~proxyObjectC();

 private:
  static void checkLayout();  // compile-time layout checks only

  externalConnectionC externalConnection;
  nativePointerC nativePointer;
  void* owner;                // first argument of every handler
  proxyMethodTableS methods;  // the class's rows, not owned
};
