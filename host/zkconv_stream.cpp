// zkconv's conversion of its inputs: cutting them into pieces, driving the
// component's converters, and finding the position of what went wrong.
#include "host/zkconv_stream.h"

#include <cctype>
#include <cstring>

#include "host/zkconv_text.h"

namespace {

// The decoded form the probes convert single characters from.
const char kCodePoints[] = "UCS-4-INTERNAL";

// Entity references the HTML decoder reads are '&', at most 18 name bytes
// and ';'. A probe window spans two of them (a character outside the 16-bit
// range is written as two surrogate entities) and a little more.
constexpr std::size_t maxEntityBytes = 20;
constexpr std::size_t maxProbeWindow = 2 * maxEntityBytes + 8;

std::string upperCase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// The library reads "//TRANSLIT" and "//IGNORE", in any order and letter
// case, at the end of a target name. Splits `name` into the base and those
// two marks.
struct targetSuffixesS {
  std::string base;
  bool translit = false;
  bool ignore = false;
};

targetSuffixesS splitTargetSuffixes(const std::string& name) {
  targetSuffixesS parts;
  parts.base = name;
  for (;;) {
    const std::string upper = upperCase(parts.base);
    if (upper.size() >= 10 && upper.compare(upper.size() - 10, 10, "//TRANSLIT") == 0) {
      parts.translit = true;
      parts.base.resize(parts.base.size() - 10);
    } else if (upper.size() >= 8 && upper.compare(upper.size() - 8, 8, "//IGNORE") == 0) {
      parts.ignore = true;
      parts.base.resize(parts.base.size() - 8);
    } else {
      return parts;
    }
  }
}

// Whether an HTML decoding that failed on `bytes` (to the end of the input)
// failed only because the input ends inside an entity reference: '&' and
// nothing after it that a name could not continue with.
bool endsInsideEntity(const char* bytes, std::size_t count) {
  if (count == 0 || bytes[0] != '&' || count > maxEntityBytes - 1) return false;
  for (std::size_t i = 1; i < count; ++i) {
    const unsigned char c = static_cast<unsigned char>(bytes[i]);
    if (std::isalnum(c) == 0 && c != '#') return false;
  }
  return true;
}

// Where an HTML source may be cut: after the last byte in [0, length) that
// stands for itself outside any entity reference. An entity whose ';' could
// still come in later input ends the scan; one without ';' within its reach
// is invalid and counts as ordinary bytes, which the converter then refuses
// where the whole input would be refused too. Answers 0 when there is no
// such place.
std::size_t htmlCut(const char* bytes, std::size_t length) {
  std::size_t cut = 0;
  std::size_t i = 0;
  while (i < length) {
    if (bytes[i] != '&') {
      cut = ++i;
      continue;
    }
    const std::size_t reach = i + maxEntityBytes;
    const void* semicolon = std::memchr(bytes + i + 1, ';', (reach < length ? reach : length) - i - 1);
    if (semicolon != nullptr) {
      i = static_cast<std::size_t>(static_cast<const char*>(semicolon) - bytes) + 1;
    } else if (reach <= length) {
      cut = ++i;
    } else {
      break;
    }
  }
  return cut;
}

std::string positionText(std::uint64_t offset, const std::string& name) {
  return "at byte " + std::to_string(offset) + " of " + describeInput(name);
}

}  // namespace

