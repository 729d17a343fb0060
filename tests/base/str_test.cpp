// str: building and number texts, comparisons, searches, editing, tokens,
// escaping and replacing; every result checked for exact-fit storage.
#include "base/str.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "abi/text_object.h"

namespace {

// A str as <no storage> or its quoted text, other bytes as \xHH.
std::string shown(const char* bytes, size_t n) {
  std::string text = "\"";
  for (size_t i = 0; i < n; ++i) {
    const unsigned char c = static_cast<unsigned char>(bytes[i]);
    char piece[8];
    std::snprintf(piece, sizeof piece, c >= 0x20 && c < 0x7F && c != '"' && c != '\\' ? "%c" : "\\x%02X", c);
    text += piece;
  }
  return text + "\"";
}

std::string shown(const str& s) { return s.hasStorage() ? shown(s.data(), s.storageSize() - 1) : "<no storage>"; }

// expected null: no storage; otherwise that text, its zero, exact-fit storage.
::testing::AssertionResult strIs(const char* expected, const str& actual) {
  const size_t n = expected != nullptr ? std::strlen(expected) : 0;
  if (expected == nullptr
          ? !actual.hasStorage()
          : actual.hasStorage() && actual.storageSize() == n + 1 && std::memcmp(actual.data(), expected, n + 1) == 0)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "expected " << (expected ? shown(expected, n) : "<no storage>") << ", got "
                                       << shown(actual);
}

// The str made from start after edit(s) ran on it.
template <class Edit>
str after(const char* start, Edit edit) {
  str s(start);
  edit(s);
  return s;
}

struct strRowS {
  const char* label;
  str actual;
  const char* expected;
};  // expected null: no storage

void checkRows(std::initializer_list<strRowS> rows) {
  for (const strRowS& row : rows) EXPECT_TRUE(strIs(row.expected, row.actual)) << row.label;
}

const char* const kNull = nullptr;

TEST(Str, BuildingTexts) {
  const str original("copy me");
  EXPECT_NE(original.data(), str(original).data()) << "copies are deep";
  EXPECT_STREQ("", str().c_str());
  char name[] = "main";
  checkRows({
      {"from null", str(kNull), nullptr},
      {"from \"\"", str(""), ""},
      {"range 2..5", str("abcdef", 2, 5), "cde"},
      {"empty range", str("abcdef", 2, 2), ""},
      {"reversed range", str("abcdef", 3, 2), nullptr},
      {"copy", str(original), "copy me"},
      {"self-assignment", after("first", [](str& s) { s = s; }), "first"},
      {"assign own tail", after("second", [](str& s) { s = s.c_str() + 3; }), "ond"},
      {"assign null", after("x", [](str& s) { s = kNull; }), nullptr},
      {"moved from", after("x", [](str& s) { str moved(std::move(s)); }), nullptr},
      {"char onto no storage", after(nullptr, [](str& s) { s += 'x'; }), "x"},
      {"null and \"\" add nothing",
       after("x",
             [](str& s) {
               s += kNull;
               s += "";
             }),
       "x"},
      {"\"\" onto no storage", after(nullptr, [](str& s) { s += ""; }), nullptr},
      {"append n", after("xyz", [](str& s) { s.append("12345", 2).append("zz", 0); }), "xyz12"},
      {"append own text", after("xyz", [](str& s) { s += s.c_str(); }), "xyzxyz"},
      {"stream", after("pid=", [&](str& s) { s << 42u << "," << -7 << std::uint16_t{65535} << kNull << name; }),
       "pid=42,-765535main"},
      {"a + b", str("a") + str("b"), "ab"},
      {"\"\" + none", str("") + str(), ""},
      {"none + \"\"", str() + "", nullptr},
      {"INT_MIN", str(INT_MIN), "-2147483648"},
      {"unsigned max", str(4294967295u), "4294967295"},
      {"long", str(-123456789L), "-123456789"},
      {"3.0", str(3.0, 6), "3"},
      {"1/3", str(1.0 / 3.0, 4), "0.3333"},
      {"1e21", str(1e21, 6), "1e+21"},
      {"rounding", str(-0.000125, 2), "-0.00013"},
      {"exponent form", str(123456.0, 2), "1.2e+05"},
      {"17 digits", str(0.1, 17), "0.10000000000000001"},
      // far past a 64-byte format buffer: 70 and 751 significant digits
      {"2^-100 at INT_MAX", str(std::ldexp(1.0, -100), INT_MAX),
       "7.888609052210118054117285652827862296732064351090230047702789306640625e-31"},
      {"smallest subnormal", str(std::ldexp(1.0, -1074), 1000),
       "4."
       "940656458412465441765687928682213723650598026143247644255856825006755072702087518652998363616359923797965646954"
       "457177309266567103559397963987747960107818781263007131903114045278458171678489821036887186360569987307230500063"
       "874091535649843873124733972731696151400317153853980741262385655911710266585566867681870395603106249319452715914"
       "924553293054565444011274801297099995419319894090804165633245247571478690147267801593552386115501348035264934720"
       "193790268107107491703332226844753335720832431936092382893458368060106011506169809753078342277318329247904982524"
       "730776375927247874656084778203734469699533647017972677717585125660551199131504891101451037862738167250955837389"
       "733598993664809941164205702637090279242767544565229087538682506419718265533447265625e-324"},
  });
}

TEST(Str, ComparisonTable) {
  struct rowS {
    const char *self, *text;
    bool equal, less, greater;
  };  // self null: no storage
  const rowS rows[] = {
      {nullptr, nullptr, true, false, false}, {nullptr, "", true, true, false},
      {nullptr, "a", false, true, false},     {"", nullptr, true, false, true},
      {"a", nullptr, false, false, true},     {"", "", true, false, false},
      {"abc", "abc", true, false, false},     {"ab", "abc", false, true, false},
      {"abc", "ab", false, false, true},      {"a", "B", false, false, true},
      {"\x80", "a", false, false, true},      {"a", "\xFF", false, true, false},  // unsigned bytes
  };
  for (const rowS& row : rows) {
    const str self(row.self);
    SCOPED_TRACE(shown(self) + " against " + (row.text ? shown(row.text, std::strlen(row.text)) : "null"));
    EXPECT_EQ(row.equal, self == row.text);
    EXPECT_EQ(row.less, self < row.text);
    EXPECT_EQ(row.greater, self > row.text);
  }
}

// A one-byte text is also searched as a char: the char searches must agree.
TEST(StrSearch, Table) {
  struct rowS {
    const char *self, *text;
    int find, findNoCase, reverseFind;
  };
  const rowS rows[] = {
      {"abc", "B", -1, 1, -1}, {"abc", "BC", -1, 1, -1},    {"abc", "bc", 1, 1, 1},     {"abc", "", 0, 0, 3},
      {"", "", 0, 0, 0},       {nullptr, "", -1, -1, -1},   {nullptr, "a", -1, -1, -1}, {"abc", nullptr, -1, -1, -1},
      {"aaaa", "aa", 0, 0, 2}, {"abc", "abcd", -1, -1, -1}, {"xAbAB", "ab", -1, 1, -1}, {"xAbAB", "AB", 3, 1, 3},
      {"a.b.c", ".", 1, 1, 3}, {"abcabc", "b", 1, 1, 4},    {"ABC", "c", -1, 2, -1},    {"", "a", -1, -1, -1},
  };
  for (const rowS& row : rows) {
    const str self(row.self);
    SCOPED_TRACE(shown(self) + " / " + (row.text ? row.text : "null"));
    EXPECT_EQ(row.find, self.find(row.text));
    EXPECT_EQ(row.findNoCase, self.findNoCase(row.text));
    EXPECT_EQ(row.reverseFind, self.reverseFind(row.text));
    if (row.text == nullptr || std::strlen(row.text) != 1) continue;
    EXPECT_EQ(row.find, self.findChar(row.text[0]));
    EXPECT_EQ(row.findNoCase, self.findCharNoCase(row.text[0]));
    EXPECT_EQ(row.reverseFind, self.reverseFindChar(row.text[0]));
  }
  const str abc("abc");  // the terminating zero is not part of the text
  EXPECT_EQ(-1, abc.findChar('\0'));
  EXPECT_EQ(-1, abc.findCharNoCase('\0'));
  EXPECT_EQ(-1, abc.reverseFindChar('\0'));
}

TEST(StrEdit, Table) {
  const str s("abcdef");
  checkRows({
      {"mid(2, 100)", s.mid(2, 100), "cdef"},
      {"mid(6, 1)", s.mid(6, 1), nullptr},
      {"mid(1, 0)", s.mid(1, 0), nullptr},
      {"mid(-2, 4)", s.mid(-2, 4), "ab"},
      {"left(99)", s.left(99), "abcdef"},
      {"right(2)", s.right(2), "ef"},
      {"right(10)", s.right(10), "abcdef"},
      {"right(0)", s.right(0), nullptr},
      {"mid on no storage", str().mid(0, 3), nullptr},
      {"left on \"\"", str("").left(1), nullptr},
      {"insert inside", after("abc", [](str& t) { t.insert(1, "XY"); }), "aXYbc"},
      {"insert past the end", after("abc", [](str& t) { t.insert(9, "X"); }), "abcX"},
      {"insert null", after("abc", [](str& t) { t.insert(1, nullptr); }), "abc"},
      {"insert into no storage", after(nullptr, [](str& t) { t.insert(0, "X"); }), "X"},
      {"insert \"\" into \"\"", after("", [](str& t) { t.insert(0, ""); }), nullptr},
      {"cut(1, 2)", after("abcdef", [](str& t) { t.cut(1, 2); }), "adef"},
      {"cut(0, -1)", after("abcdef", [](str& t) { t.cut(0, -1); }), "abcdef"},
      {"cut(4, 10)", after("abcdef", [](str& t) { t.cut(4, 10); }), "abcd"},
      {"cut everything", after("abcdef", [](str& t) { t.cut(0, 6); }), nullptr},
      {"cut at the end", after("abcdef", [](str& t) { t.cut(6, 1); }), "abcdef"},
      {"trimLeft", after("xxabcxx", [](str& t) { t.trimLeft('x'); }), "abcxx"},
      {"trimRight", after("xxabcxx", [](str& t) { t.trimRight('x'); }), "xxabc"},
      {"trim", after("--a-b--", [](str& t) { t.trim('-'); }), "a-b"},
      {"trim everything", after("xxx", [](str& t) { t.trim('x'); }), nullptr},
      {"toUpper", after("MiXeD 123", [](str& t) { t.toUpper(); }), "MIXED 123"},
      {"toLower", after("MiXeD 123", [](str& t) { t.toLower(); }), "mixed 123"},
      {"toUpper on no storage", after(nullptr, [](str& t) { t.toUpper(); }), nullptr},
  });
}

TEST(StrEdit, NextToken) {
  struct rowS {
    const char *start, *delimiter, *token, *rest;
  };
  const rowS rows[] = {
      {"a,b", ",", "a", "b"},
      {"ab", ",", "ab", ""},
      {"a,", ",", "a", nullptr},
      {",b", ",", nullptr, "b"},
      {"key::value::x", "::", "key", "value::x"},
      {"a,b", nullptr, "a,b", ""},
      {nullptr, ",", nullptr, ""},
      {"a,b", "", "a,b", ""},  // no endless loop on an empty delimiter
  };
  for (const rowS& row : rows) {
    str s(row.start);
    SCOPED_TRACE(shown(s) + " by " + (row.delimiter ? row.delimiter : "null"));
    EXPECT_TRUE(strIs(row.token, s.nextToken(row.delimiter)));
    EXPECT_TRUE(strIs(row.rest, s));
  }
}

TEST(StrEdit, BufferBuildsATextInOnePass) {
  str s;
  EXPECT_EQ(nullptr, s.buffer(0));
  EXPECT_TRUE(strIs(nullptr, s));
  char* out = s.buffer(6);
  ASSERT_NE(nullptr, out);
  EXPECT_EQ('\0', out[5]) << "a grown storage ends in a zero";
  std::memcpy(out, "hello", 6);
  out = s.buffer(9);
  EXPECT_EQ(0, std::memcmp(out, "hello", 5)) << "growth keeps the old bytes";
  std::memcpy(out + 5, "!!!", 4);
  EXPECT_TRUE(strIs("hello!!!", s));
  s.buffer(3)[2] = '\0';  // shrinking: the caller writes the zero
  EXPECT_TRUE(strIs("he", s));
}

TEST(StrEscape, EscapeUnescapeRoundTrip) {
  std::string all;
  for (int c = 1; c < 256; ++c) all += static_cast<char>(c);
  const str everyByte = str::escape(all.c_str());
  EXPECT_EQ(static_cast<int>(all.size()) + 5, everyByte.length()) << "five bytes get a backslash";
  EXPECT_TRUE(strIs(all.c_str(), str::unescape(everyByte.c_str())));
  checkRows({
      {"quote, backslash, TAB", str::escape("\"\\\t"), "\\\"\\\\\\t"},
      {"LF, CR", str::escape("a\nb\rc"), "a\\nb\\rc"},
      {"escape \"\"", str::escape(""), nullptr},
      {"escape null", str::escape(nullptr), nullptr},
      {"unescape \\n \\r \\t", str::unescape("\\n\\r\\t"), "\n\r\t"},
      {"lone backslash", str::unescape("\\"), nullptr},
      {"trailing backslash dropped", str::unescape("x\\"), "x"},
      {"backslash before another byte", str::unescape("\\q\\\""), "q\""},
      {"quote", str::quote("a\"b"), "\"a\\\"b\""},
      {"quote \"\"", str::quote(""), "\"\""},
      {"quote null", str::quote(nullptr), "\"\""},
  });
}

str replaced(const char* source, const char* what, const char* with, int start, uint64_t count, bool matchCase = true) {
  return str::replace(str(source), str(what), str(with), start, count, matchCase);
}

TEST(StrReplace, Cases) {
  const std::uint64_t all = ~std::uint64_t{0};
  checkRows({
      {"first only", replaced("banana", "a", "b", 0, 1), "bbnana"},
      {"every one", replaced("banana", "a", "b", 0, all), "bbnbnb"},
      {"from 2", replaced("banana", "a", "b", 2, all), "banbnb"},
      {"ignoring case", replaced("banana", "A", "b", 0, all, false), "bbnbnb"},
      {"case-sensitive", replaced("banana", "A", "b", 0, all), "banana"},
      {"count 0: a copy", replaced("banana", "a", "b", 0, 0), "banana"},
      {"by nothing", replaced("banana", "an", "", 0, all), "ba"},
      {"longer, two", replaced("banana", "na", "NAX", 0, 2), "baNAXNAX"},
      {"no overlapping replacements", replaced("aaaa", "aa", "b", 0, all), "bb"},
      {"everything removed", replaced("abc", "abc", "", 0, all), nullptr},
      {"start beyond the text", replaced("abc", "x", "y", 10, all), "abc"},
      {"empty search text replaces nothing", replaced("abc", "", "y", 0, all), "abc"},
      {"null search text", replaced("abc", nullptr, "y", 0, all), "abc"},
      {"no storage", replaced(nullptr, "a", "b", 0, all), nullptr},
  });
}

}  // namespace

// Hosts read the text behind a text variant through the record of
// abi/text_object.h: a str has exactly that layout.
TEST(Str, HasTheLayoutHostsRead) {
  const str text("abc");
  const str none;
  const zkTextObjectRecordS* record = reinterpret_cast<const zkTextObjectRecordS*>(&text);
  EXPECT_EQ(sizeof(zkTextObjectRecordS), sizeof(str));
  EXPECT_EQ(text.c_str(), record->data);
  EXPECT_EQ(4u, record->size);
  EXPECT_STREQ("abc", zkTextOf(&text));
  EXPECT_EQ(nullptr, reinterpret_cast<const zkTextObjectRecordS*>(&none)->data);
  EXPECT_STREQ("", zkTextOf(&none));
}
