// Decoding source text with zkconv's own copy of the charset library, into
// "UCS-4-INTERNAL": one 32-bit code point per character in host order.
#include "host/zkconv_decoder.h"

#include <cerrno>
#include <cstring>

namespace {

const iconv_t noHandle = reinterpret_cast<iconv_t>(-1);

// The decoded form: every character the library knows fits, so only the
// source side can make a call fail.
const char kCodePoints[] = "UCS-4-INTERNAL";
const char kCodePointsSkipping[] = "UCS-4-INTERNAL//IGNORE";

}  // namespace

sourceDecoderC::~sourceDecoderC() {
  if (handle != noHandle) iconv_close(handle);
}

bool sourceDecoderC::open(const std::string& charset, bool skipInvalid) {
  if (handle != noHandle) iconv_close(handle);
  handle = iconv_open(skipInvalid ? kCodePointsSkipping : kCodePoints, charset.c_str());
  heldCount = 0;
  return handle != noHandle;
}

void sourceDecoderC::reserve(std::size_t count) {
  if (count <= heldCapacity) return;
  const std::size_t capacity = count + count / 2;
  std::unique_ptr<char32_t[]> grown(new char32_t[capacity]);
  if (heldCount > 0) std::memcpy(grown.get(), held.get(), heldCount * sizeof(char32_t));
  held = std::move(grown);
  heldCapacity = capacity;
}

sourceDecoderC::stopE sourceDecoderC::decode(const char* in, std::size_t length, std::size_t* consumed) {
  const char* input = in;
  std::size_t inputLeft = length;
  // One character per input byte at most, plus characters held back from
  // earlier input (a base letter waiting for a combining mark); the loop
  // grows the room should a decoder ever give more.
  reserve(heldCount + length + 4);
  for (;;) {
    char* output = reinterpret_cast<char*>(held.get() + heldCount);
    std::size_t outputLeft = (heldCapacity - heldCount) * sizeof(char32_t);
    const std::size_t before = outputLeft;
    const std::size_t answer = iconv(handle, &input, &inputLeft, &output, &outputLeft);
    const int error = errno;
    heldCount += (before - outputLeft) / sizeof(char32_t);
    *consumed = length - inputLeft;
    if (answer != static_cast<std::size_t>(-1)) return decodedAll;
    if (error == E2BIG) {
      reserve(heldCapacity + inputLeft + 4);
      continue;
    }
    return error == EINVAL ? stoppedIncomplete : stoppedInvalid;
  }
}

bool offsetOfCharacter(const std::string& charset, const char* in, std::size_t length, const char32_t* expected,
                       std::size_t index, std::size_t* offset) {
  iconv_t fresh = iconv_open(kCodePoints, charset.c_str());
  if (fresh == noHandle) return false;
  // Room for exactly `index` characters: the library stops in front of the
  // next one and leaves the input pointer at its first byte.
  std::unique_ptr<char32_t[]> decoded(new char32_t[index + 1]);
  const char* input = in;
  std::size_t inputLeft = length;
  char* output = reinterpret_cast<char*>(decoded.get());
  std::size_t outputLeft = index * sizeof(char32_t);
  iconv(fresh, &input, &inputLeft, &output, &outputLeft);
  iconv_close(fresh);
  if (outputLeft != 0 || (index > 0 && std::memcmp(decoded.get(), expected, index * sizeof(char32_t)) != 0)) {
    return false;
  }
  *offset = length - inputLeft;
  return true;
}
