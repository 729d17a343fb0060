// The calling thread's cache of its own per-thread table slots: for a few
// tables, the node that holds the thread's slot, so that a lookup that hits
// reads one thread-local entry instead of taking the table's lock and
// walking its list.
//
// Promises:
// - An entry is found only for the table object it was stored for, during
//   that object's life: constructing or destroying any table moves a
//   process-wide epoch on, and entries of an older epoch are never found.
//   So a table built where a destroyed one stood never sees the old one's
//   nodes.
// - The cache lives in a thread-local without destructor (nothing keeps the
//   module loaded at thread exit) and starts empty on every new thread, so a
//   thread that inherits an ended thread's id inherits none of its entries.
// - The tables store only nodes that belong to the calling thread and whose
//   thread counts as running; such a node is removed only with its table
//   (which moves the epoch on) or once its thread counts as ended. A thread
//   that is ending while it still runs code (POSIX: after its end has been
//   marked) forgets its entries before its end is marked, see
//   perThreadCacheForget.
// - Entries hold plain pointers; a full cache replaces its oldest entry.
#pragma once

#include <atomic>
#include <cstdint>

// Moved on by every construction and destruction of a per-thread table.
inline std::atomic<std::uint64_t> perThreadTableEpoch{1};

struct perThreadCacheEntryS {
  const void* table;    // the table, or null for an empty entry
  std::uint64_t epoch;  // perThreadTableEpoch when the entry was stored
  void* node;           // the calling thread's node in that table
};

struct perThreadCacheS {
  static constexpr int capacity = 4;
  perThreadCacheEntryS entries[capacity];  // most recently stored first
};

inline thread_local perThreadCacheS perThreadCache{};

// Marks the end of every table's current life: no entry stored before is
// found again.
inline void perThreadCacheNewEpoch() { perThreadTableEpoch.fetch_add(1, std::memory_order_acq_rel); }

// The calling thread's node in `table`, or null when the cache has none.
inline void* perThreadCacheFind(const void* table) {
  const std::uint64_t epoch = perThreadTableEpoch.load(std::memory_order_acquire);
  for (const perThreadCacheEntryS& entry : perThreadCache.entries) {
    if (entry.table == table && entry.epoch == epoch) return entry.node;
  }
  return nullptr;
}

// Remembers `node` as the calling thread's node in `table`, dropping any
// older entry for the table and, when full, the oldest entry.
inline void perThreadCacheStore(const void* table, void* node) {
  perThreadCacheEntryS* entries = perThreadCache.entries;
  int last = perThreadCacheS::capacity - 1;
  for (int i = 0; i < last; ++i) {
    if (entries[i].table == table) {
      last = i;
      break;
    }
  }
  for (int i = last; i > 0; --i) entries[i] = entries[i - 1];
  entries[0] = perThreadCacheEntryS{table, perThreadTableEpoch.load(std::memory_order_acquire), node};
}

// Empties the calling thread's cache: called as the thread's end is marked
// (and in a forked child, which is a new thread).
inline void perThreadCacheForget() { perThreadCache = perThreadCacheS{}; }
