// Test text for the charset benchmarks.
#pragma once

#include <cstddef>
#include <string>

// Mostly ASCII words with Latin-1 letters, no-break spaces and markup
// characters mixed in, `size` bytes, never a zero byte; the same text for
// the same size on every run.
std::string benchMixedLatin1(std::size_t size);
