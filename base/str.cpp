// str: construction, comparison, searches, editing, escaping, replacing.
#include "base/str.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <utility>

namespace {

// Longest text of an int, unsigned or 64-bit long, sign and zero included.
constexpr int integerTextSize = 24;
// Formatting buffer of the number constructors; longer texts get their own.
constexpr int formatBufferSize = 64;
// No double has more significant decimal digits than this (the exact
// expansion of the smallest subnormal has 751), so larger precisions print
// the same text.
constexpr int largestUsefulPrecision = 800;

inline int lowerOf(char c) { return std::tolower(static_cast<unsigned char>(c)); }
inline int upperOf(char c) { return std::toupper(static_cast<unsigned char>(c)); }

inline int textLength(const char* text) { return text == nullptr ? 0 : static_cast<int>(std::strlen(text)); }

// The byte run matches the needle, compared through tolower.
bool equalNoCase(const char* bytes, const char* needle, int n) {
  for (int i = 0; i < n; ++i)
    if (lowerOf(bytes[i]) != lowerOf(needle[i])) return false;
  return true;
}

int findCharIn(const char* hay, int hayLength, int from, char c) {
  if (from >= hayLength) return -1;
  const void* hit = std::memchr(hay + from, static_cast<unsigned char>(c), static_cast<std::size_t>(hayLength - from));
  return hit == nullptr ? -1 : static_cast<int>(static_cast<const char*>(hit) - hay);
}

int findCharNoCaseIn(const char* hay, int hayLength, int from, char c) {
  const int lower = lowerOf(c);
  const int upper = upperOf(c);
  if (lower == upper) return findCharIn(hay, hayLength, from, c);
  for (int p = from; p < hayLength; ++p) {
    const int byte = static_cast<unsigned char>(hay[p]);
    if (byte == lower || byte == upper) return p;
  }
  return -1;
}

// First position >= from where the n bytes of needle occur; an empty needle
// is found at from.
int findIn(const char* hay, int hayLength, int from, const char* needle, int n, bool caseSensitive) {
  if (n == 0) return from <= hayLength ? from : -1;
  if (!caseSensitive && n == 1) return findCharNoCaseIn(hay, hayLength, from, needle[0]);
  const int last = hayLength - n;
  if (caseSensitive) {
    for (int p = from; p <= last; ++p) {
      p = findCharIn(hay, last + 1, p, needle[0]);
      if (p < 0) return -1;
      if (std::memcmp(hay + p, needle, static_cast<std::size_t>(n)) == 0) return p;
    }
    return -1;
  }
  for (int p = from; p <= last; ++p)
    if (equalNoCase(hay + p, needle, n)) return p;
  return -1;
}

// The two-byte escape of a byte, or 0 when it is copied as it is.
char escapeLetter(char c) {
  switch (c) {
    case '\t':
      return 't';
    case '\n':
      return 'n';
    case '\r':
      return 'r';
    case '"':
      return '"';
    case '\\':
      return '\\';
    default:
      return 0;
  }
}

char unescapedByte(char c) {
  switch (c) {
    case 'n':
      return '\n';
    case 'r':
      return '\r';
    case 't':
      return '\t';
    default:
      return c;
  }
}

int escapedLength(const char* text) {
  int n = 0;
  for (const char* p = text; *p != '\0'; ++p) n += escapeLetter(*p) != 0 ? 2 : 1;
  return n;
}

char* escapeInto(char* out, const char* text) {
  for (const char* p = text; *p != '\0'; ++p) {
    const char letter = escapeLetter(*p);
    if (letter != 0) {
      *out++ = '\\';
      *out++ = letter;
    } else {
      *out++ = *p;
    }
  }
  return out;
}

// Copies n bytes (a piece of no length may have no address) and answers the
// end of the copy.
char* copyPiece(char* out, const char* piece, int n) {
  if (n <= 0) return out;
  std::memcpy(out, piece, static_cast<std::size_t>(n));
  return out + n;
}

}  // namespace

str::str(const str& other) : memManInterfaceC(), storage(other.storage) {}

str::str(str&& other) noexcept : memManInterfaceC() { storage.takeFrom(other.storage); }

str::str(const char* text) {
  if (text != nullptr) setText(text, std::strlen(text));
}

