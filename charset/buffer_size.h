// Overflow-safe buffer sizes for the converters.
//
// Interface sizes are unsigned 32-bit. A conversion takes buffers whose size
// is a multiple of its input length (8 x n output bytes, 4 x n + 3 decoder
// bytes) plus one byte for a terminating zero. These helpers compute those
// sizes in 64-bit arithmetic and refuse any size that a 32-bit length (or,
// with the terminator, the platform's size_t) cannot represent, so that an
// oversized input fails cleanly instead of getting a wrapped, too-small
// buffer.
#pragma once

#include <cstddef>
#include <cstdint>

// Stores factor x n + extra in *size and answers true when it fits in 32
// bits; answers false and leaves *size untouched otherwise.
inline bool scaledBufferSize(uint64_t n, uint32_t factor, uint32_t extra, uint32_t* size) {
  if (factor != 0 && n > (UINT32_MAX - static_cast<uint64_t>(extra)) / factor) return false;
  *size = static_cast<uint32_t>(n * factor + extra);
  return true;
}

// Stores capacity + 1 (room for a terminating zero) in *bytes and answers
// true when size_t can hold it; false leaves *bytes untouched.
inline bool bytesWithTerminator(uint32_t capacity, size_t* bytes) {
  if (sizeof(size_t) <= sizeof(uint32_t) && capacity == UINT32_MAX) return false;
  *bytes = static_cast<size_t>(capacity) + 1;
  return true;
}
