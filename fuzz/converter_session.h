// The component's native converters for the fuzz targets: open one, convert
// a buffer, release it; a direct libiconv reference conversion; and the module heap's outstanding-block count, which
// must be back at its start once every object of an input is released.
#pragma once

#include <iconv.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "abi/charset_interfaces.h"
#include "charset/charset_factory.h"
#include "memory/module_heap.h"
#include "platform/lock.h"

inline std::uint64_t fuzzOutstandingBlocks() {
  lockGuardC guard(modulePool().lock());
  return modulePool().outstanding;
}

// A converter from `from` to `to`, or null. The caller releases it.
inline zkICharsetConverter* fuzzOpenConverter(const char* from, const char* to) {
  void* answer = nullptr;
  if (prxbaseICharsetFactoryC::createInstance(zkIID_ICharsetFactory, &answer) != 0) return nullptr;
  ICharsetFactory* factory = static_cast<ICharsetFactory*>(static_cast<zkIUnknown*>(answer));
  zkIUnknown* converter = nullptr;
  const std::uint32_t status = factory->openConverter(from, to, &converter);
  factory->Release();
  return status == 0 ? static_cast<zkICharsetConverter*>(converter) : nullptr;
}

// ConvertBuffer into `capacity` bytes (+1 for the zero the decoder writes):
// true with the bytes in *out, or false.
inline bool fuzzConvertBuffer(zkICharsetConverter* converter, const std::string& input, std::uint32_t capacity,
                              std::string* out) {
  std::vector<char> buffer(static_cast<std::size_t>(capacity) + 1, '\x55');
  std::uint32_t length = capacity;
  if (converter->ConvertBuffer(input.data(), static_cast<std::uint32_t>(input.size()), buffer.data(), &length) != 0) {
    return false;
  }
  out->assign(buffer.data(), length);
  return true;
}

// One direct libiconv call from `from` to `to` on `input` in a fresh handle;
// false when the library fails.
inline bool fuzzReferenceConvert(const char* from, const char* to, const std::string& input, std::string* output) {
  iconv_t handle = iconv_open(to, from);
  if (handle == reinterpret_cast<iconv_t>(-1)) return false;
  output->assign(input.size() * 8 + 16, '\0');
  const char* in = input.data();
  char* out = &(*output)[0];
  std::size_t inLeft = input.size(), outLeft = output->size();
  const bool converted = iconv(handle, &in, &inLeft, &out, &outLeft) != static_cast<std::size_t>(-1);
  iconv_close(handle);
  output->resize(output->size() - outLeft);
  return converted;
}

// The first conversions make what then stays for the life of the process
// (method tables, this thread's records); run one each way before any
// input is measured.
inline void fuzzWarmUp(const char* from, const char* to, const std::string& text) {
  zkICharsetConverter* converter = fuzzOpenConverter(from, to);
  if (converter == nullptr) return;
  std::string out;
  fuzzConvertBuffer(converter, text, static_cast<std::uint32_t>(text.size() * 40 + 64), &out);
  converter->Release();
}