str::str(const char* text, int from, int to) {
  if (text != nullptr && to >= from) setText(text + from, static_cast<std::uint64_t>(to - from));
}

str::str(int value) {
  char text[integerTextSize];
  std::snprintf(text, sizeof text, "%d", value);
  setText(text, std::strlen(text));
}

str::str(unsigned value) {
  char text[integerTextSize];
  std::snprintf(text, sizeof text, "%u", value);
  setText(text, std::strlen(text));
}

str::str(long value) {
  char text[integerTextSize];
  std::snprintf(text, sizeof text, "%ld", value);
  setText(text, std::strlen(text));
}

str::str(double value, int precision) {
  if (precision > largestUsefulPrecision) precision = largestUsefulPrecision;
  char text[formatBufferSize];
  const int n = std::snprintf(text, sizeof text, "%.*g", precision, value);
  if (n < 0) return;
  if (n < formatBufferSize) {
    setText(text, static_cast<std::uint64_t>(n));
    return;
  }
  char* out = buffer(n + 1);
  if (out != nullptr) std::snprintf(out, static_cast<std::size_t>(n) + 1, "%.*g", precision, value);
}

str::~str() {}

str& str::operator=(const str& other) {
  if (other.storage.data != storage.data) storage = other.storage;
  return *this;
}

str& str::operator=(str&& other) noexcept {
  storage.takeFrom(other.storage);
  return *this;
}

str& str::operator=(const char* text) {
  if (text == nullptr) {
    storage.release();
  } else {
    setText(text, std::strlen(text));
  }
  return *this;
}

void str::setText(const char* text, std::uint64_t length) {
  // A fresh block first: text may lie inside the current storage.
  memManDataPoolC<char, memManInterfaceC> fresh;
  if (fresh.allocate(length + 1)) {
    std::memcpy(fresh.data, text, static_cast<std::size_t>(length));
    fresh.data[length] = '\0';
  }
  storage.takeFrom(fresh);
}

void str::appendBytes(const char* text, std::uint64_t n) {
  const std::uint64_t oldLength = static_cast<std::uint64_t>(length());
  memManDataPoolC<char, memManInterfaceC> fresh;
  if (!fresh.allocate(oldLength + n + 1)) return;
  if (oldLength != 0) std::memcpy(fresh.data, storage.data, static_cast<std::size_t>(oldLength));
  std::memcpy(fresh.data + oldLength, text, static_cast<std::size_t>(n));
  fresh.data[oldLength + n] = '\0';
  storage.takeFrom(fresh);
}

void str::setPieces(const char* first, int firstLength, const char* second, int secondLength, const char* third,
                    int thirdLength) {
  const std::uint64_t total = static_cast<std::uint64_t>(firstLength) + static_cast<std::uint64_t>(secondLength) +
                              static_cast<std::uint64_t>(thirdLength);
  memManDataPoolC<char, memManInterfaceC> fresh;
  if (total != 0) {
    if (!fresh.allocate(total + 1)) return;
    char* out = fresh.data;
    out = copyPiece(out, first, firstLength);
    out = copyPiece(out, second, secondLength);
    out = copyPiece(out, third, thirdLength);
    *out = '\0';
  }
  storage.takeFrom(fresh);
}

str& str::operator+=(const char* text) {
  if (text != nullptr && *text != '\0') appendBytes(text, std::strlen(text));
  return *this;
}

str& str::operator+=(const str& other) {
  if (other.length() != 0) appendBytes(other.storage.data, static_cast<std::uint64_t>(other.length()));
  return *this;
}

str& str::operator+=(char c) {
  appendBytes(&c, 1);
  return *this;
}

str& str::append(const char* text, int n) {
  if (text != nullptr && n > 0) appendBytes(text, static_cast<std::uint64_t>(n));
  return *this;
}

str& str::operator<<(std::uint32_t value) {
  char text[integerTextSize];
  const int n = std::snprintf(text, sizeof text, "%u", static_cast<unsigned>(value));
  appendBytes(text, static_cast<std::uint64_t>(n));
  return *this;
}

