// What `zkconv --members` prints: the members of an object, read through its
// type information ("ZKIIDTYPEINFO", abi/type_info.h).
#pragma once

#include <cstdio>
#include <string>

#include "abi/interfaces.h"

// Prints `title`, then one line per member of `object` in the order its type
// information lists them: kind, name, then the argument counts of a method
// or whether a property can be assigned. False with the message when the
// object does not describe its members.
bool printMembers(zkIUnknown* object, const std::string& title, std::FILE* output, std::string* error);
