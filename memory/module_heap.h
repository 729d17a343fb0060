// The module's heap objects: the pool lock, the pooled heap, the allocation
// lock and (with the memory manager) the per-thread table of current
// managers.
//
// They are module-global objects defined in one translation unit,
// memory/module_heap.cpp, in the order in which the module constructs them;
// C++ constructs the objects of one translation unit in definition order and
// destroys them in reverse. Each of them also works outside its lifetime,
// which is what lets static constructors and destructors of other
// translation units allocate at any time:
// - lockC writes nothing when constructed and initialises itself on first
//   enter, also after its destruction;
// - memPoolC has a constexpr constructor and is therefore constant-
//   initialised: it is a valid, empty heap before any code runs, and its
//   destructor (unload) leaves it usable, returning emptied pages at once.
// The module-wide objects that belong between these (the manager chain
// member and the tracker tables after the pool lock, the code-track and
// engine objects after the current-manager table) are to be defined in that
// translation unit at their places, so the whole order stays in one file.
#ifndef ZK_MEMORY_MODULE_HEAP_H
#define ZK_MEMORY_MODULE_HEAP_H

#include "memory/mem_pool.h"
#include "platform/lock.h"
#include "platform/per_thread_value.h"

class memManSystemC;

lockC& modulePoolLock();
memPoolC& modulePool();
lockC& moduleAllocationLock();
// Each thread's current memory manager (null until a memManInterfaceC
// destructor has run on the thread).
perThreadValueT<memManSystemC*>& currentManagerTable();

#endif
