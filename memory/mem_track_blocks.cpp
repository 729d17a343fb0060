// Block validity, address lookup, parents, children and the per-block line.
#include "memory/mem_track_blocks.h"

#include <cstddef>
#include <cstring>

#include "memory/mem_block_iterator.h"
#include "memory/mem_track_text.h"
#include "memory/pool_poison.h"
#include "platform/memory_probe.h"

namespace {

constexpr std::uint64_t maxLinkDistance = 10000;

const memPageS* pageOf(std::uint64_t owner) {
  return reinterpret_cast<const memPageS*>(static_cast<std::uintptr_t>(owner));
}

// The class size of the page a block names as owner, read without faulting;
// false when the owner is no readable page.
bool ownerClassSize(std::uint64_t owner, std::uint64_t* classSize) {
  const memPageS* page = pageOf(owner);
  std::uint32_t magic = 0;
  const unsigned char* trailer = reinterpret_cast<const unsigned char*>(page);
  return memorySafeRead(trailer + offsetof(memPageS, magic), &magic, sizeof magic) && magic == memPageMagic &&
         memorySafeRead(trailer + offsetof(memPageS, classSize), classSize, sizeof *classSize);
}

}  // namespace

bool readBlockWords(const void* from, std::uint64_t* words, std::uint64_t n) {
  return memorySafeRead(from, words, static_cast<std::size_t>(n * 8));
}

bool blockIsValid(const memPoolC& pool, const memBlockHeaderS* block, const memPageS* page) {
  memBlockHeaderS header;
  if (page != nullptr) {
    header = *block;
  } else if (!memorySafeRead(block, &header, sizeof header)) {
    return false;
  }
  if (!memBlockIsInUse(&header)) {
    if (header.owner == memBlockOwnerNeverUsed || header.sizeOrLink == 0) return true;
    const std::int32_t distance = static_cast<std::int32_t>(
        static_cast<std::uint32_t>(header.sizeOrLink - reinterpret_cast<std::uintptr_t>(block)));
    return distance >= -static_cast<std::int64_t>(maxLinkDistance) &&
           distance <= static_cast<std::int64_t>(maxLinkDistance);
  }
  if (header.owner == memBlockOwnerOsBlock) return true;
  const bool ownPage = page != nullptr && pageOf(header.owner) == page;
  std::uint64_t classSize = 0;
  if (ownPage) {
    classSize = page->classSize;
  } else if (!ownerClassSize(header.owner, &classSize)) {
    return false;
  }
  if (classSize < header.sizeOrLink) return false;
  if (header.sizeOrLink == classSize) return true;
  const unsigned char* guard = memBlockUserPointer(pool, block) + header.sizeOrLink;
  unsigned char value = 0;
  if (ownPage) {
    value = poolReadByte(guard);
  } else if (!memorySafeRead(guard, &value, 1)) {
    return false;
  }
  return value == memBlockGuardByte;
}

std::uint64_t blockWordCount(const memBlockHeaderS* block) {
  memBlockHeaderS header;
  if (!memorySafeRead(block, &header, sizeof header) || !memBlockIsInUse(&header)) return 0;
  std::uint64_t size = header.sizeOrLink;
  if (header.owner != memBlockOwnerOsBlock) {
    std::uint64_t classSize = 0;
    if (!ownerClassSize(header.owner, &classSize)) return 0;
    if (size > classSize) size = classSize;
  }
  return size / 8;
}

memBlockHeaderS* memHeapViewC::findBlockContaining(const void* address, memPageS** page) const {
  const std::uintptr_t at = reinterpret_cast<std::uintptr_t>(address);
  memBlockIteratorS walk = blocks();
  bool skip = false;
  while (walk.next(skip)) {
    const std::uintptr_t area = reinterpret_cast<std::uintptr_t>(walk.page->blockArea);
    skip = at < area || at - area >= memPageAreaSize;
    if (skip || !memBlockIsInUse(walk.block)) continue;
    // A size beyond the class (corruption) must not claim the next slots.
    std::uint64_t size = walk.block->sizeOrLink;
    if (size > walk.page->classSize) size = walk.page->classSize;
    const std::uintptr_t user = reinterpret_cast<std::uintptr_t>(memBlockUserPointer(*pool, walk.block));
    if (at >= user && at - user < size) {
      if (page != nullptr) *page = walk.page;
      return walk.block;
    }
  }
  return nullptr;
}