bool streamConverterC::begin(const streamSetupS& wanted, std::string* error) {
  setup = wanted;
  const targetSuffixesS suffixes = splitTargetSuffixes(setup.to);
  libraryDecoding = !isHtmlCharset(setup.from);
  tagTarget = setup.to == "HTMLWITHTAGS";
  skipping = (setup.skipUnconvertible || suffixes.ignore) && !isHtmlCharset(setup.to);
  converterTarget = skipping && !suffixes.ignore ? setup.to + "//IGNORE" : setup.to;
  strictTarget = suffixes.base + (suffixes.translit ? "//TRANSLIT" : "");
  leftOut = false;
  const std::string unknown =
      "unknown character set conversion from " + escapedName(setup.from) + " to " + escapedName(setup.to);
  // The stream's converter also checks the names for --dispatch.
  if (!converter.open(session, setup.from, converterTarget)) {
    *error = unknown;
    return false;
  }
  if (skipping && !setup.dispatch) strict.open(session, setup.from, strictTarget);
  if (libraryDecoding && !decoder.open(setup.from, skipping)) {
    *error = unknown;
    return false;
  }
  if (setup.dispatch) {
    converter.release();
    return refuseZeroOutput(error);
  }
  // All the memory the stream takes, from the start: when it is not there,
  // zkconv says so before it has written anything.
  inputBuffer.reserve(maxPieceBytes + readBytes);
  converter.makeRoom(maxPieceBytes + readBytes, outputBuffer);
  if (libraryDecoding) decoder.reserve(maxPieceBytes + readBytes + 4);
  return true;
}

bool streamConverterC::convert(std::FILE* input, const std::string& name, std::string* error) {
  return setup.dispatch ? convertWhole(input, name, error) : convertInPieces(input, name, error);
}

bool streamConverterC::convertInPieces(std::FILE* input, const std::string& name, std::string* error) {
  char* const bytes = inputBuffer.data();
  std::size_t filled = 0;    // bytes held, from the start of the current piece
  std::uint64_t offset = 0;  // where the held bytes start in the input
  decodedBytes = 0;
  bool atEnd = false;
  while (!atEnd) {
    const std::size_t got = std::fread(bytes + filled, 1, readBytes, input);
    if (got < readBytes) {
      if (std::ferror(input) != 0) {
        *error = "cannot read " + describeInput(name);
        return false;
      }
      atEnd = true;
    }
    filled += got;
    std::size_t cut = filled;
    if (libraryDecoding) {
      if (!findLibraryCut(filled, atEnd, offset, name, &cut, error)) return false;
    } else if (!atEnd) {
      cut = htmlCut(bytes, filled);
    }
    if (cut > 0) {
      if (!convertPiece(bytes, cut, offset, name, atEnd && cut == filled, error)) return false;
      std::memmove(bytes, bytes + cut, filled - cut);
      filled -= cut;
      offset += cut;
      decodedBytes -= cut;
    }
    if (!atEnd && filled > maxPieceBytes) {
      *error = "no place to cut " + describeInput(name) + " into pieces of at most " + std::to_string(maxPieceBytes) +
               " bytes, " + positionText(offset, name);
      return false;
    }
  }
  return true;
}

bool streamConverterC::findLibraryCut(std::size_t filled, bool atEnd, std::uint64_t offset, const std::string& name,
                                      std::size_t* cut, std::string* error) {
  const char* const bytes = inputBuffer.data();
  std::size_t end = filled;
  if (!atEnd) {
    // Whole lines first: the rest is decoded with the input that completes it.
    for (std::size_t i = filled; i > decodedBytes; --i) {
      if (bytes[i - 1] == '\n') {
        end = i;
        break;
      }
    }
  }
  if (end > decodedBytes) {
    std::size_t consumed = 0;
    const sourceDecoderC::stopE stop = decoder.decode(bytes + decodedBytes, end - decodedBytes, &consumed);
    decodedBytes += consumed;
    if (stop == sourceDecoderC::stoppedInvalid || (stop == sourceDecoderC::stoppedIncomplete && atEnd)) {
      // What lies before the trouble is still converted and written.
      if (decodedBytes > 0 && !convertPiece(bytes, decodedBytes, offset, name, false, error)) return false;
      *error = stop == sourceDecoderC::stoppedInvalid
                   ? "invalid input sequence " + positionText(offset + decodedBytes, name)
                   : "incomplete character or shift sequence at end of " + describeInput(name);
      return false;
    }
  }
  *cut = decodedBytes;
  if (!atEnd && tagTarget && decoder.characterCount() > 0) {
    const char32_t last = decoder.characters()[decoder.characterCount() - 1];
    if (last == '<' || last == '>') *cut = 0;
  }
  return true;
}

