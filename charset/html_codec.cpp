// The HTML entity text walks: UTF-16 units to entity text and back.
#include "charset/html_codec.h"

#include "charset/html_entities.h"

namespace {

// The longest name the decoder reads between '&' and ';'.
constexpr size_t maxEntityNameLength = 18;

inline char* writeEntity(uint16_t code, char* out) {
  *out++ = '&';
  out += writeEntityName(code, out);
  *out++ = ';';
  return out;
}

inline unsigned char* writeUnit(uint16_t unit, unsigned char* out) {
  out[0] = static_cast<unsigned char>(unit >> 8);
  out[1] = static_cast<unsigned char>(unit & 0xFF);
  return out + 2;
}

}  // namespace

namespace {

// The encoder's one walk over the units, writing through `sink`.
template <class SinkT>
void walkUnits(const unsigned char* units, size_t byteCount, bool withTags, SinkT& sink) {
  size_t i = 0;
  while (i + 1 < byteCount) {
    const uint16_t c = static_cast<uint16_t>(units[i] << 8 | units[i + 1]);
    if (c == '<' || c == '>') {
      if (withTags && i + 3 < byteCount && units[i + 2] == 0 && units[i + 3] == c) {
        sink.put(static_cast<char>(c));
        i += 4;
        continue;
      }
      sink.entity(c);
    } else if (c == '"' || c == '&' || c > 127) {
      sink.entity(c);
    } else {
      sink.put(static_cast<char>(c));
    }
    i += 2;
  }
}

struct writingSinkS {
  char* out;
  void put(char c) { *out++ = c; }
  void entity(uint16_t code) { out = writeEntity(code, out); }
};

struct countingSinkS {
  const uint8_t* nameLengths = entityNameLengths();
  size_t count = 0;
  void put(char) { ++count; }
  void entity(uint16_t code) { count += 2 + nameLengths[code]; }
};

}  // namespace

size_t encodeHtmlUnits(const unsigned char* units, size_t byteCount, bool withTags, char* out) {
  writingSinkS sink{out};
  walkUnits(units, byteCount, withTags, sink);
  return static_cast<size_t>(sink.out - out);
}

size_t encodedHtmlLength(const unsigned char* units, size_t byteCount, bool withTags) {
  countingSinkS sink;
  walkUnits(units, byteCount, withTags, sink);
  return sink.count;
}

bool decodeHtmlUnits(const char* in, size_t inLength, bool withTags, unsigned char* out, size_t* written) {
  unsigned char* const start = out;
  out = writeUnit(0xFEFF, out);
  size_t i = 0;
  while (i < inLength) {
    const unsigned char b = static_cast<unsigned char>(in[i]);
    if (withTags && (b == '<' || b == '>')) {
      out = writeUnit(b, out);
      out = writeUnit(b, out);
      ++i;
      continue;
    }
    if (b != '&') {
      out = writeUnit(b, out);
      ++i;
      continue;
    }
    // An entity: the name runs from i + 1 up to a ';' at most 19 bytes on.
    size_t end = 0;
    for (size_t k = 1; k <= maxEntityNameLength + 1 && i + k < inLength; ++k) {
      if (in[i + k] == ';') {
        end = i + k;
        break;
      }
    }
    if (end == 0) return false;
    const uint16_t code = entityCodeForName(in + i + 1, end - i - 1);
    if (code == 0 || code == 0xFEFF || code == 0xFFFE) return false;
    out = writeUnit(code, out);
    i = end + 1;
  }
  *written = static_cast<size_t>(out - start);
  return true;
}
