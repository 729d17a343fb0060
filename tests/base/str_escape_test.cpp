// str escaping, quoting and replacing.
#include "base/str.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/base/str_test_util.h"

namespace {

TEST(StrEscape, EscapeUnescapeTable) {
  struct rowS {
    const char* plain;
    const char* escaped;
  };
  const rowS rows[] = {
      {"\"\\\t", "\\\"\\\\\\t"},          // quote, backslash, TAB: six bytes
      {"a\nb\rc", "a\\nb\\rc"},
      {"plain", "plain"},
      {"\x01\xFF", "\x01\xFF"},           // other bytes copied
      {"\\\\", "\\\\\\\\"},
  };
  for (const rowS& row : rows) {
    SCOPED_TRACE(row.escaped);
    const str escaped = str::escape(row.plain);
    EXPECT_TRUE(strIs(row.escaped, escaped));
    EXPECT_TRUE(strIs(row.plain, str::unescape(escaped.c_str()))) << "round trip";
  }
  EXPECT_TRUE(strIs(nullptr, str::escape("")));
  EXPECT_TRUE(strIs(nullptr, str::escape(nullptr)));
}

TEST(StrEscape, UnescapeOddInput) {
  struct rowS {
    const char* input;
    const char* expected;
  };
  const rowS rows[] = {
      {"x\\", "x"},       // a backslash at the very end is dropped
      {"\\q\\\"", "q\""}, // a backslash before any other byte yields that byte
      {"\\", nullptr},
      {"", nullptr},
      {"\\n\\r\\t", "\n\r\t"},
  };
  for (const rowS& row : rows) {
    SCOPED_TRACE(row.input);
    EXPECT_TRUE(strIs(row.expected, str::unescape(row.input)));
  }
}

TEST(StrEscape, RoundTripOfEveryByte) {
  std::string all;
  for (int c = 1; c < 256; ++c) all += static_cast<char>(c);
  const str escaped = str::escape(all.c_str());
  EXPECT_EQ(static_cast<int>(all.size()) + 5, escaped.length());
  EXPECT_TRUE(strIs(all.c_str(), str::unescape(escaped.c_str())));
}

TEST(StrEscape, Quote) {
  EXPECT_TRUE(strIs("\"a\\\"b\"", str::quote("a\"b")));
  EXPECT_TRUE(strIs("\"\"", str::quote("")));
  EXPECT_TRUE(strIs("\"\"", str::quote(nullptr)));
}

TEST(StrReplace, Cases) {
  const std::uint64_t all = ~std::uint64_t{0};
  struct rowS {
    const char* source;
    const char* what;
    const char* with;
    int start;
    std::uint64_t count;
    bool caseSensitive;
    const char* expected;
  };
  const rowS rows[] = {
      {"banana", "a", "b", 0, 1, true, "bbnana"},
      {"banana", "a", "b", 0, all, true, "bbnbnb"},
      {"banana", "a", "b", 2, all, true, "banbnb"},
      {"banana", "A", "b", 0, all, false, "bbnbnb"},
      {"banana", "A", "b", 0, all, true, "banana"},
      {"banana", "a", "b", 0, 0, true, "banana"},         // count 0: a copy
      {"banana", "an", "", 0, all, true, "ba"},
      {"banana", "na", "NAX", 0, 2, true, "baNAXNAX"},
      {"aaaa", "aa", "b", 0, all, true, "bb"},            // no overlapping replacements
      {"abc", "abc", "", 0, all, true, nullptr},
      {"abc", "x", "y", 10, all, true, "abc"},            // start beyond the text
      {"abc", "", "y", 0, all, true, "abc"},              // an empty search text replaces nothing
      {nullptr, "a", "b", 0, all, true, nullptr},
      {"Hello World", "O", "0", 0, all, false, "Hell0 W0rld"},
  };
  for (const rowS& row : rows) {
    SCOPED_TRACE(std::string(row.source ? row.source : "<none>") + " / " + row.what + " -> " + row.with);
    EXPECT_TRUE(strIs(row.expected,
                      str::replace(str(row.source), str(row.what), str(row.with), row.start, row.count,
                                   row.caseSensitive)));
  }
  EXPECT_TRUE(strIs("abc", str::replace(str("abc"), str(), str("y"), 0, all, true)));
}

}  // namespace
