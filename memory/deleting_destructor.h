// The deleting destructor: the one table slot through which a framework
// object is destroyed, by this module or by any other binary.
//
// Every table of the framework that has a destructor gives it exactly one
// slot, `void* deletingDestructor(uint32_t flags)` (abi/mem_man_object.h):
// it destroys the object as its most derived class and, when
// `deleteStorageFlag` is set in flags, gives the storage back through the
// class's operator delete (the global one when the class has none, both
// serving the heap of the module that made the object). It answers the
// object's address. With the flag clear the storage stays allocated and the
// caller frees it through the class's operator delete.
//
// A C++ virtual destructor would not do: our compilers give it two table
// slots (destroy, destroy and free), which shifts every slot after it and
// leaves a host that calls the one specified slot freeing nothing. So these
// hierarchies have no virtual destructor at all (ZK_DELETING_DESTRUCTOR
// refuses one at compile time); C++ destructors are non-virtual, protected
// where objects live only on the heap, and every deletion goes through the
// slot (deleteObject).
//
// Each class that can be the most derived one of an object supplies its slot
// with ZK_DELETING_DESTRUCTOR(className) in its public part. A class that
// derives from such a class and forgets its own would be destroyed as its
// base; debug builds stop on the first such deletion.
#pragma once

#include <cassert>
#include <cstdint>
#include <new>
#include <type_traits>
#include <typeinfo>
#include <utility>

#include "abi/mem_man_object.h"

namespace zkDeletingDestructorDetail {

template <class T, class = void>
struct hasClassDeleteT : std::false_type {};
template <class T>
struct hasClassDeleteT<T, std::void_t<decltype(T::operator delete(std::declval<void*>()))>> : std::true_type {};

// Gives back the storage of a destroyed T at `object`.
template <class T>
void freeStorage(void* object) {
  if constexpr (hasClassDeleteT<T>::value) {
    T::operator delete(object);
  } else {
    ::operator delete(object);
  }
}

}  // namespace zkDeletingDestructorDetail

// Destroys `object` through its slot and gives its storage back; null does
// nothing.
template <class T>
void deleteObject(T* object) {
  if (object != nullptr) object->deletingDestructor(deleteStorageFlag);
}

// The slot of `className`; put it in the class's public part.
#define ZK_DELETING_DESTRUCTOR(className)                                                                \
  void* deletingDestructor(uint32_t flags) override {                                                    \
    static_assert(!std::has_virtual_destructor<className>::value,                                        \
                  "the deleting destructor is one table slot: no virtual destructor in this hierarchy"); \
    assert(typeid(*this) == typeid(className) && "the most derived class lacks ZK_DELETING_DESTRUCTOR"); \
    className* self = this;                                                                              \
    self->className::~className();                                                                       \
    if ((flags & deleteStorageFlag) != 0) zkDeletingDestructorDetail::freeStorage<className>(self);      \
    return self;                                                                                         \
  }
