// memPoolC: size-class pages, OS blocks, the page lists and the counters.
#include "memory/mem_pool.h"

#include <cstdlib>
#include <cstring>

#include "memory/mem_track.h"
#include "memory/mem_track_output.h"
#include "memory/mem_track_switches.h"
#include "memory/pool_poison.h"
#include "platform/intrusive_list.h"

namespace {

constexpr std::uint64_t roundUp8(std::uint64_t value) { return (value + 7) & ~std::uint64_t{7}; }

inline memBlockHeaderS* blockAt(memPageS* page, std::uint64_t slot) {
  return reinterpret_cast<memBlockHeaderS*>(page->blockArea + slot * page->stride);
}

inline memBlockHeaderS* asBlock(std::uint64_t address) {
  return reinterpret_cast<memBlockHeaderS*>(static_cast<std::uintptr_t>(address));
}

inline std::uint64_t addressOf(const void* p) {
  return static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(p));
}

}  // namespace

memPoolC::~memPoolC() {
  lockGuardC guard(*poolLock);
  shuttingDown = 1;
  if (outstanding == 0) {
    for (memPageS*& head : sizeClassTable) {
      while (head != nullptr) {
        memPageS* next = head->next;
        releasePage(head);
        head = next;
      }
    }
  }
  memTrackReportAtUnload(*this);
}

void* memPoolC::runtimeHeapAllocate(std::size_t size) {
  return runtimeAllocate != nullptr ? runtimeAllocate(size) : std::malloc(size);
}

void memPoolC::runtimeHeapFree(void* block) {
  if (runtimeFree != nullptr) {
    runtimeFree(block);
  } else {
    std::free(block);
  }
}

void memPoolC::setRuntimeHeap(runtimeAllocateFn allocateFn, runtimeFreeFn freeFn) {
  lockGuardC guard(*poolLock);
  runtimeAllocate = allocateFn;
  runtimeFree = freeFn;
}

std::uint64_t memPoolC::ensureBlockHeaderSize() {
  if (blockHeaderSize == 0) blockHeaderSize = memTrackBlockHeaderSize();
  return blockHeaderSize;
}

memPageS* memPoolC::createPage(std::uint64_t classSize) {
  const std::uint64_t stride = roundUp8(classSize + ensureBlockHeaderSize());
  memPageS* page = static_cast<memPageS*>(runtimeHeapAllocate(sizeof(memPageS)));
  if (page == nullptr) return nullptr;
  page->stride = stride;
  page->classSize = classSize;
  page->capacity = memPageAreaSize / stride;
  page->next = nullptr;
  page->prev = nullptr;
  // Each slot links to the one below it, so the highest slot is handed out
  // first and blocks leave in descending address order.
  memBlockHeaderS* below = nullptr;
  for (std::uint64_t slot = 0; slot < page->capacity; ++slot) {
    memBlockHeaderS* block = blockAt(page, slot);
    block->owner = memBlockOwnerNeverUsed;
    block->sizeOrLink = addressOf(below);
    below = block;
  }
  page->freeHead = below;
  page->used = 0;
  page->magic = memPageMagic;
  // Every slot is free: only the headers stay readable, and the bytes after
  // the last slot are never handed out.
  for (std::uint64_t slot = 0; slot < page->capacity; ++slot) {
    poolPoison(reinterpret_cast<unsigned char*>(blockAt(page, slot)) + blockHeaderSize,
               static_cast<std::size_t>(stride - blockHeaderSize));
  }
  poolPoison(page->blockArea + page->capacity * stride,
             static_cast<std::size_t>(memPageAreaSize - page->capacity * stride));
  ++pageCount;
  if (pageCount > peakPageCount) peakPageCount = pageCount;
  return page;
}

void memPoolC::releasePage(memPageS* page) {
  poolUnpoison(page->blockArea, memPageAreaSize);
  runtimeHeapFree(page);
  --pageCount;
}

void* memPoolC::allocateOsBlock(std::uint64_t size) {
  const std::uint64_t headerSize = ensureBlockHeaderSize();
  if (size > SIZE_MAX - headerSize) return nullptr;
  memBlockHeaderS* block =
      static_cast<memBlockHeaderS*>(runtimeHeapAllocate(static_cast<std::size_t>(headerSize + size)));
  if (block == nullptr) return nullptr;
  block->owner = memBlockOwnerOsBlock;
  block->sizeOrLink = size;
  osBytes += size;
  if (osBytes > peakOsBytes) peakOsBytes = osBytes;
  ++outstanding;
  return reinterpret_cast<unsigned char*>(block) + headerSize;
}

