// Interface identifier records.
//
// An interface is named by a `zkIIDS` record holding a short text instead of
// a number. Records are static data passed by reference between modules, so
// their layout is fixed: 40 bytes, the length at byte 0, the text at byte 4.
// A record either carries the count of significant characters (compared
// byte for byte) or a count of 0 (a zero-terminated text that compares with
// other uncounted records ignoring ASCII letter case).
//
// Comparison never reads beyond the 36 name bytes of a record: a text with no
// terminator inside the record ends at the record's end, and a stored length
// above 36 matches nothing.
#pragma once

#include <cstddef>
#include <cstdint>

struct zkIIDS {
  uint32_t length;  // significant characters of name, 0 = zero-terminated text
  char name[36];    // identifier text, zero-padded

  // True when both records name the same interface (see the file comment).
  constexpr bool equal(const zkIIDS& other) const {
    if (length > sizeof name || other.length > sizeof name) return false;
    // Callers usually pass the very record a table holds.
    if (this == &other) return true;
    if (length == other.length) {
      if (length != 0) return sameBytes(name, other.name, length);
      const uint32_t n = boundedLength();
      if (n != other.boundedLength()) return false;
      for (uint32_t i = 0; i < n; ++i) {
        if (asciiLower(name[i]) != asciiLower(other.name[i])) return false;
      }
      return true;
    }
    if (length != 0 && other.length != 0) return false;
    const zkIIDS& uncounted = (length == 0) ? *this : other;
    const zkIIDS& counted = (length == 0) ? other : *this;
    return uncounted.boundedLength() == counted.length && sameBytes(uncounted.name, counted.name, counted.length);
  }

  // Characters before the terminator, or all 36 bytes when there is none.
  constexpr uint32_t boundedLength() const {
    uint32_t n = 0;
    while (n < sizeof name && name[n] != '\0') ++n;
    return n;
  }

 private:
  static constexpr char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
  static constexpr bool sameBytes(const char* a, const char* b, uint32_t n) {
    for (uint32_t i = 0; i < n; ++i) {
      if (a[i] != b[i]) return false;
    }
    return true;
  }
};

static_assert(sizeof(zkIIDS) == 40, "zkIIDS crosses module boundaries");
static_assert(offsetof(zkIIDS, length) == 0, "zkIIDS.length at byte 0");
static_assert(offsetof(zkIIDS, name) == 4, "zkIIDS.name at byte 4");

inline bool operator==(const zkIIDS& a, const zkIIDS& b) { return a.equal(b); }
inline bool operator!=(const zkIIDS& a, const zkIIDS& b) { return !a.equal(b); }

// The identifier records the framework's modules answer or ask for.
inline constexpr zkIIDS zkIID_IUnknown = {8, "ZKIIDUNK"};           // counted
inline constexpr zkIIDS zkIID_IDispatch = {8, "ZKIIDDSP"};          // counted
inline constexpr zkIIDS zkIID_IClassFactory = {11, "ZKIIDCLSFAC"};  // counted
inline constexpr zkIIDS zkIID_IException = {12, "ZKIEXCEPTION"};    // counted
inline constexpr zkIIDS zkIID_ITypeInfo = {0, "ZKIIDTYPEINFO"};
inline constexpr zkIIDS zkIID_IMethodeTypeInfo = {0, "ZKIIDMETHTYPEINFO"};
inline constexpr zkIIDS zkIID_IPropetyTypeInfo = {0, "ZKIIDPROPTYPEINFO"};
inline constexpr zkIIDS zkIID_IObjectCollection = {0, "ZKCOMOBJCOLL"};
inline constexpr zkIIDS zkIID_INativePointer = {0, "ZKCOMNATPTR"};
inline constexpr zkIIDS zkIID_IExternalConnection = {0, "ZKCOMEXTCONN"};
inline constexpr zkIIDS zkIID_IEngineFactory = {0, "ZKCOMENGFACT"};
inline constexpr zkIIDS zkIID_ISymbolRef = {0, "ZKSCR.SYMBOLREF"};
inline constexpr zkIIDS zkIID_ICharsetFactory = {0, "RAVOD.ICHARSETFACT"};
inline constexpr zkIIDS zkIID_ICharsetConverter = {0, "RAVOD.ICHARSETCONV"};
