// prxbasezkIHtmlConverterC: the converter for the pseudo character sets
// "HTML" and "HTMLWITHTAGS", and the two codec operations it runs.
//
// Its library handle converts between the real character set on the other
// side and "UTF-16" (big-endian units; the library writes the byte-order
// mark FE FF once, at the start of a conversion state). When the pseudo
// character set is the target, the converter encodes: it converts the input
// to UTF-16 and turns the units into entity text (html_codec.h). When it is
// the source, it decodes: entity text becomes UTF-16 units behind a mark,
// which the handle converts to the target.
//
// Successive calls share the handle's state. The encoder therefore skips
// the mark only in the output in which the library actually wrote it (the
// first output of a conversion state, tracked in utf16MarkPending), so no
// later call loses its first character and a U+FEFF in the text is kept.
// The decoder puts a mark in front of every input; the library reads marks
// as byte-order marks wherever they stand, so none reaches the output.
//
// Failure: as for the plain converter (charset_converter.h); decoding also
// fails at the first '&' that starts no known entity.
#pragma once

#include <cstdint>

#include "charset/charset_converter.h"

class prxbasezkIHtmlConverterC : public prxbasezkICharsetConverterC {
 public:
  // `handle` converts fromName to toName, one of which is "UTF-16" standing
  // for the pseudo character set. htmlTarget: the pseudo character set was
  // the target (encode); tags: it was "HTMLWITHTAGS".
  prxbasezkIHtmlConverterC(iconv_t handle, const char* fromName, const char* toName, bool htmlTarget, bool tags);

  // Encoding: the entity text; when it is longer than *outLength, answers 1
  // and changes neither `out` nor *outLength; otherwise copies it to `out`
  // without a terminating zero and stores its length. Decoding: decodeHtml
  // directly into `out`, which must hold *outLength + 1 bytes. A null `in`
  // with length 0 is the closing call of the handle: when encoding, what the
  // source decoder still held comes out as entity text; when decoding, the
  // target's return to its initial state is written.
  uint32_t ConvertBuffer(const char* in, uint32_t inLength, char* out, uint32_t* outLength) override;

  // The empty text gives "" without a library call. Encoding: the entity
  // text. Decoding: decodeHtml into a scratch buffer of 8 bytes per input
  // byte; the result is the text up to its first zero byte.
  uint32_t ConvertString(const char* in, zkVariantS* out) override;
  // ConvertString with the handle's closing call after its one conversion,
  // into the room left (see encodeHtml and decodeHtml).
  uint32_t convertStringAndClose(const char* in, zkVariantS* out) override;

  const char* getNativeTypeName() override;
  ZK_DELETING_DESTRUCTOR(prxbasezkIHtmlConverterC)

  bool encodes() const { return htmlIsTarget != 0; }
  bool hasTags() const { return withTags != 0; }

 protected:
  ~prxbasezkIHtmlConverterC() = default;
  void onHandleReset() override { utf16MarkPending = 1; }

 private:
  friend uint32_t encodeHtml(prxbasezkIHtmlConverterC& converter, const char* in, uint32_t inLength, str& out,
                             bool close);
  friend uint32_t decodeHtml(prxbasezkIHtmlConverterC& converter, const char* in, uint32_t inLength, char* out,
                             uint32_t* outLength, bool close);

  // ConvertString, followed by the closing call when `close` is set.
  uint32_t convertHtmlText(const char* in, zkVariantS* out, bool close);

  uint8_t htmlIsTarget;      // 1: encodes into entity text; 0: decodes it
  uint8_t withTags;          // 1: "HTMLWITHTAGS", doubled brackets are tags
  uint8_t utf16MarkPending;  // 1: the handle has not written its mark yet
};

// Converts `inLength` bytes with the converter's handle into UTF-16 (one
// library call into a scratch buffer of 8 bytes per input byte) and appends
// the entity text of the units to `out`. With `close`, the buffer has 16
// bytes more and the library's closing call follows into the room left, so a
// character the source decoder held back is encoded too; a null `in` with
// `close` makes the closing call alone. Answers 0, or 1 when the converter
// has no handle, the input is too large, memory runs out or a library call
// fails; `out` is unchanged then.
uint32_t encodeHtml(prxbasezkIHtmlConverterC& converter, const char* in, uint32_t inLength, str& out, bool close);

// Decodes `inLength` bytes of entity text into UTF-16 (a scratch buffer of
// 4 x inLength + 3 bytes) and converts it with the converter's handle in one
// library call into `out`, whose capacity is *outLength. On success writes a
// zero byte after the produced bytes (`out` must hold capacity + 1 bytes),
// stores the produced length in *outLength and answers 0. Answers 1 with
// *outLength unchanged on an unknown entity (before `out` is written), an
// input too large, missing memory or a failed library call (the content of
// `out` is then unspecified). With `close`, the library's closing call
// follows into the room left in `out`; a null `in` with `close` makes the
// closing call alone, without decoding.
uint32_t decodeHtml(prxbasezkIHtmlConverterC& converter, const char* in, uint32_t inLength, char* out,
                    uint32_t* outLength, bool close);
