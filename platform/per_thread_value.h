// perThreadValueT<T>: a table that gives each thread its own value slot,
// keyed by thread identity, and drops the slots of threads that have ended.
//
// The table is a lockC and the head of a doubly linked list of nodes; new
// nodes go to the front, where recently started threads are found first.
// get() first asks the calling thread's cache (platform/per_thread_cache.h),
// which after the thread's first lookup answers without the lock; otherwise
// it walks the list under the lock. When the calling thread has no node
// yet, the lookup first sweeps the list, removing every node whose thread no
// longer runs, then creates the caller's node with a value-initialised T
// (null for a pointer). So the slots of ended threads linger until some
// thread makes its first lookup, or until the table is destroyed.
//
// The reference that get() answers stays valid while the calling thread runs
// and the table exists; the thread reads and writes it without the lock.
// setAll() and destruction run under the lock.
//
// A node found under the caller's id but left by an ended thread whose id the
// caller has inherited (the kernel reuses thread ids) is not handed out: the
// caller gets a fresh slot, as a new thread should. The check costs one
// system call on a thread's first lookup in a table (see
// threadIdentC::callerOwnsSlotIn). The cache holds nothing for a new thread
// and forgets every table that is constructed or destroyed, so it never
// answers a node that the walk would not.
//
// Only the calling thread's slot is offered. A lookup by another thread's id
// would hand out a slot that its owner reads and writes without a lock.
//
// Nodes come from the table's NodeAllocator: a type with static
// `void* allocate(std::size_t size)` (a block of at least size bytes aligned
// to 8, or null when out of memory) and `void free(void* block)` (accepts
// what allocate answered). runtimeHeapNodeAllocatorS, the default, uses the
// runtime library's heap; the memory layer supplies one that uses the pooled
// heap directly, never the allocation operators (which themselves look up a
// table of this kind). If a node cannot be allocated, get() answers a slot
// shared by all threads in that situation, reset to the value-initialised T
// on each such answer; nothing is kept for the thread.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <new>

#include "platform/intrusive_list.h"
#include "platform/lock.h"
#include "platform/per_thread_cache.h"
#include "platform/thread_ident.h"

// Nodes from the runtime library's heap.
struct runtimeHeapNodeAllocatorS {
  static void* allocate(std::size_t size) { return std::malloc(size); }
  static void free(void* block) { std::free(block); }
};

template <class T>
struct perThreadNodeS {
  T value;               // the thread's slot
  threadIdentC thread;   // the thread owning the slot
  perThreadNodeS* next;  // towards the back of the list, or null
  perThreadNodeS* prev;  // towards the front of the list, or null
};

template <class T, class NodeAllocator = runtimeHeapNodeAllocatorS>
class perThreadValueT {
 public:
  // An empty table.
  perThreadValueT() : head(nullptr) { perThreadCacheNewEpoch(); }
  // A table holding one slot, the calling thread's, set to initial.
  explicit perThreadValueT(const T& initial) : head(nullptr) {
    perThreadCacheNewEpoch();
    get() = initial;
  }
  // Destroys every node in list order, then the lock.
  ~perThreadValueT();

  perThreadValueT(const perThreadValueT&) = delete;
  perThreadValueT& operator=(const perThreadValueT&) = delete;

  // The calling thread's slot, created on the thread's first call.
  T& get() {
    if (void* node = perThreadCacheFind(this)) return static_cast<nodeS*>(node)->value;
    return lookUp();
  }
  // Assigns value to the calling thread's slot.
  void set(const T& value) { get() = value; }
  // Assigns value to the slot of every thread in the table.
  void setAll(const T& value);

 private:
  typedef perThreadNodeS<T> nodeS;
  static_assert(alignof(nodeS) <= 8, "nodes come from 8-aligned pool blocks");

  T& lookUp();
  void removeNode(nodeS* node);
  void sweepEndedThreads();
  nodeS* createNodeForCallingThread();
  static T& slotWhenOutOfMemory();

  lockC lock;   // guards the list and creation, sweeping, setAll, destruction
  nodeS* head;  // the front of the list, or null when empty
};

template <class T, class NodeAllocator>
perThreadValueT<T, NodeAllocator>::~perThreadValueT() {
  perThreadCacheNewEpoch();
  {
    lockGuardC guard(lock);
    while (head) removeNode(head);
  }
  lock.destroy();
}

// The walk of the list; a node of the caller's own, running thread is
// remembered in the caller's cache.
template <class T, class NodeAllocator>
T& perThreadValueT<T, NodeAllocator>::lookUp() {
  lockGuardC guard(lock);
  const std::uint32_t wanted = threadIdentC::currentId();
  nodeS* found = nullptr;
  for (nodeS* node = head; node; node = node->next) {
    if (node->thread.id() != wanted) continue;
    if (threadIdentC::callerOwnsSlotIn(this, node->thread)) found = node;
    break;
  }
  if (!found) {
    sweepEndedThreads();
    found = createNodeForCallingThread();
    if (!found) return slotWhenOutOfMemory();
    threadIdentC::claimSlotIn(this);
  }
  // A node whose thread does not count as running (no handle, or a thread
  // already marked as ending) may be swept at any time: it is not cached.
  if (found->thread.isRunning()) perThreadCacheStore(this, found);
  return found->value;
}

template <class T, class NodeAllocator>
void perThreadValueT<T, NodeAllocator>::setAll(const T& value) {
  lockGuardC guard(lock);
  for (nodeS* node = head; node; node = node->next) node->value = value;
}

template <class T, class NodeAllocator>
void perThreadValueT<T, NodeAllocator>::removeNode(nodeS* node) {
  intrusiveListRemove(head, node);
  node->~nodeS();
  NodeAllocator::free(node);
}

template <class T, class NodeAllocator>
void perThreadValueT<T, NodeAllocator>::sweepEndedThreads() {
  nodeS* node = head;
  while (node) {
    nodeS* next = node->next;
    if (!node->thread.isRunning()) removeNode(node);
    node = next;
  }
}

template <class T, class NodeAllocator>
perThreadNodeS<T>* perThreadValueT<T, NodeAllocator>::createNodeForCallingThread() {
  void* memory = NodeAllocator::allocate(sizeof(nodeS));
  if (!memory) return nullptr;
  nodeS* node = new (memory) nodeS();
  intrusiveListPushFront(head, node);
  return node;
}

template <class T, class NodeAllocator>
T& perThreadValueT<T, NodeAllocator>::slotWhenOutOfMemory() {
  static T slot;
  slot = T();
  return slot;
}
