// zkInterfacePtrT: a holder of one counted interface reference.
//
// The holder releases what it holds when it is destroyed, reset or assigned
// over; copies add a reference, moves pass it on. `attach` takes over a
// reference the caller already owns; `detach` hands it back without release.
// `query` asks another object for an interface by identifier and leaves the
// holder empty when the object does not answer.
#pragma once

#include <cstdint>

#include "abi/interfaces.h"

template <class I>
class zkInterfacePtrT {
 public:
  zkInterfacePtrT() = default;
  // Holds p with a reference added (p may be null).
  explicit zkInterfacePtrT(I* p) : pointer(p) {
    if (pointer != nullptr) pointer->AddRef();
  }
  zkInterfacePtrT(const zkInterfacePtrT& other) : zkInterfacePtrT(other.pointer) {}
  zkInterfacePtrT(zkInterfacePtrT&& other) noexcept : pointer(other.pointer) { other.pointer = nullptr; }
  ~zkInterfacePtrT() { reset(); }

  zkInterfacePtrT& operator=(const zkInterfacePtrT& other) {
    if (other.pointer != nullptr) other.pointer->AddRef();
    reset();
    pointer = other.pointer;
    return *this;
  }
  zkInterfacePtrT& operator=(zkInterfacePtrT&& other) noexcept {
    if (this != &other) {
      reset();
      pointer = other.pointer;
      other.pointer = nullptr;
    }
    return *this;
  }

  // Releases the held reference, if any; the holder is empty afterwards.
  void reset() {
    I* old = pointer;
    pointer = nullptr;
    if (old != nullptr) old->Release();
  }

  // Takes over a reference the caller owns (no AddRef).
  void attach(I* p) {
    reset();
    pointer = p;
  }

  // Gives up the held reference to the caller (no Release).
  I* detach() {
    I* p = pointer;
    pointer = nullptr;
    return p;
  }

  // Empties the holder and returns a slot for an out parameter that stores
  // an owned reference.
  I** out() {
    reset();
    return &pointer;
  }

  // Asks `source` for the interface `id`; on success holds the answer and
  // answers 0, otherwise stays empty and answers the object's status (1 for a
  // null source).
  uint32_t query(zkIUnknown* source, const zkIIDS& id) {
    reset();
    if (source == nullptr) return 1;
    void* answer = nullptr;
    const uint32_t status = source->QueryInterface(&id, &answer);
    if (status != 0) return status;
    pointer = static_cast<I*>(static_cast<zkIUnknown*>(answer));
    return pointer != nullptr ? 0 : 1;
  }

  I* get() const { return pointer; }
  I* operator->() const { return pointer; }
  explicit operator bool() const { return pointer != nullptr; }

 private:
  I* pointer = nullptr;
};
