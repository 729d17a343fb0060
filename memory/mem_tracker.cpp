// The memory reports of one heap.
#include "memory/mem_tracker.h"

#include <cstring>

#include "memory/mem_block_iterator.h"
#include "memory/mem_track_blocks.h"
#include "memory/mem_track_switches.h"
#include "platform/memory_probe.h"
#include "platform/module_file.h"
#include "platform/process.h"
#include "platform/process_heaps.h"

namespace {

constexpr std::uint64_t pageBytes = memPageAreaSize;

// One report run: holds the pool lock, keeps the pages out of the report's
// own allocations, and views the heap that stays unchanged meanwhile.
class reportRunC {
 public:
  explicit reportRunC(memPoolC& heap) : pool(heap), guard(heap.lock()), previous(heap.poolsDisabled), heapView(heap) {
    pool.poolsDisabled = 1;
  }
  ~reportRunC() {
    if (pool.poolsDisabled != 0) pool.poolsDisabled = previous;
  }
  reportRunC(const reportRunC&) = delete;
  reportRunC& operator=(const reportRunC&) = delete;

  const memHeapViewC& view() const { return heapView; }

 private:
  memPoolC& pool;
  lockGuardC guard;
  std::uint32_t previous;
  memHeapViewC heapView;
};

long long asNumber(std::uint64_t value) { return static_cast<long long>(value); }

void appendTitle(memTrackTextC& out, const char* title) {
  out.appendFormat("ZKMEMTRACK %s (Pid=%d,%s)\n", title, static_cast<int>(processCurrentId()), ownModuleName());
}

void appendCompareLine(memTrackTextC& out, std::uint64_t size, std::uint64_t before, std::uint64_t after,
                       const char* name) {
  const long long diff = asNumber(after) - asNumber(before);
  const long long changed = diff < 0 ? -diff : diff;
  out.appendFormat("Mem %6lld, Befor=%3lld, After=%3lld,Diff=%3lld, Name %s (%lld)\n", changed * asNumber(size),
                   asNumber(before), asNumber(after), diff, name, asNumber(size));
}

// A page the memory check may walk: readable whole, the trailer usable, and
// the free list head inside the page (as an unsigned 32-bit distance).
bool pageIsSound(const memPageS* page, std::uint64_t blockHeaderSize) {
  if (!memoryIsReadable(page, sizeof(memPageS)) || !memPageIsUsable(page, blockHeaderSize)) return false;
  if (page->freeHead == nullptr) return true;
  const std::uint32_t distance = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(page->freeHead) -
                                                            reinterpret_cast<std::uintptr_t>(page));
  return distance <= memPageAreaSize;
}

void addHeapLine(void* context, const char* line) { static_cast<memTrackTextC*>(context)->append(line); }

}  // namespace

void memTrackerC::summaryLocked(const memHeapViewC& view, memTrackTextC& out) {
  const std::uint64_t osBytes = pool->osBytes;
  appendTitle(out, "Summary Report");
  const std::uint64_t mgrBytes = collectStatistics(view, *currentTable);
  for (std::uint64_t i = 0; i < currentTable->count; ++i) {
    const memStatEntryS& entry = currentTable->entries[i];
    appendBlockLine(out, *pool, -1, -1, entry.firstBlock, entry.count, 0);
  }
  if (currentTable->unlistedBlocks != 0)
    out.appendFormat("Unlisted Blocks : %lld\n", asNumber(currentTable->unlistedBlocks));
  out.appendFormat("Mgr Bytes : %lld\n", asNumber(mgrBytes));
  out.appendFormat("OS  Bytes : %lld\n", asNumber(osBytes));
}

void memTrackerC::detailLocked(const memHeapViewC& view, memTrackTextC& out) {
  appendTitle(out, "Detail Memory Report");
  memBlockIteratorS walk = view.blocks();
  while (walk.next()) {
    if (!memBlockIsInUse(walk.block)) continue;
    appendBlockLine(out, *pool, static_cast<std::int64_t>(walk.ordinal), view.findParent(walk.block), walk.block, 1, 0);
  }
}

void memTrackerC::summaryReport(memTrackTextC& out) {
  reportRunC run(*pool);
  summaryLocked(run.view(), out);
}

void memTrackerC::detailReport(memTrackTextC& out) {
  reportRunC run(*pool);
  detailLocked(run.view(), out);
}

void memTrackerC::fullReport(memTrackTextC& out) {
  reportRunC run(*pool);
  summaryLocked(run.view(), out);
  if ((memTrackFlags & memTrackFlagLeak) != 0) detailLocked(run.view(), out);
}

void memTrackerC::takeSnapshot() {
  reportRunC run(*pool);
  collectStatistics(run.view(), *snapshotTable);
}

