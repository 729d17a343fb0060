// The module's heap objects, each constructed at its rank of the module's
// start order (platform/static_order.h).
//
// - the statistics tables are plain zero-filled storage;
// - lockC writes nothing when constructed and initialises itself on first
//   enter, also after its destruction;
// - memPoolC has a constexpr constructor and is constant-initialised, a valid
//   empty heap before any code runs; its destructor leaves it usable,
//   returning emptied pages at once. Built with ZK_POOL_PASSTHROUGH, it
//   starts with its pools disabled: every block comes from the runtime
//   heap on its own.
#include "memory/module_heap.h"

#include "memory/mem_track_stats.h"
#include "platform/static_order.h"

namespace {

#if defined(ZK_POOL_PASSTHROUGH)
constexpr bool modulePoolPassThrough = true;
#else
constexpr bool modulePoolPassThrough = false;
#endif

lockC poolLock ZK_STATIC_ORDER(staticOrderPoolLock);
memStatTableS snapshotTable ZK_STATIC_ORDER(staticOrderTrackerTables);
memStatTableS currentTable ZK_STATIC_ORDER(staticOrderTrackerTables);
memPoolC pool ZK_STATIC_ORDER(staticOrderPool)(&poolLock, 0, modulePoolPassThrough);
lockC allocationLock ZK_STATIC_ORDER(staticOrderAllocationLock);
perThreadValueT<memManSystemC*, poolNodeAllocatorS> currentManagers ZK_STATIC_ORDER(staticOrderCurrentManagers);

}  // namespace

lockC& modulePoolLock() { return poolLock; }
memStatTableS& moduleSnapshotTable() { return snapshotTable; }
memStatTableS& moduleCurrentTable() { return currentTable; }
memPoolC& modulePool() { return pool; }
lockC& moduleAllocationLock() { return allocationLock; }
perThreadValueT<memManSystemC*, poolNodeAllocatorS>& currentManagerTable() { return currentManagers; }
