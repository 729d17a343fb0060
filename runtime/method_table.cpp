// Method table holder and row lookup.
#include "runtime/method_table.h"

#include <new>

#include "abi/interfaces.h"
#include "platform/lock.h"

namespace {

uint32_t rowsBeforeTerminator(const proxyMethodEntryS* rows) {
  uint32_t n = 0;
  if (rows != nullptr) {
    while (rows[n].handler != nullptr) ++n;
  }
  return n;
}

// Serialises the first fill of every class's table. A lockC in static
// storage works before its constructor has run, so a table may be filled by
// a static constructor of another translation unit.
lockC tableFillLock;

char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

bool proxyNameEqualNoCase(const char* a, const char* b) {
  if (a == nullptr) a = "";
  if (b == nullptr) b = "";
  for (;; ++a, ++b) {
    if (asciiLower(*a) != asciiLower(*b)) return false;
    if (*a == '\0') return true;
  }
}

const proxyMethodEntryS* proxyMethodTableS::rowsFilledOnce(const proxyMethodEntryS* classRows,
                                                           std::atomic<bool>& filled) {
  if (filled.load(std::memory_order_acquire)) return rows;
  lockGuardC guard(tableFillLock);
  if (!filled.load(std::memory_order_relaxed) && append(classRows)) filled.store(true, std::memory_order_release);
  return rows;
}

bool proxyMethodTableS::append(const proxyMethodEntryS* newRows) {
  const uint32_t added = rowsBeforeTerminator(newRows);
  const uint32_t held = count();
  proxyMethodEntryS* table = new (std::nothrow) proxyMethodEntryS[added + held + 1];
  if (table == nullptr) return false;
  for (uint32_t i = 0; i < added; ++i) table[i] = newRows[i];
  for (uint32_t i = 0; i < held; ++i) table[added + i] = rows[i];
  table[added + held] = proxyMethodEntryS{nullptr, 0, 0, nullptr};
  clear();
  rows = table;
  owned = 1;
  return true;
}

uint32_t proxyMethodTableS::count() const { return rowsBeforeTerminator(rows); }

const proxyMethodEntryS* proxyMethodTableS::entryAt(int index) const {
  if (index < 0 || static_cast<uint32_t>(index) >= count()) return nullptr;
  return &rows[index];
}

const char* proxyMethodTableS::nameAt(int index) const {
  const proxyMethodEntryS* row = entryAt(index);
  return row != nullptr ? row->name : nullptr;
}

uint32_t proxyMethodTableS::kindAt(int index) const {
  const proxyMethodEntryS* row = entryAt(index);
  return row != nullptr ? row->kind : 0;
}

const proxyMethodEntryS* proxyMethodTableS::find(const char* name, uint32_t kind,
                                                 const proxyMethodEntryS* start) const {
  const proxyMethodEntryS* row = (start != nullptr) ? start : rows;
  if (row == nullptr) return nullptr;
  for (; row->handler != nullptr; ++row) {
    if (kind != kindAny && kind != row->kind) continue;
    if (proxyNameEqualNoCase(row->name, name)) return row;
  }
  return nullptr;
}

void proxyMethodTableS::clear() {
  if (owned != 0) delete[] rows;
  rows = nullptr;
  owned = 0;
}
