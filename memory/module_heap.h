// The module's heap objects: the pool lock, the memory tracker's two
// statistics tables, the pooled heap, the allocation lock and (with the
// memory manager) the per-thread table of current managers.
//
// They are module-global objects, defined in memory/module_heap.cpp and
// placed in the module's start order by platform/static_order.h. Each of
// them also works outside its lifetime, which is what lets static
// constructors and destructors of other translation units allocate at any
// time.
#pragma once

#include <cstddef>

#include "memory/mem_pool.h"
#include "platform/lock.h"
#include "platform/per_thread_value.h"

class memManSystemC;
struct memStatTableS;

lockC& modulePoolLock();
// The tracker's tables; used only under the module's pool lock.
memStatTableS& moduleSnapshotTable();
memStatTableS& moduleCurrentTable();
memPoolC& modulePool();
lockC& moduleAllocationLock();
// The node allocator of the module's per-thread tables: the pooled heap
// directly, never the allocation operators (which look up such a table).
struct poolNodeAllocatorS {
  static void* allocate(std::size_t size) { return modulePool().allocate(size); }
  static void free(void* block) { modulePool().deallocate(block); }
};

// Each thread's current memory manager (null until a memManInterfaceC
// destructor has run on the thread).
perThreadValueT<memManSystemC*, poolNodeAllocatorS>& currentManagerTable();
