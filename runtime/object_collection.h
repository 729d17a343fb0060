// zkClassObjectCollectionT: the list of objects handed across an interface
// as "ZKCOMOBJCOLL" (abi/type_info.h).
//
// An ordered array of counted interface pointers to T, only ever appended
// to. Each element holds exactly one reference on its object (or is empty);
// destroying the collection releases every element. The array grows
// geometrically, so appending n elements takes O(n) time in all; the spare
// room beyond `count` holds no references.
//
// Invariants: count <= capacity() and every element below count holds one
// reference or is null.
//
// Failure: when memory runs out, create() answers null and add() answers 1
// with the collection unchanged.
#pragma once

#include <cstdint>

#include "abi/interface_id.h"
#include "abi/type_info.h"
#include "memory/mem_man.h"
#include "runtime/ref_object.h"

template <class T>
class zkClassObjectCollectionT final
    : public defRAVODWrapperT<zkClassObjectCollectionT<T>, zkIComObjectCollection, &zkIID_IObjectCollection> {
 public:
  // A new empty collection with reference count 0 (the creator takes the
  // first reference); null when memory runs out.
  static zkClassObjectCollectionT* create() { return new zkClassObjectCollectionT; }

  // Appends `item` (null appends an empty element), adding one reference
  // for the collection. Answers 0, or 1 when the array cannot grow.
  uint32_t add(T* item);

  uint32_t GetCount(uint32_t* out) override;
  uint32_t GetItem(uint32_t index, zkIUnknown** out) override;
  ZK_DELETING_DESTRUCTOR(zkClassObjectCollectionT)

  // Elements the array has room for.
  uint64_t capacity() const { return items.size / sizeof(T*); }

 private:
  zkClassObjectCollectionT() : count(0) {}
  ~zkClassObjectCollectionT();

  // Makes room for at least `needed` elements, doubling the room.
  bool grow(uint64_t needed);

  memManDataPoolC<T*> items;  // element pointers; size = bytes of room
  uint32_t count;             // elements added
};

template <class T>
zkClassObjectCollectionT<T>::~zkClassObjectCollectionT() {
  for (uint32_t i = 0; i < count; ++i) {
    if (items.data[i] != nullptr) items.data[i]->Release();
  }
}

template <class T>
bool zkClassObjectCollectionT<T>::grow(uint64_t needed) {
  const uint64_t limit = UINT32_MAX;
  if (needed > limit) return false;
  if (needed <= capacity()) return true;
  uint64_t room = capacity() < 4 ? 4 : capacity() * 2;
  if (room < needed) room = needed;
  if (room > limit) room = limit;
  return items.reallocate(room * sizeof(T*));
}

template <class T>
uint32_t zkClassObjectCollectionT<T>::add(T* item) {
  if (!grow(uint64_t{count} + 1)) return 1;
  if (item != nullptr) item->AddRef();
  items.data[count++] = item;
  return 0;
}

template <class T>
uint32_t zkClassObjectCollectionT<T>::GetCount(uint32_t* out) {
  if (out == nullptr) return 1;
  *out = count;
  return 0;
}

template <class T>
uint32_t zkClassObjectCollectionT<T>::GetItem(uint32_t index, zkIUnknown** out) {
  if (out == nullptr || index >= count) return 1;
  T* item = items.data[index];
  if (item != nullptr) item->AddRef();
  *out = item;
  return 0;
}
