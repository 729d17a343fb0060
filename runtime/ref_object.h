// Reference counting.
//
// `raVodRefObjectC` holds the one atomic counter of an object. A new object
// starts at 0; its creator takes the first reference. The class that
// implements Release destroys the object through its virtual deleting
// destructor when the decrement produced 0, so the memory goes back to the
// heap of the module that allocated it. The decision is taken from the value
// the atomic operation itself produced, never from a second read, so two
// threads releasing the last two references cannot both (or neither) destroy
// the object.
//
// `defRAVODWrapperT<Impl, Iface, id>` gives a class its zkIUnknown part for
// one interface: QueryInterface answers "ZKIIDUNK" and *id with the object
// itself (one reference added) and otherwise stores null and answers 1.
// Its table holds QueryInterface, AddRef, Release, the interface's own slots,
// then the deleting destructor, one slot (deleting_destructor.h) that Impl
// supplies with ZK_DELETING_DESTRUCTOR(Impl) and that Release calls when the
// last reference goes. Impl declares no virtual operation of its own, so the
// slot stays last. The counter is a virtual base so that a class reached
// through several interface paths still has one counter.
#pragma once

#include <atomic>
#include <cstdint>
#include <type_traits>

#include "abi/interfaces.h"
#include "abi/status.h"
#include "memory/deleting_destructor.h"
#include "runtime/query_interface.h"

class raVodRefObjectC {
 public:
  raVodRefObjectC(const raVodRefObjectC&) = delete;
  raVodRefObjectC& operator=(const raVodRefObjectC&) = delete;

  // Current count, for diagnostics and tests only; another thread may change
  // it at any moment.
  uint32_t currentRefCount() const { return refCount.load(std::memory_order_relaxed); }

 protected:
  raVodRefObjectC() : refCount(0) {}
  ~raVodRefObjectC() = default;

  // Adds one reference; answers the count the increment produced. Relaxed is
  // enough: taking a reference needs no ordering with other memory.
  uint32_t incrementRefCount() { return refCount.fetch_add(1, std::memory_order_relaxed) + 1; }

  // Takes one reference off; answers the count the decrement produced.
  // Acquire-release so that every write made through other references
  // happens before the destruction that a result of 0 triggers.
  uint32_t decrementRefCount() { return refCount.fetch_sub(1, std::memory_order_acq_rel) - 1; }

 private:
  std::atomic<uint32_t> refCount;  // references held on the object
};

static_assert(sizeof(raVodRefObjectC) == 4, "refCount is one 32-bit counter");
static_assert(std::atomic<uint32_t>::is_always_lock_free, "reference counts need a lock-free 32-bit atomic");

template <class Impl, class Iface, const zkIIDS* Id>
class defRAVODWrapperT : public Iface, public virtual raVodRefObjectC {
 public:
  uint32_t QueryInterface(const zkIIDS* id, void** out) override {
    static const queryInterfaceRowS<defRAVODWrapperT> rows[] = {
        {&zkIID_IUnknown, &asUnknown},
        {Id, &asUnknown},
    };
    if (out == nullptr) return statusNoInterfaceOutCleared;
    if (id != nullptr && queryInterfaceTable(this, rows, *id, out)) return statusOk;
    *out = nullptr;
    return statusNoInterfaceOutCleared;
  }

  uint32_t AddRef() override { return incrementRefCount(); }

  uint32_t Release() override {
    static_assert(!std::is_destructible<Impl>::value, "reference-counted classes need a non-public destructor");
    const uint32_t remaining = decrementRefCount();
    if (remaining == 0) deletingDestructor(deleteStorageFlag);
    return remaining;
  }

  // The last slot: destroys the object as Impl and, with deleteStorageFlag,
  // frees it; answers its address.
  virtual void* deletingDestructor(uint32_t flags) = 0;

 protected:
  defRAVODWrapperT() = default;
  ~defRAVODWrapperT() = default;

 private:
  static zkIUnknown* asUnknown(defRAVODWrapperT* self) { return static_cast<Iface*>(self); }
};
