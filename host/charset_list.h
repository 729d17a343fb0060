// The character sets zkconv can name, as `zkconv --list` prints them.
//
// The names come from the list facility of the charset library linked into
// zkconv (the same GNU libiconv the module carries), one line per character
// set with its aliases separated by spaces, in the library's order; then the
// two pseudo character sets of the module, "HTML" and "HTMLWITHTAGS", one
// line each. Answers false when writing to `out` failed.
#pragma once

#include <cstdio>

bool listCharsets(std::FILE* out);
