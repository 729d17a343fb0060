// What zkconv holds of the module: the loaded module with its engine and
// component, and the native converters it opens on the component.
//
// componentSessionC loads the module file, binds it to a reference engine
// and creates "rozorevo.charsetconvert"; its destructor releases the
// component, terminates and unloads. Its operations answer false (with a
// one-line reason where there is one) and never throw, except that a host
// allocation may throw std::bad_alloc like any other in zkconv.
//
// nativeConverterC is one converter of the component's native interface with
// its conversion state, as zkconv drives it: it sizes the output room of each
// ConvertBuffer call from the input, so that a refusal means the converter
// could not convert, never that the room was short.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "abi/charset_interfaces.h"
#include "abi/interface_ptr.h"
#include "host/component_module.h"
#include "host/reference_engine.h"

// A growable byte buffer whose storage is not cleared: conversions write
// every byte they report.
class byteBufferC {
 public:
  // Makes room for at least `size` bytes, keeping nothing of the old content.
  void reserve(std::size_t size);
  char* data() { return storage.get(); }
  const char* data() const { return storage.get(); }

 private:
  std::unique_ptr<char[]> storage;
  std::size_t capacity = 0;
};

class componentSessionC {
 public:
  componentSessionC() = default;
  componentSessionC(const componentSessionC&) = delete;
  componentSessionC& operator=(const componentSessionC&) = delete;
  ~componentSessionC();

  // Loads `modulePath` and creates the component; false with the reason.
  bool open(const std::string& modulePath, std::string* error);

  // The component object, with no reference added.
  zkIUnknown* component() const { return object.get(); }

  // The component's "LocaleCharset"; false when it has no native interface.
  bool localeCharset(std::string* name);

  // The native openConverter; false when the component refuses the pair.
  bool openConverter(const std::string& from, const std::string& to, zkInterfacePtrT<zkICharsetConverter>* converter);

  // What "Convert"(from, to, text) answered.
  enum convertAnswerE {
    answeredText,     // *result holds the text
    answeredEmpty,    // the conversion failed (the empty value)
    answeredUnknown,  // no converter for the names (the integer 0)
    callFailed,       // Invoke failed, or the answer was of no known shape
  };
  // Calls "Convert" by name with the zero-terminated `text`.
  convertAnswerE convertByName(const std::string& from, const std::string& to, const std::string& text,
                               std::string* result);

 private:
  componentModuleC module;
  referenceEngineC engine;
  zkInterfacePtrT<zkIUnknown> object;
};

class nativeConverterC {
 public:
  // Opens from -> to on the component; false when it refuses.
  bool open(componentSessionC& session, const std::string& from, const std::string& to);
  bool isOpen() const { return converter.get() != nullptr; }
  void release() { converter.reset(); }

  // Converts in[0..length), continuing the conversion state, into `out` (room
  // is made there); *produced is the number of bytes written. A null `in`
  // with length 0 is the closing call, which writes the target's return to
  // its initial state. False when the converter refuses; *produced and the
  // content of `out` are unspecified then.
  bool convert(const char* in, std::size_t length, byteBufferC& out, std::size_t* produced);

  // Makes the room in `out` that converting `length` bytes takes, so that a
  // caller can hold its most memory from the start.
  void makeRoom(std::size_t length, byteBufferC& out) const;

 private:
  std::size_t roomFor(std::size_t length) const;

  zkInterfacePtrT<zkICharsetConverter> converter;
  bool htmlTarget = false;
};

// True for the names of the two pseudo character sets, as the component
// compares them (exactly, letter case counts).
bool isHtmlCharset(const std::string& name);
