// The native interfaces of the charset component.
//
// Other modules that hold these interfaces call the component and its
// converters directly, without dispatch by name. Slot order is part of the
// contract: the three zkIUnknown slots, then the operations below in this
// order. Every operation answers an unsigned 32-bit status, 0 for success;
// out parameters come last and are left as they were on failure unless an
// operation says otherwise.
#pragma once

#include <cstdint>

#include "abi/interfaces.h"

struct zkVariantS;

// "RAVOD.ICHARSETCONV": one conversion handle with its state.
class zkICharsetConverter : public zkIUnknown {
 public:
  // Starts the conversion state afresh with a new handle for the stored
  // names: 0 when it opened, 1 when not (the converter then answers 1 to
  // every conversion until a later Reset succeeds).
  virtual uint32_t Reset() = 0;

  // Converts `inLength` bytes at `in` into `out`. On entry *outLength is the
  // capacity of `out`; on success it becomes the number of bytes produced.
  // What else is written and what `out` must hold depends on the converter
  // (see charset_converter.h and html_converter.h). On failure *outLength is
  // unchanged and the content of `out` is unspecified.
  virtual uint32_t ConvertBuffer(const char* in, uint32_t inLength, char* out, uint32_t* outLength) = 0;

  // Converts the zero-terminated text `in`. On success *out becomes a text
  // value: the converted bytes up to the first zero byte.
  virtual uint32_t ConvertString(const char* in, zkVariantS* out) = 0;

 protected:
  ~zkICharsetConverter() = default;
};

// "RAVOD.ICHARSETFACT": the component's own operations.
class ICharsetFactory : public zkIUnknown {
 public:
  // Always answers 1 and leaves *out as it was: no list of character sets
  // is offered.
  virtual uint32_t AvailableCharsets(zkIUnknown** out) = 0;

  // Sets *out to a text value holding the character set of the process's
  // current locale and answers 0 (1 when *out is null or the text cannot be
  // stored).
  virtual uint32_t LocaleCharset(zkVariantS* out) = 0;

  // Opens a converter from `fromCharset` to `toCharset`; "HTML" and
  // "HTMLWITHTAGS" (exactly so) name the HTML entity text on either side.
  // On success *out receives the converter's zkICharsetConverter with one
  // reference and the status is 0. Answers 1, *out untouched, for the same
  // pseudo character set on both sides and for a pair the charset library
  // cannot convert.
  virtual uint32_t openConverter(const char* fromCharset, const char* toCharset, zkIUnknown** out) = 0;

 protected:
  ~ICharsetFactory() = default;
};
