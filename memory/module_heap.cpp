// The module-global heap objects, defined in their construction order (see
// memory/module_heap.h).
#include "memory/module_heap.h"

namespace {

lockC poolLock;
memPoolC pool(&poolLock);
lockC allocationLock;
perThreadValueT<memManSystemC*> currentManagers;

}  // namespace

lockC& modulePoolLock() { return poolLock; }
memPoolC& modulePool() { return pool; }
lockC& moduleAllocationLock() { return allocationLock; }
perThreadValueT<memManSystemC*>& currentManagerTable() { return currentManagers; }
