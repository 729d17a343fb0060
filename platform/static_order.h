// The construction order of the module-global objects, which live in the
// layers that own them (memory/, diagnostics/, module/), not in one file.
//
// ZK_STATIC_ORDER(rank) places a namespace-scope object's construction by
// rank across translation units: lower ranks are constructed first, and
// destruction runs in the reverse order. Objects without a rank are
// constructed after every ranked one. The ranks below are the module's start
// order; its end order is their reverse.
#pragma once

#define ZK_STATIC_ORDER(rank) __attribute__((init_priority(rank)))

enum staticOrderRank {
  staticOrderPoolLock = 1001,         // the heap's pool lock
  staticOrderChainMember = 1002,      // the per-process manager chain member
  staticOrderTrackerTables = 1003,    // the memory tracker's statistics tables
  staticOrderPool = 1004,             // the pooled heap
  staticOrderAllocationLock = 1005,   // the allocation lock
  staticOrderCurrentManagers = 1006,  // the per-thread table of current managers
  staticOrderCodeTrack = 1007,        // the code-track lock, site and manager
  staticOrderEngineLock = 1008,       // the engine lock of the entry points
  staticOrderHolderTable = 1009,      // the per-thread interface-holder table
  staticOrderModuleHook = 1010,       // the hook that empties the holder table
};
