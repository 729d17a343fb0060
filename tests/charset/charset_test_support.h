// Helpers shared by the charset tests: readable variants, a direct libiconv
// reference conversion, a counting (and failing) library table, and small
// wrappers around the component's native interfaces.
#pragma once

#include <gtest/gtest.h>
#include <iconv.h>

#include <string>
#include <vector>

#include "abi/charset_interfaces.h"
#include "abi/interface_ptr.h"
#include "charset/charset_factory.h"
#include "charset/iconv_library.h"
#include "runtime/variant.h"
#include "tests/support/hex_bytes.h"
#include "tests/support/variant_text.h"

namespace charsettest {

// One direct libiconv call on `input`, with `close` followed by the
// library's closing call; false when the library fails.
inline bool referenceConvert(const char* to, const char* from, const std::string& input, std::string* output,
                             bool close = false) {
  iconv_t handle = iconv_open(to, from);
  if (handle == invalidConversionHandle()) return false;
  output->assign(input.size() * 8 + 8, '\0');
  const char* in = input.data();
  char* out = &(*output)[0];
  size_t inLeft = input.size(), outLeft = output->size();
  bool converted = iconv(handle, &in, &inLeft, &out, &outLeft) != static_cast<size_t>(-1);
  if (converted && close) converted = iconv(handle, nullptr, nullptr, &out, &outLeft) != static_cast<size_t>(-1);
  iconv_close(handle);
  output->resize(output->size() - outLeft);
  return converted;
}

// Replaces the library table while alive: counts the calls (conversions of
// input and closing calls apart), fails on a conversion or close of a handle
// that is not open, and can make iconv_open fail.
class libraryProbeC {
 public:
  libraryProbeC() : previous(setCharsetLibrary({open, convert, close})) { active = this; }
  ~libraryProbeC() {
    setCharsetLibrary(previous);
    active = nullptr;
  }

  int opens = 0, converts = 0, closings = 0, closes = 0;
  bool failOpen = false;
  std::string lastNames;    // of the last open: "from -> to"
  size_t lastCapacity = 0;  // output bytes offered to the last conversion

 private:
  inline static libraryProbeC* active = nullptr;
  static iconv_t open(const char* to, const char* from) {
    ++active->opens;
    active->lastNames = std::string(from) + " -> " + to;
    return active->failOpen ? invalidConversionHandle() : gnuCharsetLibrary().open(to, from);
  }
  static size_t convert(iconv_t handle, const char** in, size_t* inLeft, char** out, size_t* outLeft) {
    ++(in == nullptr ? active->closings : active->converts);
    active->lastCapacity = *outLeft;
    EXPECT_TRUE(isOpenConversionHandle(handle)) << "conversion on a handle that is not open";
    EXPECT_TRUE(in == nullptr || *in != nullptr) << "input without bytes";
    return gnuCharsetLibrary().convert(handle, in, inLeft, out, outLeft);
  }
  static int close(iconv_t handle) {
    ++active->closes;
    EXPECT_TRUE(isOpenConversionHandle(handle)) << "closing a handle that is not open";
    return gnuCharsetLibrary().close(handle);
  }
  charsetLibraryS previous;
};

inline zkInterfacePtrT<ICharsetFactory> makeFactory() {
  zkInterfacePtrT<ICharsetFactory> factory;
  void* answer = nullptr;
  EXPECT_EQ(0u, prxbaseICharsetFactoryC::createInstance(zkIID_ICharsetFactory, &answer));
  factory.attach(static_cast<ICharsetFactory*>(static_cast<zkIUnknown*>(answer)));
  return factory;
}

// A converter's native face; empty when openConverter failed.
inline zkInterfacePtrT<zkICharsetConverter> openNative(const char* from, const char* to) {
  zkIUnknown* answer = nullptr;
  zkInterfacePtrT<zkICharsetConverter> converter;
  if (makeFactory()->openConverter(from, to, &answer) == 0) {
    converter.attach(static_cast<zkICharsetConverter*>(answer));
  }
  return converter;
}

// ConvertString's text, or "FAIL" (the variant must then be untouched).
inline std::string convertString(zkICharsetConverter* converter, const std::string& text) {
  zkVariantS out;
  out.setInt(4242);
  if (converter->ConvertString(text.c_str(), &out) == 0) return variantText(out);
  EXPECT_EQ("zkVarInt 4242", describeVariant(out)) << "output variant changed by a failed call";
  return "FAIL";
}

// ConvertBuffer's bytes into `capacity` (+1 for the zero), or "FAIL" (length untouched).
inline std::string convertBuffer(zkICharsetConverter* converter, const std::string& input, uint32_t capacity) {
  std::vector<char> out(static_cast<size_t>(capacity) + 1, '\x55');
  uint32_t length = capacity;
  if (converter->ConvertBuffer(input.data(), static_cast<uint32_t>(input.size()), out.data(), &length) != 0) {
    EXPECT_EQ(capacity, length) << "length changed by a failed call";
    return "FAIL";
  }
  EXPECT_LE(length, capacity);
  return std::string(out.data(), length);
}

// The closing call (ConvertBuffer with a null input and length 0): its bytes
// into `capacity` (+1 for the zero), or "FAIL".
inline std::string closeBuffer(zkICharsetConverter* converter, uint32_t capacity) {
  std::vector<char> out(static_cast<size_t>(capacity) + 1, '\x55');
  uint32_t length = capacity;
  if (converter->ConvertBuffer(nullptr, 0, out.data(), &length) != 0) return "FAIL";
  return std::string(out.data(), length);
}

// The component's "Convert"(from, to, text) through Invoke: the text, or the
// described value when it is no text.
inline std::string convertByName(const std::string& from, const std::string& to, const std::string& text) {
  zkInterfacePtrT<zkIDispatch> component;
  EXPECT_EQ(0u, component.query(makeFactory().get(), zkIID_IDispatch));
  zkVariantS args[3], result;
  args[0].setString(from.c_str());
  args[1].setString(to.c_str());
  args[2].setString(text.c_str());
  EXPECT_EQ(0u, component->Invoke("Convert", kindMethod, 3, args, &result, nullptr));
  return result.type == zkVarString ? variantText(result) : "<" + describeVariant(result) + ">";
}

}  // namespace charsettest
