// str substrings and editing in place: mid/left/right, insert, cut, trim,
// case, nextToken, buffer.
#include "base/str.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/base/str_test_util.h"

namespace {

TEST(StrEdit, Substrings) {
  const str s("abcdef");
  struct rowS {
    str actual;
    const char* expected;  // null: no storage
    const char* label;
  };
  const rowS rows[] = {
      {s.mid(2, 100), "cdef", "mid(2, 100)"},
      {s.mid(2, 2), "cd", "mid(2, 2)"},
      {s.mid(6, 1), nullptr, "mid(6, 1): from at the end"},
      {s.mid(1, 0), nullptr, "mid(1, 0)"},
      {s.mid(-2, 4), "ab", "mid(-2, 4): cut to the text"},
      {s.left(0), nullptr, "left(0)"},
      {s.left(3), "abc", "left(3)"},
      {s.left(99), "abcdef", "left(99)"},
      {s.right(2), "ef", "right(2)"},
      {s.right(10), "abcdef", "right(10): the whole text"},
      {s.right(0), nullptr, "right(0)"},
      {str().mid(0, 3), nullptr, "mid on no storage"},
      {str("").left(1), nullptr, "left on \"\""},
  };
  for (const rowS& row : rows) {
    SCOPED_TRACE(row.label);
    EXPECT_TRUE(strIs(row.expected, row.actual));
  }
}

TEST(StrEdit, InsertAndCut) {
  struct rowS {
    const char* start;
    char operation;  // 'i' insert(pos, text), 'c' cut(pos, n)
    int pos;
    const char* text;
    int n;
    const char* expected;
  };
  const rowS rows[] = {
      {"abc", 'i', 1, "XY", 0, "aXYbc"},
      {"abc", 'i', 0, "X", 0, "Xabc"},
      {"abc", 'i', 3, "X", 0, "abcX"},
      {"abc", 'i', 9, "X", 0, "abcX"},     // pos cut to the text
      {"abc", 'i', 1, nullptr, 0, "abc"},
      {nullptr, 'i', 0, "X", 0, "X"},
      {"", 'i', 0, "", 0, nullptr},        // left(0) + "" + right(0)
      {"abcdef", 'c', 1, nullptr, 2, "adef"},
      {"abcdef", 'c', 0, nullptr, 0, "abcdef"},
      {"abcdef", 'c', 0, nullptr, -1, "abcdef"},
      {"abcdef", 'c', 4, nullptr, 10, "abcd"},
      {"abcdef", 'c', 0, nullptr, 6, nullptr},
      {"abcdef", 'c', 6, nullptr, 1, "abcdef"},
  };
  for (const rowS& row : rows) {
    str s(row.start);
    SCOPED_TRACE(std::string(row.start ? row.start : "<no storage>") + " " + row.operation + " " +
                 std::to_string(row.pos));
    if (row.operation == 'i') {
      s.insert(row.pos, row.text);
    } else {
      s.cut(row.pos, row.n);
    }
    EXPECT_TRUE(strIs(row.expected, s));
  }
}

TEST(StrEdit, TrimAndCase) {
  str s("xxabcxx");
  s.trimLeft('x');
  EXPECT_TRUE(strIs("abcxx", s));
  s.trimRight('x');
  EXPECT_TRUE(strIs("abc", s));
  str both("--a-b--");
  both.trim('-');
  EXPECT_TRUE(strIs("a-b", both));
  str all("xxx");
  all.trim('x');
  EXPECT_TRUE(strIs(nullptr, all));
  str untouched("abc");
  untouched.trim('x');
  EXPECT_TRUE(strIs("abc", untouched));

  str mixed("MiXeD 123");
  mixed.toUpper();
  EXPECT_TRUE(strIs("MIXED 123", mixed));
  mixed.toLower();
  EXPECT_TRUE(strIs("mixed 123", mixed));
  str none;
  none.toUpper();
  EXPECT_TRUE(strIs(nullptr, none));
}

TEST(StrEdit, NextToken) {
  struct rowS {
    const char* start;
    const char* delimiter;
    const char* token;
    const char* rest;
  };
  const rowS rows[] = {
      {"a,b", ",", "a", "b"},
      {"ab", ",", "ab", ""},
      {"a,", ",", "a", nullptr},
      {",b", ",", nullptr, "b"},
      {"key::value::x", "::", "key", "value::x"},
      {"a,b", nullptr, "a,b", ""},     // null delimiter: the whole text
      {"a,b", "", "a,b", ""},          // empty delimiter: the whole text, no endless loop
      {nullptr, ",", nullptr, ""},
  };
  for (const rowS& row : rows) {
    str s(row.start);
    SCOPED_TRACE(shown(s) + " by " + (row.delimiter ? row.delimiter : "null"));
    const str token = s.nextToken(row.delimiter);
    EXPECT_TRUE(strIs(row.token, token));
    EXPECT_TRUE(strIs(row.rest, s));
  }

  str list("x;y;z");
  std::string seen;
  while (list.length() > 0) seen += list.nextToken(";").c_str();
  EXPECT_EQ("xyz", seen);
}

TEST(StrEdit, BufferBuildsATextInOnePass) {
  str s;
  EXPECT_EQ(nullptr, s.buffer(0));
  EXPECT_TRUE(strIs(nullptr, s));

  char* out = s.buffer(6);
  ASSERT_NE(nullptr, out);
  EXPECT_EQ('\0', out[5]) << "a grown storage ends in a zero";
  std::memcpy(out, "hello", 6);
  EXPECT_TRUE(strIs("hello", s));

  out = s.buffer(9);  // grow: old bytes kept
  EXPECT_EQ(0, std::memcmp(out, "hello", 5));
  std::memcpy(out + 5, "!!!", 4);
  EXPECT_TRUE(strIs("hello!!!", s));

  out = s.buffer(3);  // shrink: the caller writes the zero
  out[2] = '\0';
  EXPECT_TRUE(strIs("he", s));
}

}  // namespace
