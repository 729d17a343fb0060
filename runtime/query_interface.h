// queryInterfaceTable: the one walk behind the QueryInterface of the
// runtime's classes.
//
// A class lists the identifiers it answers, each with the function that
// yields the interface pointer to hand out; the walk compares the asked
// identifier with each row in order and, on the first match, adds one
// reference through the answer and stores it in *out. What a miss answers
// and whether it touches *out differ between classes (abi/status.h), so the
// walk only reports whether a row matched and leaves the miss to the caller.
#pragma once

#include <cstddef>

#include "abi/interfaces.h"

template <class Self>
struct queryInterfaceRowS {
  const zkIIDS* id;                   // the identifier answered
  zkIUnknown* (*answer)(Self* self);  // the interface handed out for it
};

// True when a row names `id`: *out then holds the answer with one reference
// added. False leaves *out untouched; it also answers a row whose answer is
// null (an object made for the query when memory ran out).
template <class Self, std::size_t N>
bool queryInterfaceTable(Self* self, const queryInterfaceRowS<Self> (&rows)[N], const zkIIDS& id, void** out) {
  for (const queryInterfaceRowS<Self>& row : rows) {
    if (!id.equal(*row.id)) continue;
    zkIUnknown* answer = row.answer(self);
    if (answer == nullptr) return false;  // a new object that could not be made
    answer->AddRef();
    *out = answer;
    return true;
  }
  return false;
}
