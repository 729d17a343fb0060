// The module's heap objects: the pool lock, the pooled heap, the allocation
// lock and (with the memory manager) the per-thread table of current
// managers.
//
// They are module-global objects, defined with the module's other global
// objects in module/module_globals.cpp in the order in which the module
// constructs them (see module/module_globals.h). Each of them also works
// outside its lifetime, which is what lets static constructors and
// destructors of other translation units allocate at any time.
#pragma once

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
