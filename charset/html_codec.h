// The HTML entity text walks over byte buffers.
//
// HTML entity text is 8-bit text in which characters are written as entity
// references ("&eacute;", "&#x20ac;"). These walks translate between such
// text and big-endian UTF-16 code units; the converters of
// html_converter.h run the charset library on the UTF-16 side. The walks are
// pure: they allocate nothing and write only into the caller's buffers.
#pragma once

#include <cstddef>
#include <cstdint>

// Most bytes the encoder writes per UTF-16 byte: a unit (2 bytes) becomes at
// most "&thetasym;" (10 bytes).
constexpr uint32_t htmlEncodedBytesPerUnitByte = 5;

// Encodes `byteCount` bytes of big-endian UTF-16 units (no byte-order mark)
// into entity text at `out` and answers the number of bytes written. `out`
// must hold htmlEncodedBytesPerUnitByte x byteCount bytes; nothing is
// terminated. Per unit c:
//   - '<' or '>': with `withTags` and the next unit equal to c, the pair
//     becomes the single character c; otherwise "&lt;" or "&gt;";
//   - '"' and '&': "&quot;" and "&amp;";
//   - above 127: '&', the entity name of c, ';';
//   - anything else: the byte c itself.
// A trailing odd byte is ignored. Surrogates are units like any other: a
// character above U+FFFF becomes two numeric entities.
size_t encodeHtmlUnits(const unsigned char* units, size_t byteCount, bool withTags, char* out);

// The number of bytes encodeHtmlUnits writes for the same units, without
// writing them.
size_t encodedHtmlLength(const unsigned char* units, size_t byteCount, bool withTags);

// Bytes the decoder needs for `inLength` bytes of entity text: the mark, up
// to two units per input byte (a tag bracket doubled), and one spare unit.
// Callers compute it with scaledBufferSize(inLength, 4, 3, ...).
constexpr uint32_t htmlDecodedBytesPerInputByte = 4;
constexpr uint32_t htmlDecodedExtraBytes = 3;

// Decodes `inLength` bytes of entity text into big-endian UTF-16 at `out`,
// starting with the byte-order mark FE FF. Every byte outside an entity
// stands for the character with the same number (0 to 255); with
// `withTags`, '<' and '>' are written twice. An entity is '&', a name of at
// most 18 bytes and ';'. On success stores the bytes written in *written and
// answers true. Answers false (with *written untouched) at the first '&'
// that starts no known entity: no ';' within the next 19 bytes, the input
// ends first, or the name gives no code (entityCodeForName answers 0). The
// units FEFF and FFFE fail as well: the charset library's "UTF-16" reads
// them as byte-order marks, so it would drop the one and reverse the byte
// order of everything after the other.
bool decodeHtmlUnits(const char* in, size_t inLength, bool withTags, unsigned char* out, size_t* written);