void* memPoolC::allocate(std::uint64_t size) {
  lockGuardC guard(*poolLock);
  if (size > memLargestClassSize || poolsDisabled != 0) return allocateOsBlock(size);

  const std::uint64_t rounded = roundUp8(size);
  const std::uint64_t sizeClass = rounded >> 3;
  memPageS* page = sizeClassTable[sizeClass];
  if (page == nullptr) {
    page = createPage(rounded);
    if (page == nullptr) return nullptr;
    sizeClassTable[sizeClass] = page;
  }
  memBlockHeaderS* block = page->freeHead;
  page->freeHead = asBlock(block->sizeOrLink);
  block->owner = addressOf(page);
  block->sizeOrLink = size;
  unsigned char* user = reinterpret_cast<unsigned char*>(block) + blockHeaderSize;
  // The requested bytes become live; the guard byte and the slack after
  // them stay poisoned.
  poolUnpoison(user, static_cast<std::size_t>(size));
  if (size != rounded) poolWriteByte(user + size, memBlockGuardByte);
  ++outstanding;
  if (++page->used >= page->capacity) {
    // The page is the head of its class list: it moves to the front of the
    // full-page list.
    intrusiveListRemove(sizeClassTable[sizeClass], page);
    intrusiveListPushFront(fullPageList, page);
  }
  return user;
}

void memPoolC::deallocate(void* userPointer) {
  if (userPointer == nullptr) return;
  lockGuardC guard(*poolLock);
  if (blockHeaderSize == 0) return;  // nothing was ever handed out here
  memBlockHeaderS* block = headerOf(userPointer);
  const std::uint64_t owner = block->owner;
  // A slot that was never handed out is as free as a freed one.
  if (owner == memBlockOwnerFreed || owner == memBlockOwnerNeverUsed) {
    reportDoubleFree();
    return;
  }
  --outstanding;
  block->owner = memBlockOwnerFreed;
  if (owner == memBlockOwnerOsBlock) {
    osBytes -= block->sizeOrLink;
    runtimeHeapFree(block);
    return;
  }

  memPageS* page = reinterpret_cast<memPageS*>(static_cast<std::uintptr_t>(owner));
  poolPoison(reinterpret_cast<unsigned char*>(block) + blockHeaderSize,
             static_cast<std::size_t>(page->stride - blockHeaderSize));
  block->sizeOrLink = addressOf(page->freeHead);
  page->freeHead = block;
  memPageS*& classHead = sizeClassTable[page->classSize >> 3];
  if (page->used == page->capacity) {
    intrusiveListRemove(fullPageList, page);
    intrusiveListPushFront(classHead, page);
  }
  if (--page->used != 0) return;
  // An emptied page is kept while it is the only page of its class, so that
  // a class used by one block at a time does not fetch a page per call.
  if (page->prev == nullptr && page->next == nullptr && shuttingDown == 0) return;
  intrusiveListRemove(classHead, page);
  releasePage(page);
}

void* memPoolC::reallocate(void* userPointer, std::uint64_t size) {
  if (userPointer == nullptr) return allocate(size);
  lockGuardC guard(*poolLock);
  void* moved = allocate(size);
  if (moved == nullptr) return nullptr;
  const std::uint64_t oldSize = blockSize(userPointer);
  std::memcpy(moved, userPointer, static_cast<std::size_t>(size < oldSize ? size : oldSize));
  deallocate(userPointer);
  return moved;
}

void* memPoolC::allocateAligned(std::uint64_t size, std::size_t alignment) {
  if (alignment <= 8) return allocate(size);
  if ((alignment & (alignment - 1)) != 0 || size > UINT64_MAX - alignment) return nullptr;
  // The underlying block is 8-aligned, so rounding (block + 8) up to the
  // alignment leaves at least 8 bytes in front for the block's address and
  // needs at most alignment - 8 bytes of slack.
  void* block = allocate(size + alignment);
  if (block == nullptr) return nullptr;
  const std::uintptr_t aligned =
      (reinterpret_cast<std::uintptr_t>(block) + 8 + alignment - 1) & ~(static_cast<std::uintptr_t>(alignment) - 1);
  std::memcpy(reinterpret_cast<void*>(aligned - 8), &block, sizeof block);
  return reinterpret_cast<void*>(aligned);
}

void memPoolC::deallocateAligned(void* userPointer, std::size_t alignment) {
  if (userPointer == nullptr) return;
  if (alignment <= 8) {
    deallocate(userPointer);
    return;
  }
  void* block;
  std::memcpy(&block, static_cast<unsigned char*>(userPointer) - 8, sizeof block);
  deallocate(block);
}

memBlockHeaderS* memPoolC::headerOf(const void* userPointer) const {
  return reinterpret_cast<memBlockHeaderS*>(const_cast<unsigned char*>(static_cast<const unsigned char*>(userPointer)) -
                                            blockHeaderSize);
}

std::uint64_t memPoolC::blockSize(const void* userPointer) const { return headerOf(userPointer)->sizeOrLink; }

void memPoolC::reportDoubleFree() {
  const std::uint32_t previous = poolsDisabled;
  poolsDisabled = 1;
  memTrackWriteReport(memTrackDoubleFreeText);
  if (poolsDisabled != 0) poolsDisabled = previous;
}
