// The block walk: lists, pages, slots, each page checked before it is entered.
#include "memory/mem_block_iterator.h"

#include <cstddef>

#include "platform/memory_probe.h"

bool memPageIsUsable(const memPageS* page, std::uint64_t blockHeaderSize) {
  // Only the trailer is copied; the block area is not needed for the check.
  struct trailerS {
    std::uint32_t magic;
    memPageS* next;
    memPageS* prev;
    memBlockHeaderS* freeHead;
    std::uint64_t stride, classSize, used, capacity;
  } trailer;
  static_assert(sizeof(trailerS) == sizeof(memPageS) - offsetof(memPageS, magic), "trailer copy matches the page");
  const unsigned char* at = reinterpret_cast<const unsigned char*>(page) + offsetof(memPageS, magic);
  if (page == nullptr || !memorySafeRead(at, &trailer, sizeof trailer)) return false;
  return trailer.magic == memPageMagic && trailer.stride % 8 == 0 && trailer.classSize <= memLargestClassSize &&
         trailer.stride >= trailer.classSize + blockHeaderSize && trailer.stride <= memPageAreaSize &&
         trailer.capacity <= memPageAreaSize / trailer.stride;
}

memBlockIteratorS::memBlockIteratorS(memPoolC& heap, bool probePages)
    : pool(&heap),
      listIndex(0),
      slot(0),
      ordinal(0),
      page(nullptr),
      block(nullptr),
      state(0),
      pagesInList(0),
      probe(probePages) {}

bool memPoolPagesAreSound(memPoolC& heap) {
  for (std::uint64_t list = 0; list <= memFullPageListIndex; ++list) {
    std::uint64_t pages = 0;
    for (const memPageS* page = list < memSizeClassCount ? heap.sizeClassTable[list] : heap.fullPageList;
         page != nullptr; page = page->next) {
      if (++pages > heap.pageCount || !memoryIsReadable(page, sizeof(memPageS)) ||
          !memPageIsUsable(page, heap.blockHeaderSize))
        return false;
    }
  }
  return true;
}

bool memBlockIteratorS::next(bool skipRestOfPage) {
  for (;;) {
    switch (state) {
      case 0:  // pick the head of the next list that has one
        for (; listIndex <= memFullPageListIndex; ++listIndex) {
          page = listIndex < memSizeClassCount ? pool->sizeClassTable[listIndex] : pool->fullPageList;
          if (page != nullptr) break;
        }
        if (listIndex > memFullPageListIndex) {
          state = -1;
          return false;
        }
        pagesInList = 0;
        state = 1;
        break;
      case 1:  // enter the page, or leave a list that cannot be walked on
        if (++pagesInList > pool->pageCount ||
            (probe && (!memoryIsReadable(page, sizeof(memPageS)) || !memPageIsUsable(page, pool->blockHeaderSize)))) {
          ++listIndex;
          state = 0;
          break;
        }
        slot = 0;
        skipRestOfPage = false;
        state = 2;
        break;
      case 2:  // the next slot of the page
        if (skipRestOfPage || slot >= page->capacity) {
          state = 3;
          break;
        }
        block = reinterpret_cast<memBlockHeaderS*>(page->blockArea + slot * page->stride);
        ++slot;
        ++ordinal;
        return true;
      case 3:  // the next page of the list, or the next list
        page = page->next;
        if (page != nullptr) {
          state = 1;
        } else {
          ++listIndex;
          state = 0;
        }
        break;
      default:
        return false;
    }
  }
}