str& str::operator<<(std::int32_t value) {
  char text[integerTextSize];
  const int n = std::snprintf(text, sizeof text, "%d", static_cast<int>(value));
  appendBytes(text, static_cast<std::uint64_t>(n));
  return *this;
}

str& str::operator<<(std::uint16_t value) { return *this << static_cast<std::int32_t>(value); }

str& str::operator<<(const char* text) { return *this += text; }

str& str::operator<<(char* text) { return *this += static_cast<const char*>(text); }

str& str::operator<<(const str& other) { return *this += other; }

bool str::operator==(const char* text) const {
  if (storage.data == nullptr) return text == nullptr || *text == '\0';
  if (text == nullptr) return storage.data[0] == '\0';
  return std::strcmp(storage.data, text) == 0;
}

bool str::operator<(const char* text) const {
  if (storage.data == nullptr) return text != nullptr;
  if (text == nullptr) return false;
  return std::strcmp(storage.data, text) < 0;
}

bool str::operator>(const char* text) const {
  if (storage.data == nullptr) return false;
  if (text == nullptr) return true;
  return std::strcmp(storage.data, text) > 0;
}

int str::findChar(char c) const {
  if (storage.data == nullptr) return -1;
  return findCharIn(storage.data, length(), 0, c);
}

int str::find(const char* text) const {
  if (storage.data == nullptr || text == nullptr) return -1;
  return findIn(storage.data, length(), 0, text, textLength(text), true);
}

int str::findCharNoCase(char c) const {
  if (storage.data == nullptr) return -1;
  return findCharNoCaseIn(storage.data, length(), 0, c);
}

int str::findNoCase(const char* text) const {
  if (storage.data == nullptr || text == nullptr) return -1;
  return findIn(storage.data, length(), 0, text, textLength(text), false);
}

int str::reverseFindChar(char c) const {
  for (int p = length() - 1; p >= 0; --p)
    if (storage.data[p] == c) return p;
  return -1;
}

int str::reverseFind(const char* text) const {
  if (storage.data == nullptr || text == nullptr) return -1;
  const int n = textLength(text);
  for (int p = length() - n; p >= 0; --p)
    if (std::memcmp(storage.data + p, text, static_cast<std::size_t>(n)) == 0) return p;
  return -1;
}

str str::mid(int from, int n) const {
  const int len = length();
  if (len == 0 || n < 1) return str();
  const long long start = from < 0 ? 0 : from;
  long long end = static_cast<long long>(from) + n;
  if (end > len) end = len;
  if (start >= end) return str();
  return str(storage.data, static_cast<int>(start), static_cast<int>(end));
}

str str::right(int n) const { return mid(length() - n, n); }

void str::insert(int pos, const char* text) {
  const int len = length();
  const int n = textLength(text);
  if (n == 0) {
    if (len == 0) storage.release();
    return;
  }
  if (pos < 0) pos = 0;
  if (pos > len) pos = len;
  setPieces(storage.data, pos, text, n, storage.data + pos, len - pos);
}

void str::cut(int pos, int n) {
  if (n <= 0) return;
  const int len = length();
  const long long start = pos < 0 ? 0 : (pos > len ? len : pos);
  long long end = static_cast<long long>(pos) + n;
  if (end > len) end = len;
  if (end <= start) {
    if (len == 0) storage.release();
    return;
  }
  setPieces(storage.data, static_cast<int>(start), storage.data + end, static_cast<int>(len - end), nullptr, 0);
}

void str::trimLeft(char c) {
  const int len = length();
  int k = 0;
  while (k < len && storage.data[k] == c) ++k;
  if (k > 0) cut(0, k);
}

void str::trimRight(char c) {
  const int len = length();
  int k = 0;
  while (k < len && storage.data[len - 1 - k] == c) ++k;
  if (k > 0) cut(len - k, k);
}

void str::trim(char c) {
  trimLeft(c);
  trimRight(c);
}

void str::toUpper() {
  const int len = length();
  for (int i = 0; i < len; ++i) storage.data[i] = static_cast<char>(upperOf(storage.data[i]));
}

void str::toLower() {
  const int len = length();
  for (int i = 0; i < len; ++i) storage.data[i] = static_cast<char>(lowerOf(storage.data[i]));
}