bool streamConverterC::convertPiece(const char* piece, std::size_t length, std::uint64_t offset,
                                    const std::string& name, bool endsInput, std::string* error) {
  std::size_t produced = 0;
  if (!converter.convert(piece, length, outputBuffer, &produced)) {
    return diagnose(piece, length, offset, name, endsInput, error);
  }
  if (!output.write(outputBuffer.data(), produced, error)) return false;
  if (strict.isOpen() && !strict.convert(piece, length, outputBuffer, &produced)) {
    leftOut = true;
    strict.release();
  }
  decoder.forget();
  return true;
}

bool streamConverterC::finish(const std::string& lastName, std::string* error) {
  if (setup.dispatch) return true;
  std::size_t produced = 0;
  if (!converter.convert(nullptr, 0, outputBuffer, &produced)) {
    *error = "cannot convert the end of " + describeInput(lastName);
    return false;
  }
  if (!output.write(outputBuffer.data(), produced, error)) return false;
  if (strict.isOpen() && !strict.convert(nullptr, 0, outputBuffer, &produced)) leftOut = true;
  strict.release();
  return true;
}

bool streamConverterC::refuseZeroOutput(std::string* error) {
  // Every target the library writes zero bytes for (UTF-16, UTF-32, UCS-2,
  // UCS-4 and their kin) writes one for some ASCII character.
  nativeConverterC probe;
  if (!probe.open(session, "UTF-8", strictTarget)) return true;
  for (int code = 1; code < 128; ++code) {
    const char c = static_cast<char>(code);
    std::size_t produced = 0;
    if (probe.convert(&c, 1, outputBuffer, &produced) && std::memchr(outputBuffer.data(), 0, produced) != nullptr) {
      *error = "--dispatch cannot carry " + escapedName(setup.to) +
               " output: text values end at their first zero byte (convert without --dispatch)";
      return false;
    }
  }
  return true;
}

bool streamConverterC::convertWhole(std::FILE* input, const std::string& name, std::string* error) {
  std::string text;
  for (;;) {
    const std::size_t held = text.size();
    text.resize(held + readBytes);
    const std::size_t got = std::fread(&text[held], 1, readBytes, input);
    text.resize(held + got);
    if (text.size() > maxDispatchBytes) {
      *error = describeInput(name) + " is larger than " + std::to_string(maxDispatchBytes) +
               " bytes, the most --dispatch converts in one call";
      return false;
    }
    if (got < readBytes) break;
  }
  if (std::ferror(input) != 0) {
    *error = "cannot read " + describeInput(name);
    return false;
  }
  const std::string zeroRefused = "--dispatch cannot carry ";
  const std::size_t zero = text.find('\0');
  if (zero != std::string::npos) {
    *error = zeroRefused + "the zero byte " + positionText(zero, name);
    return false;
  }
  if (libraryDecoding) {
    // "Convert" starts every call with a fresh state, and so does the decoder.
    if (!decoder.open(setup.from, skipping)) {
      *error = "unknown character set " + escapedName(setup.from);
      return false;
    }
    std::size_t consumed = 0;
    const sourceDecoderC::stopE stop = decoder.decode(text.data(), text.size(), &consumed);
    if (stop == sourceDecoderC::stoppedInvalid) {
      *error = "invalid input sequence " + positionText(consumed, name);
      return false;
    }
    if (stop == sourceDecoderC::stoppedIncomplete) {
      *error = "incomplete character or shift sequence at end of " + describeInput(name);
      return false;
    }
    const char32_t* characters = decoder.characters();
    for (std::size_t i = 0; i < decoder.characterCount(); ++i) {
      if (characters[i] != 0) continue;
      std::size_t at = 0;
      *error =
          zeroRefused + "U+0000 " +
          (offsetOfCharacter(setup.from, text.data(), text.size(), characters, i, &at) ? positionText(at, name)
                                                                                       : "in " + describeInput(name));
      return false;
    }
  }
  std::string result;
  switch (session.convertByName(setup.from, converterTarget, text, &result)) {
    case componentSessionC::answeredText:
      break;
    case componentSessionC::answeredEmpty:
      return diagnose(text.data(), text.size(), 0, name, true, error);
    case componentSessionC::answeredUnknown:
      *error = "unknown character set conversion from " + escapedName(setup.from) + " to " + escapedName(setup.to);
      return false;
    case componentSessionC::callFailed:
      *error = "the call of Convert failed";
      return false;
  }
  if (!output.write(result.data(), result.size(), error)) return false;
  std::string strictResult;
  if (skipping &&
      session.convertByName(setup.from, strictTarget, text, &strictResult) != componentSessionC::answeredText) {
    leftOut = true;
  }
  return true;
}

