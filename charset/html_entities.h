// Named HTML character entities.
//
// `htmlEntityTable` is the constant table of the 187 entity names the codec
// knows, each with its UTF-16 code unit, in three groups: Greek letters and
// symbols (52 rows), mathematical symbols (39 rows) and Latin-1 (96 rows,
// codes 160 to 255). Lookups answer the first matching row; names compare
// exactly (letter case counts). The four names "quot", "amp", "lt" and "gt"
// are not rows of the table: both lookups handle them before the table.
//
// The lookups are pure and thread-safe; they allocate nothing.
#pragma once

#include <cstddef>
#include <cstdint>

struct htmlEntityS {
  const char* name;  // text between '&' and ';'
  uint16_t code;     // UTF-16 code unit the name stands for
};

constexpr size_t htmlEntityCount = 187;
extern const htmlEntityS htmlEntityTable[htmlEntityCount];

// The text of one entity name: at most "thetasym" (8 characters) or "#xffff"
// (6 characters), zero-terminated.
struct htmlEntityNameS {
  char text[9];
};

// The text between '&' and ';' that stands for `code`: "gt", "lt", "amp" or
// "quot" for 62, 60, 38, 34; else the name of the first table row with that
// code; else "#x" and the code in lower-case hexadecimal, at least four
// digits with leading zeros (8364 gives "#x20ac", 338 gives "#x0152").
htmlEntityNameS entityNameForCode(uint16_t code);

// Writes the entity name of `code` to `out` (no terminator) and answers its
// length (2 to 8). `out` must hold 8 bytes.
size_t writeEntityName(uint16_t code, char* out);

// The lengths writeEntityName answers, indexed by code unit (65,536 of
// them), without writing any name.
const uint8_t* entityNameLengths();

// The code unit that the entity name `name` (`length` bytes, which may
// include any byte value) stands for, or 0 for none:
//   1. the code of the first table row whose name equals `name` exactly;
//   2. "quot" 34, "amp" 38, "lt" 60, "gt" 62;
//   3. a number: hexadecimal digits by default, "#" at position 0 switches
//      to decimal, "x" at position 1 switches back to hexadecimal; upper-case
//      "X" and letters in decimal mode are not digits. Any other character,
//      or no digit at all, gives 0. The value is taken modulo 65536, so
//      "#65601" gives 65 and "#65536" gives 0 (which counts as no code).
uint16_t entityCodeForName(const char* name, size_t length);

// The same for a zero-terminated name.
uint16_t entityCodeForName(const char* name);
