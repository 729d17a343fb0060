// The module-global objects, defined in their construction order (see
// module/module_globals.h). Each of them also works outside its lifetime,
// which lets static constructors and destructors of other translation units
// use them at any time:
// - lockC writes nothing when constructed, initialises itself on first
//   enter, also after its destruction;
// - memPoolC has a constexpr constructor and is constant-initialised, a
//   valid empty heap before any code runs; its destructor leaves it usable,
//   returning emptied pages at once;
// - the code-track site is zero-filled static storage whose constructor
//   writes nothing, so a manager built by an earlier static constructor
//   keeps its flags; the code-track operations do nothing while no manager
//   is alive.
#include "module/module_globals.h"

#include "diagnostics/code_track.h"
#include "memory/module_heap.h"
#include "module/module_hook.h"

namespace {

// Empties every thread's interface holder at the last termination, so that
// every interface still held there is released before the engine is.
class interfaceHolderHookC final : public moduleHookC {
 public:
  void onFirstInitialisation() override {}
  void onLastTermination() override { interfaceHolderTable().setAll(zkInterfacePtrT<zkIUnknown>()); }
};

lockC poolLock;
memPoolC pool(&poolLock);
lockC allocationLock;
perThreadValueT<memManSystemC*> currentManagers;
codeTrackSiteS codeTrackSite;
codeTrackMgrC codeTrackManager(codeTrackSite);
lockC engineLockObject;
perThreadValueT<zkInterfacePtrT<zkIUnknown>> interfaceHolders;
interfaceHolderHookC holderHook;

}  // namespace

lockC& modulePoolLock() { return poolLock; }
memPoolC& modulePool() { return pool; }
lockC& moduleAllocationLock() { return allocationLock; }
perThreadValueT<memManSystemC*>& currentManagerTable() { return currentManagers; }
codeTrackSiteS& codeTrackModuleSite() { return codeTrackSite; }
lockC& engineLock() { return engineLockObject; }
perThreadValueT<zkInterfacePtrT<zkIUnknown>>& interfaceHolderTable() { return interfaceHolders; }
