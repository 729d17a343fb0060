// The module-global objects of the entry points, and where every
// module-global object is defined.
//
// module/module_globals.cpp defines the module's global objects in one
// translation unit, in the order in which the module constructs them at
// load; C++ constructs them in that order and destroys them in reverse at
// unload:
//   1. the heap's pool lock,
//      (the per-process manager chain member and the memory tracker's two
//      statistics tables belong here, once those subsystems exist),
//   2. the pooled heap,
//   3. the allocation lock and the per-thread table of current managers,
//   4. the code-track lock and the code-track manager,
//   5. the engine lock,
//   6. the per-thread interface-holder table and the module hook that
//      empties it at the last termination.
// The file is linked as objects into the module and into every program that
// links the runtime, so each binary has exactly one set.
#pragma once

#include "platform/lock.h"
#include "platform/per_thread_value.h"
#include "runtime/interface_ptr.h"

// Guards the init count and the engine pointer of the entry points; first
// in the module's lock order.
lockC& engineLock();

// Each thread's interface holder; emptied on every thread at the last
// termination, before the engine is released.
perThreadValueT<zkInterfacePtrT<zkIUnknown>>& interfaceHolderTable();
