// pageMemT: a growable array kept in pages of 2^pageShift elements, so that
// an element never moves once created (element i lives in page
// i >> pageShift at slot i & (2^pageShift - 1)). The module uses pages of 8.
//
// Every element of a page is default-constructed when the page is created
// and destroyed with it. The page array and the pages come from the memory
// manager. Failure: when a page cannot be added, nextSlot() answers null and
// the array is unchanged.
#pragma once

#include <cstdint>
#include <utility>

#include "memory/mem_man.h"

template <class T, int pageShift = 3, class BaseT = memManInterfaceC>
class pageMemT : public BaseT {
 public:
  static constexpr std::uint64_t elementsPerPage = std::uint64_t{1} << pageShift;

  // One page: its elements live and die with it. Made by addPage, destroyed
  // only through its slot.
  class pageIC : public BaseT {
   public:
    ZK_DELETING_DESTRUCTOR(pageIC)

    T elements[elementsPerPage];

   private:
    friend class pageMemT;
    pageIC() = default;
    ~pageIC() = default;
  };

  pageMemT() : pageCount(0), count(0) {}
  // Destroys every page (and so every element), then frees the page array.
  ~pageMemT();
  ZK_DELETING_DESTRUCTOR(pageMemT)

  pageMemT(const pageMemT&) = delete;
  pageMemT& operator=(const pageMemT&) = delete;

  // The element at index count, then count += 1; a page is added first when
  // the index lies beyond the last page. Null when no page can be added.
  T* nextSlot();

  // Adds pages one at a time until there are at least n. False when a page
  // cannot be added; the pages added before stay.
  bool reservePages(std::uint64_t n) {
    while (pageCount < n) {
      if (!addPage()) return false;
    }
    return true;
  }

  // Element i (i < count; also any i below pageCount * elementsPerPage).
  T& operator[](std::uint64_t i) { return pages.data[i >> pageShift]->elements[i & (elementsPerPage - 1)]; }
  const T& operator[](std::uint64_t i) const { return pages.data[i >> pageShift]->elements[i & (elementsPerPage - 1)]; }

  std::uint64_t size() const { return count; }

  // Shell sort (Knuth's gaps 1, 4, 13, ...) of elements 0..n-1 ascending,
  // comparing with `element > other.c_str()` (made for T = str); n is cut
  // to count. Equal elements keep no particular order.
  void sort(std::uint64_t n);

  memManDataPoolC<pageIC*, BaseT> pages;  // page pointers; size = 8 bytes per page
  std::uint64_t pageCount;                // pages created
  std::uint64_t count;                    // elements handed out

 private:
  bool addPage();
};

template <class T, int pageShift, class BaseT>
pageMemT<T, pageShift, BaseT>::~pageMemT() {
  for (std::uint64_t i = 0; i < pageCount; ++i) deleteObject(pages.data[i]);
  pageCount = 0;
  pages.release();
}

template <class T, int pageShift, class BaseT>
bool pageMemT<T, pageShift, BaseT>::addPage() {
  if (!pages.reallocate((pageCount + 1) * sizeof(pageIC*))) return false;
  pageIC* page = new pageIC;
  if (page == nullptr) return false;
  pages.data[pageCount] = page;
  ++pageCount;
  return true;
}

template <class T, int pageShift, class BaseT>
T* pageMemT<T, pageShift, BaseT>::nextSlot() {
  if ((count >> pageShift) >= pageCount && !addPage()) return nullptr;
  return &(*this)[count++];
}

template <class T, int pageShift, class BaseT>
void pageMemT<T, pageShift, BaseT>::sort(std::uint64_t n) {
  if (n > count) n = count;
  std::uint64_t h = 1;
  while (h < n / 9) h = 3 * h + 1;
  // The walk is 1-based as the gap sequence is defined: element k is
  // (*this)[k - 1].
  for (; h >= 1; h /= 3) {
    for (std::uint64_t i = h + 1; i <= n; ++i) {
      T t = std::move((*this)[i - 1]);
      std::uint64_t j = i;
      while (j > h && (*this)[j - h - 1] > t.c_str()) {
        (*this)[j - 1] = std::move((*this)[j - h - 1]);
        j -= h;
      }
      (*this)[j - 1] = std::move(t);
    }
  }
}
