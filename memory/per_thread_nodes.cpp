// The nodes of the per-thread value tables come straight from the module's
// pooled heap: the allocation entry points that consult the current-manager
// table cannot serve the table itself.
#include <cstddef>

#include "memory/module_heap.h"
#include "platform/per_thread_value.h"

void* perThreadNodeAllocate(std::size_t size) { return modulePool().allocate(size); }

void perThreadNodeFree(void* block) { modulePool().deallocate(block); }
