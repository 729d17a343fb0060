// The table of every object a module allocates through its memory manager,
// among them the string behind a text variant and the array behind an array
// variant, and its deleting destructor.
//
// Slots: getMemManager, deletingDestructor; the table pointer is at the
// object's first byte (for the dispatchable objects of the framework it is
// their second table, at byte 8). A binary that owns such an object made by
// another module destroys it with deletingDestructor(deleteStorageFlag): the
// making module's own code then destroys it and gives the storage back to its
// own heap. Freeing the storage in any other way corrupts a heap.
//
// The same one-slot deleting destructor ends the table of every class built
// on the framework's zkIUnknown pattern (the error object of a failed call,
// type information, collections): there it follows the interface's own slots
// and is reached only through Release when the last reference goes.
#pragma once

#include <cstdint>

// The module's memory manager; nothing another binary calls.
class memManSystemC;

// Bit 0 of a deleting destructor's flags word: give the storage back after
// destroying. Without it the storage stays allocated for the making module's
// class operator delete.
constexpr uint32_t deleteStorageFlag = 1;

class zkIMemManObject {
 public:
  // The memory manager that serves the object (forAllocation: for allocating
  // and reallocating rather than freeing).
  virtual memManSystemC* getMemManager(bool forAllocation) = 0;
  // Destroys the object and, with deleteStorageFlag, gives its storage back;
  // answers the object's address.
  virtual void* deletingDestructor(uint32_t flags) = 0;

 protected:
  ~zkIMemManObject() = default;
};
