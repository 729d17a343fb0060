// prxbasezkICharsetConverterC: the plain converter, one charset library
// handle converting between two character sets the library knows.
//
// It is a dispatchable object with the members "Reset" and "ConvertString"
// and carries the native interface zkICharsetConverter
// ("RAVOD.ICHARSETCONV"). Every conversion is exactly one library call into
// a buffer sized from the input: no growth loop, no retry; the handle keeps
// its conversion state (shift states, a byte-order mark already written, a
// character the source decoder holds back until it knows what follows) from
// one call to the next until Reset.
//
// The library's closing call (a call without input) ends a conversion: it
// writes what the source decoder still holds and the sequence that returns
// a stateful target (UTF-7, ISO-2022-JP, ...) to its initial state.
// ConvertBuffer with a null input and length 0 is that call; the one-shot
// "Convert" of the component makes it after its one conversion
// (convertStringAndClose). ConvertString alone never makes it: successive
// calls are pieces of one stream.
//
// Failure: a conversion that fails in any way (invalid or incomplete input,
// output longer than the buffer, an input too large for its buffer size to
// be represented in 32 bits) answers 1 and leaves the output variant as it
// was. After a failed Reset the converter has no handle and answers 1 to
// every conversion without calling the library.
//
// One converter is used by one thread at a time.
#pragma once

#include <iconv.h>

#include <cstdint>

#include "abi/charset_interfaces.h"
#include "base/str.h"
#include "memory/mem_man.h"
#include "runtime/proxy_object.h"

class prxbasezkICharsetConverterC : public proxyObjectC, public zkICharsetConverter {
 public:
  // Takes over `handle` (open) and copies the two names exactly as they
  // were handed to the library. The object starts with no reference.
  // Allocation goes through the memory manager and may answer null.
  prxbasezkICharsetConverterC(iconv_t handle, const char* fromName, const char* toName);

  // "RAVOD.ICHARSETCONV": the native interface, one reference added.
  // Everything else: proxyObjectC's answers.
  uint32_t QueryInterface(const zkIIDS* id, void** out) override;
  uint32_t AddRef() override;
  uint32_t Release() override;

  // Closes the handle (when open) and opens a new one for toCharset from
  // fromCharset: 0 when it opened, 1 when not.
  uint32_t Reset() override;

  // One library call from `in` (inLength bytes) into `out`, whose capacity
  // is *outLength; a null `in` with length 0 makes it the closing call, and
  // `out` receives the closing bytes (none for a stateless target and a
  // decoder that holds nothing). An empty non-null input is converted as
  // such and produces nothing. On success writes a zero byte after the
  // produced bytes (so `out` must hold capacity + 1 bytes), stores the
  // produced length in *outLength and answers 0. Answers 1 on failure,
  // *outLength unchanged, and for a null outLength, a null `out`, or a null
  // `in` with a non-zero length.
  uint32_t ConvertBuffer(const char* in, uint32_t inLength, char* out, uint32_t* outLength) override;

  // The empty (or null) text gives the empty text without a library call.
  // Otherwise one call into a scratch buffer of 8 bytes per input byte; on
  // success *out becomes the produced text up to its first zero byte.
  uint32_t ConvertString(const char* in, zkVariantS* out) override;

  // The one-shot conversion of "Convert": ConvertString, then the closing
  // call into the room the scratch buffer has left, so the result is
  // complete: *out becomes the text of both up to the first zero byte. The
  // empty text still gives "" without a library call. Answers 1 with *out
  // unchanged when either call fails.
  virtual uint32_t convertStringAndClose(const char* in, zkVariantS* out);

  const char* getNativeTypeName() override;
  ZK_DELETING_DESTRUCTOR(prxbasezkICharsetConverterC)

  iconv_t handle() const { return conversionHandle; }
  const str& sourceName() const { return fromCharset; }
  const str& targetName() const { return toCharset; }

 protected:
  // For the HTML converter: its own method rows.
  prxbasezkICharsetConverterC(const proxyMethodEntryS* rows, iconv_t handle, const char* fromName, const char* toName);
  // Closes the handle unless it is 0 or the failure value.
  ~prxbasezkICharsetConverterC();

  // The one library call of a conversion: converts inLength bytes at `in`
  // into `out` with `capacity` bytes and stores the number of bytes the call
  // wrote in *produced, also when the call failed (the library advances its
  // output over what it converted before the failure). Answers true on
  // success. Requires an open handle; a null `in` is read as no input, never
  // as the library's flush call.
  bool convertOnce(const char* in, size_t inLength, char* out, size_t capacity, size_t* produced);

  // The library's closing call into `out` with `capacity` bytes; stores the
  // number of bytes written in *produced, also when it failed (no room).
  // Answers true on success. Requires an open handle.
  bool closeOnce(char* out, size_t capacity, size_t* produced);

  // Sets *out to a text value holding a copy of `text` and answers 0; when
  // the copy cannot be allocated answers 1 with *out unchanged.
  static uint32_t storeTextResult(const char* text, zkVariantS* out);
  // The same for a text built in `text`, which is handed over without a
  // copy when no zero byte ends it early (a text value ends at its first
  // zero byte); `text` may be left empty.
  static uint32_t storeTextResult(str& text, zkVariantS* out);

  // Hook for subclasses: the handle was replaced by a new one (Reset).
  virtual void onHandleReset() {}

  iconv_t conversionHandle;  // open handle; all ones: open failed; 0: closed
  str fromCharset;           // source name as handed to the library
  str toCharset;             // target name as handed to the library

 private:
  // ConvertString, followed by the closing call when `close` is set.
  uint32_t convertText(const char* in, zkVariantS* out, bool close);
};

// The method rows of a converter: "Reset" (kind 1, no argument: the integer
// status of Reset) and "ConvertString" (kind 1, one text argument: the
// converted text, or the empty value when the conversion failed).
extern const proxyMethodEntryS charsetConverterRows[];
