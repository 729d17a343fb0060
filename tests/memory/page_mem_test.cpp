// pageMemT: paging, element stability, page destruction and the sort of str.
#include "memory/page_mem.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "base/str.h"

namespace {

struct trackedS {
  trackedS() { ++alive; }
  ~trackedS() { --alive; }
  int value = 0;
  static int alive;
};
int trackedS::alive = 0;

TEST(PageMem, GrowsOnePagePointerPerEightElements) {
  pageMemT<int, 3> array;
  EXPECT_EQ(0u, array.pageCount);
  EXPECT_EQ(nullptr, array.pages.data);

  std::vector<int*> slots;
  for (int i = 0; i < 17; ++i) {
    int* slot = array.nextSlot();
    ASSERT_NE(nullptr, slot);
    *slot = i * 10;
    slots.push_back(slot);
    SCOPED_TRACE("after element " + std::to_string(i));
    EXPECT_EQ(static_cast<std::uint64_t>(i / 8 + 1), array.pageCount);
    EXPECT_EQ(array.pageCount * 8, array.pages.size);
  }
  EXPECT_EQ(17u, array.size());
  EXPECT_EQ(&array.pages.data[1]->elements[0], &array[8]) << "element 8 is slot 0 of the second page";
  for (int i = 0; i < 17; ++i) {
    EXPECT_EQ(slots[i], &array[i]) << "elements never move";
    EXPECT_EQ(i * 10, array[i]);
  }
}

TEST(PageMem, PagesConstructAndDestroyTheirElements) {
  trackedS::alive = 0;
  {
    pageMemT<trackedS, 3> array;
    array.nextSlot();
    EXPECT_EQ(8, trackedS::alive) << "a page default-constructs all its elements";
    for (int i = 0; i < 8; ++i) array.nextSlot();
    EXPECT_EQ(16, trackedS::alive);
  }
  EXPECT_EQ(0, trackedS::alive);
}

std::string joined(pageMemT<str, 3>& array, std::uint64_t n) {
  std::string text;
  for (std::uint64_t i = 0; i < n; ++i) {
    if (i != 0) text += ',';
    text += array[i].hasStorage() ? array[i].c_str() : "<none>";
  }
  return text;
}

TEST(PageMem, SortsStrAscending) {
  struct rowS {
    std::vector<const char*> names;
    std::uint64_t n;
    const char* expected;
  };
  const rowS rows[] = {
      {{"b", "a", "c", "a"}, 4, "a,a,b,c"},
      {{"b", "a", "c", "a"}, 2, "a,b,c,a"},            // only the first n
      {{"x", nullptr, "", "a"}, 4, "<none>,,a,x"},    // no storage first, then ""
      {{"B", "a", "A", "b"}, 4, "A,B,a,b"},           // byte order, case-sensitive
      {{}, 0, ""},
  };
  for (const rowS& row : rows) {
    pageMemT<str, 3> array;
    for (const char* name : row.names) *array.nextSlot() = name;
    array.sort(row.n);
    SCOPED_TRACE(row.expected);
    EXPECT_EQ(row.expected, joined(array, array.size()));
  }
}

TEST(PageMem, SortsManyAcrossPages) {
  pageMemT<str, 3> array;
  std::vector<std::string> expected;
  for (int i = 0; i < 100; ++i) {
    char name[8];
    std::snprintf(name, sizeof name, "n%03d", (i * 37) % 100);
    *array.nextSlot() = name;
    expected.push_back(name);
  }
  array.sort(100);
  std::sort(expected.begin(), expected.end());
  for (int i = 0; i < 100; ++i) EXPECT_EQ(expected[i], array[i].c_str()) << "index " << i;
}

}  // namespace
