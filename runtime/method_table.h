// Method tables of dispatchable objects.
//
// A class describes its members as rows {name, kind, parameter count,
// handler}, an array closed by a row whose handler is null. Each class keeps
// one static `proxyMethodTableS`, filled once by `append` on first use and
// freed at unload; the class's objects point at those rows without owning
// them. The first use may come from many threads at once: rowsFilledOnce
// builds the table exactly once, and every caller sees it complete.
//
// Lookup compares names ignoring ASCII letter case; a null name is the
// default member "". Rows appended later are found first.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

class proxyAutoParaListC;
class proxyAutoTypeCastC;

// A member handler: (owner, arguments of the call, result). Its return value
// is ignored; it reports failure only by throwing one of the dispatch
// exceptions (runtime/proxy_exceptions.h).
typedef uint32_t (*proxyHandlerFn)(void* owner, proxyAutoParaListC* args, proxyAutoTypeCastC* result);

// Parameter count of a row that accepts any number of arguments.
constexpr uint32_t anyValue = 0xFFFFFFFFu;

struct proxyMethodEntryS {
  const char* name;        // member name; "" names the default member
  uint32_t kind;           // kindMethod, kindPropertyGet or kindPropertyPut
  uint32_t paramCount;     // exact argument count, or anyValue
  proxyHandlerFn handler;  // the code; null ends the table
};

static_assert(sizeof(proxyMethodEntryS) == 24, "method row layout");
static_assert(offsetof(proxyMethodEntryS, kind) == 8, "method row layout");
static_assert(offsetof(proxyMethodEntryS, paramCount) == 12, "method row layout");
static_assert(offsetof(proxyMethodEntryS, handler) == 16, "method row layout");

// True when `a` and `b` are equal ignoring ASCII letter case (null reads as
// the empty text).
bool proxyNameEqualNoCase(const char* a, const char* b);

struct proxyMethodTableS {
  const proxyMethodEntryS* rows;  // first row, or null when there is no table
  uint32_t owned;                 // non-zero: rows were allocated by append

  proxyMethodTableS() : rows(nullptr), owned(0) {}
  // Points at a static table without owning it.
  explicit proxyMethodTableS(const proxyMethodEntryS* staticRows) : rows(staticRows), owned(0) {}
  ~proxyMethodTableS() { clear(); }
  proxyMethodTableS(const proxyMethodTableS&) = delete;
  proxyMethodTableS& operator=(const proxyMethodTableS&) = delete;

  // Builds a new array: the rows of `newRows` (up to their terminator), then
  // the rows already held, then a zeroed terminator; frees the old array when
  // owned. Answers false and leaves the table unchanged when the allocation
  // fails.
  bool append(const proxyMethodEntryS* newRows);

  // A class's table: appends `classRows` at the first call and answers the
  // rows from then on. `filled` is the class's one-time flag. Safe for many
  // threads making their first call at once: the append runs under one
  // module-wide lock, exactly once, and `filled` is set (release) only after
  // the table is complete, so a caller that sees it set (acquire) sees the
  // rows too. A failed append leaves `filled` clear and answers the rows
  // held before (null for a fresh table); the next call retries.
  //
  // Lock order: the table lock is taken before the allocation and pool
  // locks (the append allocates) and never while they are held.
  const proxyMethodEntryS* rowsFilledOnce(const proxyMethodEntryS* classRows, std::atomic<bool>& filled);

  // Rows before the terminator (0 without a table).
  uint32_t count() const;

  // Name, kind or address of row `index`; null or 0 when the index is
  // negative or not below count().
  const char* nameAt(int index) const;
  uint32_t kindAt(int index) const;
  const proxyMethodEntryS* entryAt(int index) const;

  // The first row at or after `start` (the first row when start is null)
  // whose name equals `name` ignoring case (null = "") and whose kind equals
  // `kind` (kindAny matches every kind); null when there is none.
  const proxyMethodEntryS* find(const char* name, uint32_t kind, const proxyMethodEntryS* start = nullptr) const;

  // Frees the array when owned; afterwards there is no table.
  void clear();
};

static_assert(sizeof(proxyMethodTableS) == 16, "method table holder layout");
static_assert(offsetof(proxyMethodTableS, owned) == 8, "method table holder layout");
