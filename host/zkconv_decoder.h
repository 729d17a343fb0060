// sourceDecoderC: zkconv's own view of the source text, through the charset
// library linked into zkconv itself (the same GNU libiconv the module
// carries).
//
// The module's ConvertBuffer answers only success or failure; it does not
// tell how far it got or why it stopped. zkconv therefore decodes every
// piece of a library character set with this decoder before it hands the
// piece to the module: the library decodes the same bytes into the same
// characters with the same state whatever the target, so the decoder finds
// where complete characters end (the places where a piece may be cut), the
// exact byte of an invalid sequence, and an incomplete character at the end
// of a file, and it knows the characters of the piece, from which the
// character that the target cannot represent is found afterwards.
//
// The pseudo character sets "HTML" and "HTMLWITHTAGS" are the module's own;
// this decoder does not know them (open answers false).
#pragma once

#include <iconv.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

class sourceDecoderC {
 public:
  sourceDecoderC() = default;
  sourceDecoderC(const sourceDecoderC&) = delete;
  sourceDecoderC& operator=(const sourceDecoderC&) = delete;
  ~sourceDecoderC();

  // Opens a decoder for `charset` with a fresh state. With `skipInvalid` it
  // skips invalid sequences exactly as the library's "//IGNORE" does, so that
  // it stays in step with a converter opened with that suffix. False when the
  // library does not know the name.
  bool open(const std::string& charset, bool skipInvalid);

  enum stopE {
    decodedAll,         // every byte was consumed
    stoppedIncomplete,  // the input ends inside a character or shift sequence
    stoppedInvalid,     // an invalid sequence starts at the first unconsumed byte
  };

  // Decodes in[0..length), continuing the state, and appends the characters
  // to the held list; *consumed is the number of bytes decoded (all of them,
  // or up to where it stopped). Answers why it stopped. May throw
  // std::bad_alloc while making room for the characters.
  stopE decode(const char* in, std::size_t length, std::size_t* consumed);

  // The characters appended since the last forget().
  const char32_t* characters() const { return held.get(); }
  std::size_t characterCount() const { return heldCount; }
  void forget() { heldCount = 0; }

  // Makes room for `count` characters, so that a caller can hold its most
  // memory from the start. May throw std::bad_alloc.
  void reserve(std::size_t count);

 private:
  iconv_t handle = reinterpret_cast<iconv_t>(-1);
  std::unique_ptr<char32_t[]> held;
  std::size_t heldCount = 0;
  std::size_t heldCapacity = 0;
};

// Decodes in[0..length) with a fresh decoder for `charset` and answers in
// *offset where character `index` starts, provided the characters before it
// decode exactly to expected[0..index). False when they do not (the text
// depends on a state from before `in`) or the name is unknown.
bool offsetOfCharacter(const std::string& charset, const char* in, std::size_t length, const char32_t* expected,
                       std::size_t index, std::size_t* offset);
