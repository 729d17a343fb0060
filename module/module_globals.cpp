// The module-global objects of the entry points, each constructed at its rank
// of the module's start order (platform/static_order.h); the heap's objects
// live in memory/module_heap.cpp, the code-track manager in
// diagnostics/code_track_module.cpp.
#include "module/module_globals.h"

#include "module/module_hook.h"
#include "platform/static_order.h"

namespace {

// Empties every thread's interface holder at the last termination, so that
// every interface still held there is released before the engine is.
class interfaceHolderHookC final : public moduleHookC {
 public:
  void onFirstInitialisation() override {}
  void onLastTermination() override { interfaceHolderTable().setAll(zkInterfacePtrT<zkIUnknown>()); }
};

lockC engineLockObject ZK_STATIC_ORDER(staticOrderEngineLock);
perThreadValueT<zkInterfacePtrT<zkIUnknown>, poolNodeAllocatorS> interfaceHolders
    ZK_STATIC_ORDER(staticOrderHolderTable);
interfaceHolderHookC holderHook ZK_STATIC_ORDER(staticOrderModuleHook);

}  // namespace

lockC& engineLock() { return engineLockObject; }
perThreadValueT<zkInterfacePtrT<zkIUnknown>, poolNodeAllocatorS>& interfaceHolderTable() { return interfaceHolders; }
