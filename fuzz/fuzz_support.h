// Helpers shared by the fuzz targets: a reader that takes typed values off
// the fuzzer's bytes, a property check that prints both sides readably and
// aborts (which libFuzzer records as a crash with its input).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

// Takes values off the front of the input; past its end every value is 0.
class fuzzReaderC {
 public:
  fuzzReaderC(const std::uint8_t* data, std::size_t size) : next(data), left(size) {}

  bool empty() const { return left == 0; }
  std::size_t remaining() const { return left; }

  std::uint8_t byte() {
    if (left == 0) return 0;
    --left;
    return *next++;
  }
  std::uint16_t u16() { return static_cast<std::uint16_t>(byte() | (byte() << 8)); }
  std::uint32_t u32() { return static_cast<std::uint32_t>(u16()) | (static_cast<std::uint32_t>(u16()) << 16); }
  std::uint64_t u64() { return static_cast<std::uint64_t>(u32()) | (static_cast<std::uint64_t>(u32()) << 32); }
  // Up to `most` bytes, the count taken from the input first.
  std::string bytes(std::size_t most) {
    std::size_t n = byte() % (most + 1);
    if (n > left) n = left;
    std::string out(reinterpret_cast<const char*>(next), n);
    next += n;
    left -= n;
    return out;
  }
  // Everything that is left.
  std::string takeAll() {
    std::string out(reinterpret_cast<const char*>(next), left);
    next += left;
    left = 0;
    return out;
  }

 private:
  const std::uint8_t* next;
  std::size_t left;
};

// Bytes as readable hex: "FE FF 00 61" (long texts are cut after 96 bytes).
inline std::string fuzzHex(const std::string& bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string text;
  std::size_t shown = 0;
  for (unsigned char byte : bytes) {
    if (shown++ == 96) return text + " ...";
    if (!text.empty()) text += ' ';
    text += digits[byte >> 4];
    text += digits[byte & 15];
  }
  return text;
}

// A property that does not hold: both sides on standard error, then abort.
[[noreturn]] inline void fuzzFail(const char* what, const std::string& expected, const std::string& actual) {
  std::fprintf(stderr, "property failed: %s\n  expected: %s\n  actual:   %s\n", what, expected.c_str(), actual.c_str());
  std::abort();
}

inline void fuzzExpectBytes(const char* what, const std::string& expected, const std::string& actual) {
  if (expected != actual) fuzzFail(what, fuzzHex(expected), fuzzHex(actual));
}

inline void fuzzExpectNumber(const char* what, std::uint64_t expected, std::uint64_t actual) {
  if (expected != actual) fuzzFail(what, std::to_string(expected), std::to_string(actual));
}

inline void fuzzExpect(const char* what, bool holds) {
  if (!holds) fuzzFail(what, "true", "false");
}
