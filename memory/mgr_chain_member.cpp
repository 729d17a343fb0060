// The module's member of the per-process manager chain, constructed at its
// rank of the module's start order (platform/static_order.h): it joins the
// chain before the pooled heap is constructed and leaves it after the heap
// is destroyed. Linked as objects into the module (and the programs that
// test the chain from inside), never into host programs, which are no
// members of the chain.
#include "memory/mem_track.h"
#include "memory/mgr_chain.h"
#include "memory/module_heap.h"
#include "platform/static_order.h"

namespace {

// The member, and its registration as the one the module's chain-mode walks
// start from.
struct ownChainMemberS {
  ownChainMemberS() { memTrackUseChainMember(&member); }
  // The heap's address is known before its construction.
  dynMgrChainMemberC member{&modulePool()};
};

ownChainMemberS ownMember ZK_STATIC_ORDER(staticOrderChainMember);

}  // namespace
