// The module-global objects of the entry points.
//
// Every module-global object lives in the layer that owns it and is
// constructed at its rank of platform/static_order.h, so the module's start
// order holds whatever order the linker puts the files in:
//   1. the heap's pool lock (memory/module_heap.cpp),
//   2. the per-process manager chain member and the memory tracker's two
//      statistics tables (memory/),
//   3. the pooled heap, the allocation lock and the per-thread table of
//      current managers (memory/module_heap.cpp),
//   4. the code-track lock and the code-track manager
//      (diagnostics/code_track_module.cpp),
//   5. the engine lock, the per-thread interface-holder table and the module
//      hook that empties it at the last termination (module/module_globals.cpp).
// Destruction at unload runs in the reverse order.
#pragma once

#include "abi/interface_ptr.h"
#include "memory/module_heap.h"
#include "platform/lock.h"
#include "platform/per_thread_value.h"

// Guards the init count and the engine pointer of the entry points; first
// in the module's lock order.
lockC& engineLock();

// Each thread's interface holder; emptied on every thread at the last
// termination, before the engine is released.
perThreadValueT<zkInterfacePtrT<zkIUnknown>, poolNodeAllocatorS>& interfaceHolderTable();
