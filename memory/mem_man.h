// The memory manager: memManSystemC, the manager interface that serves every
// allocation of framework objects from the module's pooled heap;
// memManInterfaceC, the allocation base class of every framework object;
// memManDataPoolC, a counted buffer that allocates through its own manager.
//
// Every entry point here holds the allocation lock for one call; the pool
// takes the pool lock inside it (order: allocation lock, then pool lock).
//
// memManInterfaceC's table is binding across modules: it is the table that
// abi/mem_man_object.h declares for other binaries (getMemManager, then the
// deleting destructor of deleting_destructor.h). Its C++ destructor is
// protected and non-virtual; objects are destroyed through the slot.
//
// Failure: a manager that cannot get memory answers null; the buffer then
// holds no storage (data null, size 0) and its operations answer false.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>

#include "abi/mem_man_object.h"
#include "memory/deleting_destructor.h"
#include "platform/lock.h"

// The system memory manager; one static instance per module.
class memManSystemC {
 public:
  // Constant-initialised, so the instance exists before any code runs.
  constexpr memManSystemC() {}

  // Size usable bytes, 8-aligned, or null.
  virtual void* allocate(std::uint64_t size);
  // Frees what allocate or reallocate answered; null does nothing.
  virtual void deallocate(void* p);
  // A moved block with min(size, old size) bytes of p; null on failure, p
  // then stays allocated. p null: allocate(size).
  virtual void* reallocate(void* p, std::uint64_t size);

  // The module's instance.
  static memManSystemC* instance();
};

// The allocation base of every framework object.
class memManInterfaceC : public zkIMemManObject {
 public:
  // Slot 1: the manager that serves this object (the system manager;
  // forAllocation is true for allocation and reallocation, false for
  // freeing).
  memManSystemC* getMemManager(bool forAllocation) override;
  // Slot 2: destroys the object and, with deleteStorageFlag, frees it
  // through the class operator delete; answers the object's address. Every
  // class that can be the most derived supplies it (ZK_DELETING_DESTRUCTOR).
  void* deletingDestructor(uint32_t flags) override = 0;

  // Allocation through the system manager; null on failure. Declared
  // noexcept so that every new-expression of these classes tests the result
  // before constructing, and answers null instead of constructing at null.
  static void* operator new(std::size_t size) noexcept;
  // Frees through the calling thread's current manager, or through the
  // system manager when no destructor has recorded one on this thread.
  static void operator delete(void* p) noexcept;
  // Placement forms, which the class operators above would otherwise hide.
  static void* operator new(std::size_t, void* where) noexcept { return where; }
  static void operator delete(void*, void*) noexcept {}

  // The system manager's operations under the allocation lock.
  static void* allocate(std::uint64_t size);
  static void deallocate(void* p);
  static void* reallocate(void* p, std::uint64_t size);

 protected:
  memManInterfaceC() {}
  memManInterfaceC(const memManInterfaceC&) {}
  memManInterfaceC& operator=(const memManInterfaceC&) { return *this; }
  // Records the system manager as the calling thread's current manager, for
  // the class operator delete that follows the deleting destructor.
  ~memManInterfaceC();
};

// A counted buffer of T, size in bytes.
//
// Invariant: size == 0 exactly when data is null.
template <class T, class BaseT = memManInterfaceC>
class memManDataPoolC : public BaseT {
 public:
  memManDataPoolC() : data(nullptr), size(0) {}
  memManDataPoolC(const memManDataPoolC& other) : BaseT(), data(nullptr), size(0) { *this = other; }
  ~memManDataPoolC() { release(); }
  ZK_DELETING_DESTRUCTOR(memManDataPoolC)

  // Frees the current storage; when other's data differs, takes a copy of
  // other's storage (none if it has none).
  memManDataPoolC& operator=(const memManDataPoolC& other);

  // Frees the current storage, then allocates n bytes (content undefined).
  // n 0: no storage. Answers false, with no storage, when memory runs out.
  bool allocate(std::uint64_t n);
  // Frees the current storage; with n > 0 and p given, takes a copy of the n
  // bytes at p (which may lie inside the current storage). Answers false,
  // with no storage, when memory runs out.
  bool assign(const T* p, std::uint64_t n);
  // Moves the storage to a block of n bytes keeping the first min(n, size)
  // bytes (n 0: no storage). On failure answers false and keeps the storage.
  bool reallocate(std::uint64_t n);
  // Frees the storage: data null, size 0.
  void release();
  // Takes other's storage without copying; other is left without storage.
  void takeFrom(memManDataPoolC& other);

  T* data;             // storage, null when empty
  std::uint64_t size;  // bytes of storage, 0 when empty
};

// The module's allocation lock (defined with the other heap objects).
lockC& moduleAllocationLock();

template <class T, class BaseT>
memManDataPoolC<T, BaseT>& memManDataPoolC<T, BaseT>::operator=(const memManDataPoolC& other) {
  if (other.data == data) return *this;
  release();
  if (other.data != nullptr && allocate(other.size)) std::memcpy(static_cast<void*>(data), other.data, size);
  return *this;
}

template <class T, class BaseT>
bool memManDataPoolC<T, BaseT>::allocate(std::uint64_t n) {
  release();
  if (n == 0) return true;
  lockGuardC guard(moduleAllocationLock());
  data = static_cast<T*>(this->getMemManager(true)->allocate(n));
  if (data == nullptr) return false;
  size = n;
  return true;
}

template <class T, class BaseT>
bool memManDataPoolC<T, BaseT>::assign(const T* p, std::uint64_t n) {
  if (n == 0 || p == nullptr) {
    release();
    return true;
  }
  // The copy is made before the old storage goes: p may point into it.
  memManDataPoolC fresh;
  if (!fresh.allocate(n)) {
    release();
    return false;
  }
  std::memcpy(static_cast<void*>(fresh.data), p, n);
  takeFrom(fresh);
  return true;
}

template <class T, class BaseT>
bool memManDataPoolC<T, BaseT>::reallocate(std::uint64_t n) {
  if (n == 0) {
    release();
    return true;
  }
  lockGuardC guard(moduleAllocationLock());
  T* moved = static_cast<T*>(this->getMemManager(true)->reallocate(data, n));
  if (moved == nullptr) return false;
  data = moved;
  size = n;
  return true;
}

template <class T, class BaseT>
void memManDataPoolC<T, BaseT>::release() {
  if (data == nullptr) return;
  {
    lockGuardC guard(moduleAllocationLock());
    this->getMemManager(false)->deallocate(data);
  }
  data = nullptr;
  size = 0;
}

template <class T, class BaseT>
void memManDataPoolC<T, BaseT>::takeFrom(memManDataPoolC& other) {
  if (&other == this) return;
  release();
  data = other.data;
  size = other.size;
  other.data = nullptr;
  other.size = 0;
}
