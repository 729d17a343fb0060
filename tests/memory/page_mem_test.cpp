// pageMemT: paging, element stability, page destruction and the sort of str.
#include "memory/page_mem.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/str.h"

namespace {

struct trackedS {
  trackedS() { ++alive; }
  ~trackedS() { --alive; }
  int value = 0;
  static inline int alive = 0;
};

TEST(PageMem, GrowsByPagesOfEightThatConstructAndDestroyTheirElements) {
  trackedS::alive = 0;
  {
    pageMemT<trackedS, 3> array;
    std::vector<trackedS*> slots;
    for (int i = 0; i < 17; ++i) {
      SCOPED_TRACE("after element " + std::to_string(i));
      slots.push_back(array.nextSlot());
      ASSERT_NE(nullptr, slots.back());
      slots.back()->value = i * 10;
      EXPECT_EQ(static_cast<std::uint64_t>(i / 8 + 1), array.pageCount);
      EXPECT_EQ(array.pageCount * 8, array.pages.size);
      EXPECT_EQ(static_cast<int>(array.pageCount) * 8, trackedS::alive) << "a page constructs all its elements";
    }
    EXPECT_EQ(17u, array.size());
    EXPECT_EQ(&array.pages.data[1]->elements[0], &array[8]) << "element 8 is slot 0 of the second page";
    for (int i = 0; i < 17; ++i) {
      EXPECT_EQ(slots[i], &array[i]) << "elements never move";
      EXPECT_EQ(i * 10, array[i].value);
    }
  }
  EXPECT_EQ(0, trackedS::alive);
}

TEST(PageMem, SortsStrAscending) {
  const struct rowS {
    std::vector<const char*> names;
    std::uint64_t n;
    const char* expected;
  } rows[] = {
      {{"b", "a", "c", "a"}, 4, "a,a,b,c"},
      {{"b", "a", "c", "a"}, 2, "a,b,c,a"},         // all; only the first n
      {{"x", nullptr, "", "a"}, 4, "<none>,,a,x"},  // no storage first, then ""
      {{"B", "a", "A", "b"}, 4, "A,B,a,b"},
      {{}, 0, ""},  // byte order, case-sensitive; nothing
      {{"k", "j", "i", "h", "g", "f", "e", "d", "c", "b", "a", "q", "p", "o", "n", "m", "l", "r"},
       18,
       "a,b,c,d,e,f,g,h,i,j,k,l,m,n,o,p,q,r"},  // across three pages
  };
  for (const rowS& row : rows) {
    SCOPED_TRACE(row.expected);
    pageMemT<str, 3> array;
    for (const char* name : row.names) *array.nextSlot() = name;
    array.sort(row.n);
    std::string sorted;
    for (std::uint64_t i = 0; i < array.size(); ++i)
      sorted += (i != 0 ? "," : "") + std::string(array[i].hasStorage() ? array[i].c_str() : "<none>");
    EXPECT_EQ(row.expected, sorted);
  }
}

}  // namespace