str str::nextToken(const char* delimiter) {
  const int p = (delimiter == nullptr || *delimiter == '\0') ? -1 : find(delimiter);
  if (p < 0) {
    str token(std::move(*this));
    *this = "";
    return token;
  }
  str token = left(p);
  cut(0, p + textLength(delimiter));
  return token;
}

char* str::buffer(int n) {
  if (n < 1) return nullptr;
  const std::uint64_t oldSize = storage.size;
  if (!storage.reallocate(static_cast<std::uint64_t>(n))) return nullptr;
  if (static_cast<std::uint64_t>(n) > oldSize) storage.data[n - 1] = '\0';
  return storage.data;
}

str str::escape(const char* text) {
  str result;
  if (text == nullptr) return result;
  const int n = escapedLength(text);
  if (n == 0) return result;
  char* out = result.buffer(n + 1);
  if (out != nullptr) *escapeInto(out, text) = '\0';
  return result;
}

str str::unescape(const char* text) {
  str result;
  if (text == nullptr) return result;
  int n = 0;
  for (const char* p = text; *p != '\0'; ++p) {
    if (*p == '\\' && *++p == '\0') break;
    ++n;
  }
  if (n == 0) return result;
  char* out = result.buffer(n + 1);
  if (out == nullptr) return result;
  for (const char* p = text; *p != '\0'; ++p) {
    if (*p != '\\') {
      *out++ = *p;
      continue;
    }
    if (*++p == '\0') break;
    *out++ = unescapedByte(*p);
  }
  *out = '\0';
  return result;
}

str str::quote(const char* text) {
  str result;
  const int n = text == nullptr ? 0 : escapedLength(text);
  char* out = result.buffer(n + 3);
  if (out == nullptr) return result;
  *out++ = '"';
  if (text != nullptr) out = escapeInto(out, text);
  *out++ = '"';
  *out = '\0';
  return result;
}

str str::replace(str source, const str& what, const str& with, int start, std::uint64_t count, bool caseSensitive) {
  const int whatLength = textLength(what.c_str());
  if (count == 0 || whatLength == 0) return source;

  const char* text = source.c_str();
  const int sourceLength = source.length();
  const char* needle = what.c_str();
  const int withLength = with.length();
  const int prefix = start <= 0 ? 0 : (start > sourceLength ? sourceLength : start);

  // First pass: how many replacements, and so the exact result length.
  std::uint64_t matches = 0;
  for (int from = prefix; matches < count;) {
    const int p = findIn(text, sourceLength, from, needle, whatLength, caseSensitive);
    if (p < 0) break;
    ++matches;
    from = p + whatLength;
  }
  const long long total = sourceLength + static_cast<long long>(matches) * (withLength - whatLength);
  str result;
  if (total == 0) return result;
  char* out = result.buffer(static_cast<int>(total) + 1);
  if (out == nullptr) return result;

  // Second pass: copy the runs between matches and the replacements.
  std::memcpy(out, text, static_cast<std::size_t>(prefix));
  out += prefix;
  int from = prefix;
  for (std::uint64_t done = 0; done < matches; ++done) {
    const int p = findIn(text, sourceLength, from, needle, whatLength, caseSensitive);
    std::memcpy(out, text + from, static_cast<std::size_t>(p - from));
    out += p - from;
    std::memcpy(out, with.c_str(), static_cast<std::size_t>(withLength));
    out += withLength;
    from = p + whatLength;
  }
  std::memcpy(out, text + from, static_cast<std::size_t>(sourceLength - from));
  out[sourceLength - from] = '\0';
  return result;
}

namespace {

str concatenate(const str& a, const char* b, int bLength) {
  if (bLength == 0) return a;
  const int aLength = a.length();
  str result;
  char* out = result.buffer(aLength + bLength + 1);
  if (out == nullptr) return result;
  std::memcpy(out, a.c_str(), static_cast<std::size_t>(aLength));
  std::memcpy(out + aLength, b, static_cast<std::size_t>(bLength));
  out[aLength + bLength] = '\0';
  return result;
}

}  // namespace

str operator+(const str& a, const str& b) { return concatenate(a, b.c_str(), b.length()); }

str operator+(const str& a, const char* b) { return concatenate(a, b, textLength(b)); }
