// Checks of memManInterfaceC's table (getMemManager, then the deleting
// destructor) on objects the module makes, called by slot number as another
// binary calls them.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "memory/deleting_destructor.h"
#include "memory/mem_man.h"
#include "memory/module_heap.h"
#include "tests/support/table_slots.h"

// A module-made object: the address of its memory-manager table pointer and
// of the object itself (they differ where that table is not the first).
struct madeObjectS {
  memManInterfaceC* table;
  void* object;
  std::uint64_t bytes;  // sizeof the most derived class
};

template <class T>
madeObjectS madeObject(T* object) {
  return {object, object, sizeof(T)};
}

// One kind of object; make() gives it heap blocks of its own besides its
// storage, so that its destruction shows in the pool's count.
struct madeObjectKindS {
  const char* name;
  madeObjectS (*make)();
};

// Slot 2 with flags 1 destroys and frees; with flags 0 it destroys and
// leaves only the object's own block, which the class's operator delete
// then frees. Either way the slot answers the object's address.
template <size_t n>
void expectDeletingSlot(const madeObjectKindS (&kinds)[n]) {
  currentManagerTable().get();  // this thread's slot, itself a pool block, exists from here on
  memPoolC& pool = modulePool();
  for (const madeObjectKindS& kind : kinds) {
    for (const uint32_t flags : {1u, 0u}) {
      SCOPED_TRACE(std::string(kind.name) + ", flags " + std::to_string(flags));
      const std::uint64_t before = pool.outstanding;
      const madeObjectS object = kind.make();
      ASSERT_GT(pool.outstanding, before + 1) << "the object and what it owns";
      EXPECT_EQ(object.object, callSlot<void*>(object.table, 1, flags)) << "the slot answers the object's address";
      if (flags == 0) {
        EXPECT_EQ(before + 1, pool.outstanding) << "destroyed, the object's own block kept";
        EXPECT_EQ(object.bytes, pool.blockSize(object.object));
        memManInterfaceC::operator delete(object.object);
      }
      EXPECT_EQ(before, pool.outstanding);
    }
  }
}

constexpr uint32_t kProbeAnswer = 0x5107;

// T with one virtual operation of its own, which lands in the first slot
// after T's table.
template <class T>
class tableProbeT : public T {
 public:
  using T::T;
  virtual uint32_t probeSlot() { return kProbeAnswer; }
  ZK_DELETING_DESTRUCTOR(tableProbeT)
};

// T's table is getMemManager, the deleting destructor and nothing more.
template <class T, class... A>
void expectTableOfTwo(const char* name, A... arguments) {
  SCOPED_TRACE(name);
  EXPECT_EQ(0, slotIndexOf(&T::getMemManager));
  EXPECT_EQ(1, slotIndexOf(&T::deletingDestructor));
  ASSERT_EQ(2, slotIndexOf(&tableProbeT<T>::probeSlot)) << "nothing between the deleting destructor and the next slot";
  tableProbeT<T> probe(arguments...);
  EXPECT_EQ(kProbeAnswer, callSlot<uint32_t>(static_cast<memManInterfaceC*>(&probe), 2));
}
