// memPoolC::validate: the debug validity walk over pages, slots and counters.
#include "memory/mem_pool.h"
#include "memory/pool_poison.h"

namespace {

class faultCollectorC {
 public:
  explicit faultCollectorC(const char** firstFault) : first(firstFault) {
    if (first != nullptr) *first = nullptr;
  }
  void add(const char* description) {
    if (count == 0 && first != nullptr) *first = description;
    ++count;
  }
  std::uint64_t total() const { return count; }

 private:
  const char** first;
  std::uint64_t count = 0;
};

struct pageTotalsS {
  std::uint64_t pages = 0;
  std::uint64_t blocksInUse = 0;
};

std::uintptr_t addressOf(const void* p) { return reinterpret_cast<std::uintptr_t>(p); }

// Checks one page against its own trailer and against the list it sits in.
void validatePage(const memPageS* page, std::uint64_t headerSize, bool inFullList, std::uint64_t listClassSize,
                  faultCollectorC& faults, pageTotalsS& totals) {
  if (page->magic != memPageMagic) {
    faults.add("page magic is not 0x11223344");
    return;
  }
  const std::uint64_t stride = (page->classSize + headerSize + 7) & ~std::uint64_t{7};
  if (page->stride != stride || page->capacity != memPageAreaSize / stride) {
    faults.add("page stride or capacity does not match its class size");
    return;
  }
  if (!inFullList && page->classSize != listClassSize) faults.add("page sits in the list of another class");
  if (inFullList ? page->used != page->capacity : page->used >= page->capacity)
    faults.add("page fill does not match the list it sits in");

  const std::uintptr_t areaStart = addressOf(page->blockArea);
  std::uint64_t inUse = 0;
  for (std::uint64_t slot = 0; slot < page->capacity; ++slot) {
    const unsigned char* slotStart = page->blockArea + slot * page->stride;
    const memBlockHeaderS* block = reinterpret_cast<const memBlockHeaderS*>(slotStart);
    if (block->owner == memBlockOwnerNeverUsed || block->owner == memBlockOwnerFreed) continue;
    if (block->owner != addressOf(page)) {
      faults.add("in-use block names another owner than its page");
      continue;
    }
    ++inUse;
    const std::uint64_t size = block->sizeOrLink;
    if (((size + 7) & ~std::uint64_t{7}) != page->classSize) {
      faults.add("in-use block size does not round to the page's class size");
    } else if (size != page->classSize && poolReadByte(slotStart + headerSize + size) != memBlockGuardByte) {
      faults.add("guard byte after an in-use block was overwritten");
    }
  }
  if (inUse != page->used) faults.add("page used count differs from its in-use blocks");

  std::uint64_t freeBlocks = 0;
  for (const memBlockHeaderS* block = page->freeHead; block != nullptr;
       block = reinterpret_cast<const memBlockHeaderS*>(static_cast<std::uintptr_t>(block->sizeOrLink))) {
    const std::uintptr_t offset = addressOf(block) - areaStart;
    if (addressOf(block) < areaStart || offset % page->stride != 0 || offset / page->stride >= page->capacity) {
      faults.add("free list leaves its page or misses a slot boundary");
      break;
    }
    if (block->owner != memBlockOwnerNeverUsed && block->owner != memBlockOwnerFreed) {
      faults.add("free list holds an in-use block");
      break;
    }
    if (++freeBlocks > page->capacity) {
      faults.add("free list is longer than the page (cycle)");
      break;
    }
  }
  if (freeBlocks + page->used != page->capacity) faults.add("used + free blocks differ from the capacity");

  ++totals.pages;
  totals.blocksInUse += inUse;
}

void validateList(const memPageS* head, std::uint64_t headerSize, bool inFullList, std::uint64_t listClassSize,
                  std::uint64_t pageLimit, faultCollectorC& faults, pageTotalsS& totals) {
  const memPageS* previous = nullptr;
  std::uint64_t visited = 0;
  for (const memPageS* page = head; page != nullptr; previous = page, page = page->next) {
    if (++visited > pageLimit) {
      faults.add("page list is longer than the page count (cycle)");
      return;
    }
    if (page->prev != previous) faults.add("page prev link does not name the previous page");
    validatePage(page, headerSize, inFullList, listClassSize, faults, totals);
  }
}

}  // namespace

std::uint64_t memPoolC::validate(const char** firstFault) const {
  lockGuardC guard(*poolLock);
  faultCollectorC faults(firstFault);
  pageTotalsS totals;
  if (blockHeaderSize != 0 && blockHeaderSize != memBlockHeaderSizePlain &&
      blockHeaderSize != memBlockHeaderSizeWithLocation) {
    faults.add("block header size is neither 16 nor 144");
    return faults.total();
  }
  for (unsigned sizeClass = 0; sizeClass < memSizeClassCount; ++sizeClass)
    validateList(sizeClassTable[sizeClass], blockHeaderSize, false, sizeClass * 8ull, pageCount, faults, totals);
  validateList(fullPageList, blockHeaderSize, true, 0, pageCount, faults, totals);

  if (totals.pages != pageCount) faults.add("pageCount differs from the pages in the lists");
  if (pageCount > peakPageCount) faults.add("pageCount exceeds peakPageCount");
  if (osBytes > peakOsBytes) faults.add("osBytes exceeds peakOsBytes");
  if (totals.blocksInUse > outstanding) faults.add("more pool blocks in use than outstanding allocations");
  return faults.total();
}
