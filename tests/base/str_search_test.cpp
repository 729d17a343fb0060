// str searches: plain, ignoring case, from the end.
#include "base/str.h"

#include <gtest/gtest.h>

#include "tests/base/str_test_util.h"

namespace {

TEST(StrSearch, Find) {
  struct rowS {
    const char* self;
    const char* text;
    int find;
    int findNoCase;
    int reverseFind;
  };
  const rowS rows[] = {
      {"abc", "B", -1, 1, -1},
      {"abc", "BC", -1, 1, -1},
      {"abc", "bc", 1, 1, 1},
      {"abc", "", 0, 0, 3},
      {"", "", 0, 0, 0},
      {nullptr, "", -1, -1, -1},        // no storage finds nothing
      {nullptr, "a", -1, -1, -1},
      {"abc", nullptr, -1, -1, -1},     // a null text is not found
      {"aaaa", "aa", 0, 0, 2},          // overlapping occurrences
      {"abc", "abcd", -1, -1, -1},
      {"xAbAB", "ab", -1, 1, -1},
      {"xAbAB", "AB", 3, 1, 3},
      {"a.b.c", ".", 1, 1, 3},
  };
  for (const rowS& row : rows) {
    const str self(row.self);
    SCOPED_TRACE(shown(self) + " / " + (row.text ? row.text : "null"));
    EXPECT_EQ(row.find, self.find(row.text));
    EXPECT_EQ(row.findNoCase, self.findNoCase(row.text));
    EXPECT_EQ(row.reverseFind, self.reverseFind(row.text));
  }
}

TEST(StrSearch, FindChar) {
  struct rowS {
    const char* self;
    char c;
    int findChar;
    int findCharNoCase;
    int reverseFindChar;
  };
  const rowS rows[] = {
      {"abcabc", 'b', 1, 1, 4},
      {"abcabc", 'B', -1, 1, -1},
      {"ABC", 'c', -1, 2, -1},
      {"a1b1", '1', 1, 1, 3},
      {"abc", 'z', -1, -1, -1},
      {"", 'a', -1, -1, -1},
      {nullptr, 'a', -1, -1, -1},
      {"abc", '\0', -1, -1, -1},  // the terminating zero is not part of the text
  };
  for (const rowS& row : rows) {
    const str self(row.self);
    SCOPED_TRACE(shown(self) + " / " + std::string(1, row.c));
    EXPECT_EQ(row.findChar, self.findChar(row.c));
    EXPECT_EQ(row.findCharNoCase, self.findCharNoCase(row.c));
    EXPECT_EQ(row.reverseFindChar, self.reverseFindChar(row.c));
  }
}

}  // namespace
