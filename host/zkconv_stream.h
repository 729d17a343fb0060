// streamConverterC: zkconv's conversion of its inputs into one output.
//
// All inputs form one stream with one conversion state, converted piece by
// piece through one native converter of the component, so that memory stays
// bounded whatever the input size and the output is byte for byte what one
// conversion of the whole stream gives. The stream ends with the converter's
// closing call, which writes the return of a stateful target to its initial
// state.
//
// Where pieces are cut: a piece never ends inside a character or a shift
// sequence, which the converter would refuse. For a character set of the
// library, zkconv's own decoder (zkconv_decoder.h) decodes each stretch of
// input first, preferably up to the last line end read, and the piece ends
// where the decoder stopped; for "HTML" and "HTMLWITHTAGS" sources a piece
// ends after the last byte that stands for itself, outside any entity
// reference. With "HTMLWITHTAGS" as target a piece also never ends right
// after a tag bracket, whose doubling would otherwise be split. A piece
// holds at most maxPieceBytes; input that offers no place to cut within
// that many bytes fails.
//
// Errors name the position, with byte offsets counted from 0 in the file
// they occur in: "invalid input sequence at byte N of FILE", "incomplete
// character or shift sequence at end of FILE", "cannot convert U+XXXX at
// byte N of FILE" (a character the target cannot represent). Output
// converted before the error has been written.
//
// With skipUnconvertible (-c) the converter's target carries the library's
// "//IGNORE", which leaves out characters the target cannot represent and
// invalid input sequences; a second converter without it runs in step until
// it first refuses, which tells that something was left out. HTML targets
// represent every character, so there nothing is left out and invalid input
// still stops.
//
// With dispatch (--dispatch) each input is converted whole by one call of
// the component's "Convert" member. Its text values end at their first zero
// byte, so inputs holding a zero byte or the character U+0000, and targets
// that write zero bytes (their output for ASCII holds one), are refused.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "host/zkconv_decoder.h"
#include "host/zkconv_output.h"
#include "host/zkconv_session.h"

struct streamSetupS {
  std::string from;                // source character set, as the user named it
  std::string to;                  // target character set, as the user named it
  bool skipUnconvertible = false;  // -c
  bool dispatch = false;           // --dispatch
};

class streamConverterC {
 public:
  // Bytes read from an input at a time.
  static constexpr std::size_t readBytes = 64 * 1024;
  // The most bytes one piece may hold.
  static constexpr std::size_t maxPieceBytes = 1024 * 1024;
  // The largest input --dispatch converts in one call.
  static constexpr std::size_t maxDispatchBytes = 4 * 1024 * 1024;

  streamConverterC(componentSessionC& componentSession, outputC& sink) : session(componentSession), output(sink) {}

  // Opens the converters for `setup`; false with the message.
  bool begin(const streamSetupS& setup, std::string* error);
  // Converts everything `input` holds; `name` is the input's name ("-" for
  // standard input).
  bool convert(std::FILE* input, const std::string& name, std::string* error);
  // Ends the stream with the closing call; `lastName` names the last input.
  bool finish(const std::string& lastName, std::string* error);

  // With skipUnconvertible: whether anything was left out.
  bool leftSomethingOut() const { return leftOut; }

 private:
  bool convertInPieces(std::FILE* input, const std::string& name, std::string* error);
  bool convertWhole(std::FILE* input, const std::string& name, std::string* error);
  bool findLibraryCut(std::size_t filled, bool atEnd, std::uint64_t offset, const std::string& name, std::size_t* cut,
                      std::string* error);
  bool convertPiece(const char* piece, std::size_t length, std::uint64_t offset, const std::string& name,
                    bool endsInput, std::string* error);
  bool refuseZeroOutput(std::string* error);
  // Finds why the converter refused `piece` and answers false with the message.
  bool diagnose(const char* piece, std::size_t length, std::uint64_t offset, const std::string& name, bool endsInput,
                std::string* error);
  bool diagnoseLibrarySource(const char* piece, std::size_t length, std::uint64_t offset, const std::string& name,
                             std::string* error);
  bool diagnoseHtmlSource(const char* piece, std::size_t length, std::uint64_t offset, const std::string& name,
                          bool endsInput, std::string* error);

  componentSessionC& session;
  outputC& output;
  streamSetupS setup;
  std::string converterTarget;   // the target the converter was opened with
  std::string strictTarget;      // the target without "//IGNORE"
  bool skipping = false;         // the converter leaves out what it cannot convert
  bool libraryDecoding = false;  // the source is a library character set
  bool tagTarget = false;        // the target is "HTMLWITHTAGS"
  bool leftOut = false;
  std::size_t decodedBytes = 0;  // held input bytes the decoder has consumed
  nativeConverterC converter;    // the stream's converter
  nativeConverterC strict;       // in step without "//IGNORE" until it refuses
  sourceDecoderC decoder;
  byteBufferC inputBuffer;
  byteBufferC outputBuffer;
};