std::int64_t memHeapViewC::findParent(const memBlockHeaderS* block) const {
  const std::uint64_t target = reinterpret_cast<std::uintptr_t>(memBlockUserPointer(*pool, block));
  memBlockIteratorS walk = blocks();
  while (walk.next()) {
    if (!memBlockIsInUse(walk.block)) continue;
    bool found = false;
    forEachPageBlockWord(*pool, walk.page, walk.block, [&](std::uint64_t word, std::uint64_t) {
      found = word == target;
      return !found;
    });
    if (found) return static_cast<std::int64_t>(walk.ordinal);
  }
  return -1;
}

memBlockSetC::~memBlockSetC() { pool->deallocate(items); }

bool memBlockSetC::insert(memBlockHeaderS* block) {
  const std::uintptr_t address = reinterpret_cast<std::uintptr_t>(block);
  std::uint64_t low = 0, high = count;
  while (low < high) {
    const std::uint64_t middle = low + (high - low) / 2;
    if (items[middle] < address) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  if (low < count && items[low] == address) return false;
  if (count == room) {
    const std::uint64_t grown = room == 0 ? 64 : room * 2;
    void* moved = pool->reallocate(items, grown * sizeof(std::uintptr_t));
    if (moved == nullptr) {
      failed = true;
      return false;
    }
    items = static_cast<std::uintptr_t*>(moved);
    room = grown;
  }
  std::memmove(items + low + 1, items + low, static_cast<std::size_t>((count - low) * sizeof(std::uintptr_t)));
  items[low] = address;
  ++count;
  return true;
}

void memHeapViewC::collectChildren(memBlockHeaderS* root, memBlockSetC& set) const {
  // Blocks whose words are still to be followed, with their pages; every
  // block enters it once, when it enters the set, so the work is bounded by
  // the number of blocks.
  struct pendingS {
    memBlockHeaderS* block;
    memPageS* page;
  };
  pendingS* pending = nullptr;
  std::uint64_t pendingCount = 0, pendingRoom = 0;
  memBlockHeaderS* current = root;
  const auto follow = [&](std::uint64_t word, std::uint64_t) {
    memPageS* page = nullptr;
    memBlockHeaderS* child = findBlockContaining(reinterpret_cast<const void*>(word), &page);
    if (child == nullptr || child == current || !set.insert(child)) return !set.truncated();
    if (pendingCount == pendingRoom) {
      const std::uint64_t grown = pendingRoom == 0 ? 64 : pendingRoom * 2;
      void* moved = pool->reallocate(pending, grown * sizeof *pending);
      if (moved == nullptr) return false;
      pending = static_cast<pendingS*>(moved);
      pendingRoom = grown;
    }
    pending[pendingCount++] = pendingS{child, page};
    return true;
  };
  // The root may lie outside the pages (an OS block): its words are read
  // without faulting. Every other block was found in a walked page.
  forEachBlockWord(*pool, root, follow);
  while (pendingCount > 0) {
    const pendingS next = pending[--pendingCount];
    current = next.block;
    forEachPageBlockWord(*pool, next.page, next.block, follow);
  }
  pool->deallocate(pending);
}

const char* typeNameOf(const memBlockHeaderS*) { return "unk"; }

void appendBlockLine(memTrackTextC& text, const memPoolC& pool, std::int64_t id, std::int64_t parent,
                     const memBlockHeaderS* block, std::uint64_t count, std::uint64_t offset) {
  memBlockHeaderS header = {};
  memorySafeRead(block, &header, sizeof header);
  if (id >= 0) text.appendFormat("Id %6lld,", static_cast<long long>(id));
  if (parent >= 0) text.appendFormat("Parent %6lld,", static_cast<long long>(parent));
  const std::uint64_t bytes = header.sizeOrLink * count;
  text.appendFormat("Mem %6lld, Cnt %6lld, Name %s (%lld) (0x%s + 0x%04llx)\n", static_cast<long long>(bytes),
                    static_cast<long long>(count), typeNameOf(block), static_cast<long long>(header.sizeOrLink),
                    memTrackPointerText(memBlockUserPointer(pool, block)).text,
                    static_cast<unsigned long long>(offset));
}
