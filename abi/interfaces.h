// The framework's base interfaces.
//
// Objects talk to each other only through these tables of virtual operations.
// The slot order of every interface is part of the contract with the host
// engine and other modules and must not change: no interface declares a
// virtual destructor (objects are destroyed by their own implementation when
// the last reference goes), and each interface's destructor is protected so
// nobody deletes an object through an interface pointer. An implementation's
// table may continue after the interface's slots; the framework's own
// implementations end it with their one-slot deleting destructor
// (abi/mem_man_object.h), which only their Release calls.
//
// Every operation answers an unsigned 32-bit status (0 = success) except
// AddRef and Release, which answer the reference count their own change
// produced. Out parameters come last.
#pragma once

#include <cstdint>

#include "abi/interface_id.h"

struct zkVariantS;

// Slots: QueryInterface, AddRef, Release.
class zkIUnknown {
 public:
  // Asks for the interface named by `id`. On success stores the interface
  // (one reference added for the caller) in *out and answers 0. What a
  // failure answers, and whether *out is touched, depends on the object.
  virtual uint32_t QueryInterface(const zkIIDS* id, void** out) = 0;
  virtual uint32_t AddRef() = 0;
  virtual uint32_t Release() = 0;

 protected:
  ~zkIUnknown() = default;
};

// Member kinds of a call by name; they are also the row kinds of method
// tables and the bits of type-information masks.
enum : uint32_t {
  kindMethod = 1,        // method call
  kindPropertyGet = 2,   // read a property
  kindPropertyPut = 4,   // assign a property, the value is the argument
  kindAny = 0xFFFFFFFFu  // matches rows of every kind (Invoke only)
};

// Slots: the three of zkIUnknown, Invoke.
class zkIDispatch : public zkIUnknown {
 public:
  // Calls the member `name` (null = the default member "") of kind `kind`
  // with `paramCount` variants at `params` (the caller keeps them).
  // On success stores the value in *result (when result is not null) and
  // answers 0. On failure answers 1, leaves *result untouched and, when
  // errorOut is not null, stores an error object ("ZKIEXCEPTION") with one
  // reference for the caller in *errorOut.
  virtual uint32_t Invoke(const char* name, uint32_t kind, uint32_t paramCount, const zkVariantS* params,
                          zkVariantS* result, zkIUnknown** errorOut) = 0;

 protected:
  ~zkIDispatch() = default;
};

// Slots: the three of zkIUnknown, GetThreadId, GetNativePointer, NativeCheck,
// GetNativeTypeName.
class zkIComNativePointer : public zkIUnknown {
 public:
  virtual uint32_t GetThreadId(uint32_t* threadId) = 0;
  virtual uint32_t GetNativePointer(void** pointer) = 0;
  virtual uint32_t NativeCheck(void* argument) = 0;
  virtual uint32_t GetNativeTypeName(zkVariantS* typeName) = 0;

 protected:
  ~zkIComNativePointer() = default;
};

// Slots: the three of zkIUnknown, ExtConnNotify, ExtConnNotify2, ExtConnQuery.
class zkIComExternalConnection : public zkIUnknown {
 public:
  virtual uint32_t ExtConnNotify(uint32_t value) = 0;
  virtual uint32_t ExtConnNotify2(uint32_t first, uint32_t second) = 0;
  virtual uint32_t ExtConnQuery(uint32_t* value) = 0;

 protected:
  ~zkIComExternalConnection() = default;
};

// The error object of a failed Invoke ("ZKIEXCEPTION").
// Slots: the three of zkIUnknown, GetContext, GetDescription, GetInnerError.
// Each getter answers 0; the variants receive copies of text values and the
// inner error comes with one reference added (null when there is none).
class zkIComException : public zkIUnknown {
 public:
  virtual uint32_t GetContext(zkVariantS* context) = 0;
  virtual uint32_t GetDescription(zkVariantS* description) = 0;
  virtual uint32_t GetInnerError(zkIUnknown** innerError) = 0;

 protected:
  ~zkIComException() = default;
};

// The host script engine's symbol reference ("ZKSCR.SYMBOLREF"). Only the
// value-reading operation in the fifth slot is called by this module.
class zkIComSymbolRef : public zkIUnknown {
 public:
  virtual uint32_t ReservedSlot() = 0;  // present in the table, never called
  // Stores the referenced value into *destination (an empty variant).
  virtual uint32_t GetValue(zkVariantS* destination) = 0;

 protected:
  ~zkIComSymbolRef() = default;
};
