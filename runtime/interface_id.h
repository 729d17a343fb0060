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
  bool equal(const zkIIDS& other) const;
};

static_assert(sizeof(zkIIDS) == 40, "zkIIDS crosses module boundaries");
static_assert(offsetof(zkIIDS, length) == 0, "zkIIDS.length at byte 0");
static_assert(offsetof(zkIIDS, name) == 4, "zkIIDS.name at byte 4");

inline bool operator==(const zkIIDS& a, const zkIIDS& b) { return a.equal(b); }
inline bool operator!=(const zkIIDS& a, const zkIIDS& b) { return !a.equal(b); }

// The identifier records this module answers or asks for.
extern const zkIIDS zkIID_IUnknown;             // "ZKIIDUNK", counted
extern const zkIIDS zkIID_IDispatch;            // "ZKIIDDSP", counted
extern const zkIIDS zkIID_IClassFactory;        // "ZKIIDCLSFAC", counted
extern const zkIIDS zkIID_IException;           // "ZKIEXCEPTION", counted
extern const zkIIDS zkIID_ITypeInfo;            // "ZKIIDTYPEINFO"
extern const zkIIDS zkIID_IMethodeTypeInfo;     // "ZKIIDMETHTYPEINFO"
extern const zkIIDS zkIID_IPropetyTypeInfo;     // "ZKIIDPROPTYPEINFO"
extern const zkIIDS zkIID_IObjectCollection;    // "ZKCOMOBJCOLL"
extern const zkIIDS zkIID_INativePointer;       // "ZKCOMNATPTR"
extern const zkIIDS zkIID_IExternalConnection;  // "ZKCOMEXTCONN"
extern const zkIIDS zkIID_IEngineFactory;       // "ZKCOMENGFACT"
extern const zkIIDS zkIID_ISymbolRef;           // "ZKSCR.SYMBOLREF"
extern const zkIIDS zkIID_ICharsetFactory;      // "RAVOD.ICHARSETFACT"
extern const zkIIDS zkIID_ICharsetConverter;    // "RAVOD.ICHARSETCONV"