bool streamConverterC::diagnose(const char* piece, std::size_t length, std::uint64_t offset, const std::string& name,
                                bool endsInput, std::string* error) {
  if (libraryDecoding ? diagnoseLibrarySource(piece, length, offset, name, error)
                      : diagnoseHtmlSource(piece, length, offset, name, endsInput, error)) {
    // Nothing found to blame: the converter refused for a reason of its own.
    *error = "cannot convert " + describeInput(name);
  }
  return false;
}

// The decoder accepted the piece, so the target refused a character: the
// first one that a converter from code points into the same target refuses.
// Answers true when it finds none.
bool streamConverterC::diagnoseLibrarySource(const char* piece, std::size_t length, std::uint64_t offset,
                                             const std::string& name, std::string* error) {
  nativeConverterC probe;
  if (!probe.open(session, kCodePoints, converterTarget)) return true;
  const char32_t* characters = decoder.characters();
  byteBufferC scratch;
  for (std::size_t i = 0; i < decoder.characterCount(); ++i) {
    std::size_t produced = 0;
    if (probe.convert(reinterpret_cast<const char*>(&characters[i]), sizeof(char32_t), scratch, &produced)) continue;
    std::size_t at = 0;
    *error = "cannot convert " + codePointText(characters[i]) + " " +
             (offsetOfCharacter(setup.from, piece, length, characters, i, &at) ? positionText(offset + at, name)
                                                                               : "in " + describeInput(name));
    return false;
  }
  return true;
}

// Walks the piece character by character with two fresh converters: one
// into code points finds where each character's bytes end (and the first
// that is no character), one into the target finds the first character it
// cannot represent. HTML decoding keeps no state of its own from one piece
// to the next, so fresh converters see the piece as the stream's did.
// Answers true when it finds nothing.
bool streamConverterC::diagnoseHtmlSource(const char* piece, std::size_t length, std::uint64_t offset,
                                          const std::string& name, bool endsInput, std::string* error) {
  nativeConverterC decoding;
  nativeConverterC encoding;
  if (!decoding.open(session, setup.from, kCodePoints) || !encoding.open(session, setup.from, converterTarget)) {
    return true;
  }
  byteBufferC scratch;
  std::size_t at = 0;
  while (at < length) {
    std::size_t width = 1;
    std::size_t produced = 0;
    bool decoded = false;
    for (; width <= maxProbeWindow && at + width <= length; ++width) {
      if (decoding.convert(piece + at, width, scratch, &produced)) {
        decoded = true;
        break;
      }
    }
    if (!decoded) {
      *error = endsInput && endsInsideEntity(piece + at, length - at)
                   ? "incomplete character or shift sequence at end of " + describeInput(name)
                   : "invalid input sequence " + positionText(offset + at, name);
      return false;
    }
    char32_t character = 0;
    if (produced >= sizeof character) std::memcpy(&character, scratch.data(), sizeof character);
    if (!encoding.convert(piece + at, width, scratch, &produced)) {
      *error = "cannot convert " + codePointText(character) + " " + positionText(offset + at, name);
      return false;
    }
    at += width;
  }
  return true;
}