void memTrackerC::compareSnapshot(memTrackTextC& out) {
  reportRunC run(*pool);
  out.appendFormat("ZKMEMTRACK Compare Snap (%s)\n", ownModuleName());
  collectStatistics(run.view(), *currentTable);
  memStatTableS& before = *snapshotTable;
  memStatTableS& after = *currentTable;
  for (std::uint64_t i = 0; i < before.count; ++i) {
    memStatEntryS& snap = before.entries[i];
    for (std::uint64_t j = 0; j < after.count; ++j) {
      memStatEntryS& cur = after.entries[j];
      if (cur.size != snap.size || std::strcmp(cur.typeName, snap.typeName) != 0) continue;
      if (cur.count != snap.count) appendCompareLine(out, snap.size, snap.count, cur.count, cur.typeName);
      cur.matched = 1;
      snap.matched = 1;
      break;
    }
  }
  for (std::uint64_t i = 0; i < before.count; ++i) {
    const memStatEntryS& snap = before.entries[i];
    if (snap.matched == 0) appendCompareLine(out, snap.size, snap.count, 0, snap.typeName);
  }
  for (std::uint64_t j = 0; j < after.count; ++j) {
    const memStatEntryS& cur = after.entries[j];
    if (cur.matched == 0) appendCompareLine(out, cur.size, 0, cur.count, cur.typeName);
  }
  if (before.unlistedBlocks != 0 || after.unlistedBlocks != 0)
    out.appendFormat("Unlisted Blocks : Befor=%lld, After=%lld\n", asNumber(before.unlistedBlocks),
                     asNumber(after.unlistedBlocks));
}

void memTrackerC::memoryCheck(memTrackTextC& out) {
  reportRunC run(*pool);
  appendTitle(out, "Memory Check");
  for (std::uint64_t list = 0; list <= memFullPageListIndex; ++list) {
    const memPageS* page = list < memSizeClassCount ? pool->sizeClassTable[list] : pool->fullPageList;
    // A list longer than the pages the heap holds runs in a circle.
    for (std::uint64_t visited = 0; page != nullptr; page = page->next) {
      if (++visited > pool->pageCount || !pageIsSound(page, pool->blockHeaderSize)) {
        out.append("invalid page block\n");
        break;
      }
      for (std::uint64_t slot = 0; slot < page->capacity; ++slot) {
        const memBlockHeaderS* block = reinterpret_cast<const memBlockHeaderS*>(page->blockArea + slot * page->stride);
        const bool foreignOwner = memBlockIsInUse(block) &&
                                  block->owner != static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(page));
        if (foreignOwner || !blockIsValid(*pool, block, page))
          out.appendFormat("Invalid Block %s\n", memTrackPointerText(block).text);
      }
    }
  }
  processHeapCheck(&addHeapLine, &out);
}

void memTrackerC::inspectAddress(memTrackTextC& out, const void* address) {
  reportRunC run(*pool);
  const memHeapViewC& view = run.view();
  memBlockHeaderS* block = view.findBlockContaining(address);
  out.appendFormat("ZKMEMTRACK Inspect Addr %s (Pid=%d,%s)\n", memTrackPointerText(address).text,
                   static_cast<int>(processCurrentId()), ownModuleName());
  out.append("Object:\n");
  if (block == nullptr) {
    out.append("Not in Mgr found!\n");
    // Only an in-use block can be described from its header; a free or
    // never used slot holds a link, not a size.
    memBlockHeaderS* candidate = memBlockFromUserPointer(*pool, address);
    memBlockHeaderS header;
    if (!memorySafeRead(candidate, &header, sizeof header) || !memBlockIsInUse(&header) ||
        !blockIsValid(*pool, candidate)) {
      out.append("can not eval!\n");
      return;
    }
    block = candidate;
  }
  appendBlockLine(out, *pool, 0, -1, block, 1, 0);

  out.append("Parents:\n");
  const std::uint64_t target = reinterpret_cast<std::uintptr_t>(address);
  memBlockIteratorS walk = view.blocks();
  while (walk.next()) {
    if (!memBlockIsInUse(walk.block)) continue;
    forEachPageBlockWord(*pool, walk.page, walk.block, [&](std::uint64_t word, std::uint64_t index) {
      if (word != target) return true;
      appendBlockLine(out, *pool, static_cast<std::int64_t>(walk.ordinal), -1, walk.block, 1, index * 8);
      return false;
    });
  }

  out.append("direct Childs:\n");
  std::uint64_t directBytes = 0;
  forEachBlockWord(*pool, block, [&](std::uint64_t word, std::uint64_t) {
    const memBlockHeaderS* child = view.findBlockContaining(reinterpret_cast<const void*>(word));
    if (child != nullptr && child != block) {
      appendBlockLine(out, *pool, 0, -1, child, 1, 0);
      directBytes += child->sizeOrLink;
    }
    return true;
  });
  out.appendFormat("Bytes : %lld\n", asNumber(directBytes));

  out.append("all Childs:\n");
  memBlockSetC children(*pool);
  view.collectChildren(block, children);
  clearStatistics(*currentTable);
  std::uint64_t allBytes = 0;
  for (std::uint64_t i = 0; i < children.size(); ++i) {
    addToStatistics(children[i], *currentTable);
    allBytes += children[i]->sizeOrLink;
  }
  for (std::uint64_t i = 0; i < currentTable->count; ++i) {
    const memStatEntryS& entry = currentTable->entries[i];
    appendBlockLine(out, *pool, 0, -1, entry.firstBlock, entry.count, 0);
  }
  if (currentTable->unlistedBlocks != 0)
    out.appendFormat("Unlisted Blocks : %lld\n", asNumber(currentTable->unlistedBlocks));
  out.appendFormat("Bytes : %lld\n", asNumber(allBytes));
}

std::uint64_t memTrackerC::peakOsBytes() const {
  lockGuardC guard(pool->lock());
  return pool->peakOsBytes;
}

std::uint64_t memTrackerC::peakPageBytes() const {
  lockGuardC guard(pool->lock());
  return pool->peakPageCount * pageBytes;
}

std::uint64_t memTrackerC::peakBytes() const {
  lockGuardC guard(pool->lock());
  return pool->peakOsBytes + pool->peakPageCount * pageBytes;
}
