// str: the framework's 8-bit counted string.
//
// A str owns one exact-fit block from the memory manager holding its bytes
// and one terminating zero, or no storage at all. Both read as the empty
// text, but comparisons tell them apart (see operator==, <, >). Every change
// reallocates to the new exact size; copies are deep. Positions and lengths
// are int; a search that finds nothing answers -1, and a str without storage
// finds nothing.
//
// Invariants: storage.size == 0 exactly when storage.data is null; when
// storage.size > 0, storage.data[storage.size - 1] == 0 and
// length() == storage.size - 1.
//
// Building a text in one pass: reserve the exact size with buffer(n + 1),
// write the n bytes and the zero into the answered storage. Operations that
// build a new text (escape, unescape, replace, insert, cut, the number
// constructors) measure first and allocate once.
//
// Positions outside the stated ranges are clamped to the text (a range is
// intersected with 0..length()); null texts count as "not given".
//
// Failure: when memory runs out, an operation leaves the str without storage
// (construction, assignment) or unchanged (growth); buffer() answers null.
#pragma once

#include <cstdint>

#include "memory/mem_man.h"

class str : public memManInterfaceC {
 public:
  str() {}
  str(const str& other);
  str(str&& other) noexcept;
  str(const char* text);
  // The to - from bytes starting at text[from], then a zero (size to-from+1).
  // to < from, or a null text: no storage.
  str(const char* text, int from, int to);
  explicit str(int value);       // "%d"
  explicit str(unsigned value);  // "%u"
  explicit str(long value);      // "%ld"
  // "%.*g": precision significant digits, trailing zeros dropped. Any
  // precision gives the full text (no length limit).
  str(double value, int precision);
  ~str();
  // Table slot 2, after getMemManager: destroys and, with deleteStorageFlag,
  // frees through the class operator delete.
  ZK_DELETING_DESTRUCTOR(str)

  // Same data pointer: nothing; otherwise a copy of other's storage.
  str& operator=(const str& other);
  str& operator=(str&& other) noexcept;
  // Null: no storage; otherwise the text and its zero.
  str& operator=(const char* text);

  // Null or empty text: no change; otherwise the text is appended.
  str& operator+=(const char* text);
  str& operator+=(const str& other);
  // Size grows by 1 (by 2 without storage).
  str& operator+=(char c);
  // n bytes of text appended (n <= 0 or null text: no change).
  str& append(const char* text, int n);

  // The decimal text of a value, or a text, appended; for chaining.
  str& operator<<(std::uint32_t value);
  str& operator<<(std::int32_t value);
  str& operator<<(std::uint16_t value);
  str& operator<<(const char* text);
  str& operator<<(char* text);
  str& operator<<(const str& other);

  // Comparison with a zero-terminated text, bytes as unsigned:
  //             no storage/null  no storage/text  storage/null  both
  //   ==        true             text is ""       own is ""     equal bytes
  //   <         false            true             false         this smaller
  //   >         false            false            true          this greater
  bool operator==(const char* text) const;
  bool operator!=(const char* text) const { return !(*this == text); }
  bool operator<(const char* text) const;
  bool operator>(const char* text) const;

  int length() const { return storage.size == 0 ? 0 : static_cast<int>(storage.size - 1); }
  bool hasStorage() const { return storage.data != nullptr; }
  // The text, or "" without storage: for interfaces that take zero-
  // terminated text.
  const char* c_str() const { return storage.data != nullptr ? storage.data : ""; }
  // The storage itself: null without storage.
  const char* data() const { return storage.data; }
  std::uint64_t storageSize() const { return storage.size; }
  char operator[](int pos) const { return storage.data[pos]; }

  int findChar(char c) const;
  // An empty text is found at 0; a null text is not found.
  int find(const char* text) const;
  int findCharNoCase(char c) const;
  int findNoCase(const char* text) const;
  int reverseFindChar(char c) const;
  // The last (possibly overlapping) occurrence; an empty text is found at
  // length().
  int reverseFind(const char* text) const;

  // n bytes from `from` (cut to the text); empty result: no storage.
  str mid(int from, int n) const;
  str left(int n) const { return mid(0, n); }
  // The last n bytes; n > length() gives the whole text.
  str right(int n) const;

  // This becomes left(pos) + text + right(length() - pos); pos is clamped to
  // 0..length(). An empty result has no storage.
  void insert(int pos, const char* text);
  // Removes n bytes at pos (n <= 0: no change); an empty result has no
  // storage.
  void cut(int pos, int n);
  void trimLeft(char c);
  void trimRight(char c);
  void trim(char c);
  // toupper / tolower of the current locale on every byte.
  void toUpper();
  void toLower();
  // The text before the first occurrence of delimiter, removed from this
  // with the delimiter. No occurrence, or a null or empty delimiter: the
  // whole text, and this becomes "" (storage of one zero byte).
  str nextToken(const char* delimiter);
  // n < 1: null, no change. Otherwise the storage becomes n bytes (the first
  // min(n, old size) kept) and its address is answered; the caller writes
  // the text and its zero at n - 1. When the storage grows, byte n - 1 is
  // set to zero already. Null (no change) when memory runs out.
  char* buffer(int n);

  // TAB, LF, CR become \t \n \r; " and \ get a backslash before them.
  static str escape(const char* text);
  // \n \r \t become LF CR TAB; a backslash before any other byte yields that
  // byte; a backslash at the very end is dropped.
  static str unescape(const char* text);
  // A double quote, escape(text), a double quote.
  static str quote(const char* text);
  // Replaces up to count occurrences of what (from position start on) by
  // with; count all ones: every occurrence; count 0: a copy. An empty search
  // text replaces nothing (the result is a copy of source).
  static str replace(str source, const str& what, const str& with, int start, std::uint64_t count, bool caseSensitive);

 private:
  // Makes the storage exactly n + 1 bytes holding the given pieces and a
  // zero; n 0: no storage.
  void setPieces(const char* first, int firstLength, const char* second, int secondLength, const char* third,
                 int thirdLength);
  void setText(const char* text, std::uint64_t length);
  void appendBytes(const char* text, std::uint64_t n);

  memManDataPoolC<char, memManInterfaceC> storage;  // the text and its zero; empty: no storage
};

str operator+(const str& a, const str& b);
str operator+(const str& a, const char* b);
