// str: construction, assignment, concatenation, number texts, comparison.
#include "base/str.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>

#include "memory/module_heap.h"
#include "tests/base/str_test_util.h"

namespace {

TEST(Str, Construction) {
  EXPECT_TRUE(strIs(nullptr, str()));
  EXPECT_TRUE(strIs(nullptr, str(static_cast<const char*>(nullptr))));
  EXPECT_TRUE(strIs("", str("")));
  EXPECT_TRUE(strIs("abc", str("abc")));
  EXPECT_TRUE(strIs("cde", str("abcdef", 2, 5)));
  EXPECT_TRUE(strIs("", str("abcdef", 2, 2)));
  EXPECT_TRUE(strIs(nullptr, str("abcdef", 3, 2)));
  const str original("copy me");
  const str copy(original);
  EXPECT_TRUE(strIs("copy me", copy));
  EXPECT_NE(original.data(), copy.data()) << "copies are deep";
  EXPECT_TRUE(strIs(nullptr, str(str())));
  EXPECT_EQ(0, str().length());
  EXPECT_STREQ("", str().c_str());
}

TEST(Str, NumberTexts) {
  struct rowS {
    str value;
    const char* expected;
  };
  const rowS rows[] = {
      {str(-5), "-5"},
      {str(INT_MIN), "-2147483648"},
      {str(4294967295u), "4294967295"},
      {str(0u), "0"},
      {str(-123456789L), "-123456789"},
      {str(3.0, 6), "3"},
      {str(2.5, 6), "2.5"},
      {str(1.0 / 3.0, 4), "0.3333"},
      {str(1e21, 6), "1e+21"},
      {str(-0.000125, 2), "-0.00013"},
      {str(123456.0, 2), "1.2e+05"},
      {str(0.1, 17), "0.10000000000000001"},
  };
  for (const rowS& row : rows) {
    SCOPED_TRACE(row.expected);
    EXPECT_TRUE(strIs(row.expected, row.value));
  }
}

TEST(Str, LongNumberTextsAreComplete) {
  // 2^-100 has 70 significant digits: far past the 64-byte format buffer.
  const char* exact = "7.888609052210118054117285652827862296732064351090230047702789306640625e-31";
  EXPECT_TRUE(strIs(exact, str(std::ldexp(1.0, -100), 100)));
  EXPECT_TRUE(strIs(exact, str(std::ldexp(1.0, -100), INT_MAX)));
  const str smallest(std::ldexp(1.0, -1074), 1000);  // the smallest subnormal, 751 digits
  EXPECT_EQ(0, std::strncmp("4.940656458412465441765687928682213723650598026143247644255856825006755072702087518652998363616359923797965646954457177309266567103559397963987747960107818781263007131903114045278458171678489821036887186360569987307230500063874091535649843873124733972731696151400317153853980741262385655911710266585566867681870395603106249319452715914924553293054565444011274801297099995419319894090804165633245247571478690147267801593552386115501348035264934720193790268107107491703332226844753335720832431936092382893458368060106011506169809753078342277318329247904982524730776375927247874656084778203734469699533647017972677717585125660551199131504891101451037862738167250955837389733598993664809941164205702637090279242767544565229087538682506419718265533447265625e-324", smallest.c_str(), 100));
  EXPECT_EQ(757, smallest.length());  // 751 digits, the point, "e-324"
}

TEST(Str, Assignment) {
  str s("first");
  const char* before = s.data();
  s = s;
  EXPECT_EQ(before, s.data()) << "same data pointer: nothing happens";
  s = "second";
  EXPECT_TRUE(strIs("second", s));
  s = s.c_str() + 3;  // a text inside the own storage
  EXPECT_TRUE(strIs("ond", s));
  s = static_cast<const char*>(nullptr);
  EXPECT_TRUE(strIs(nullptr, s));
  s = str("");
  EXPECT_TRUE(strIs("", s));
  str moved(std::move(s));
  EXPECT_TRUE(strIs("", moved));
  EXPECT_TRUE(strIs(nullptr, s));
}

TEST(Str, Appending) {
  str s;
  s += 'x';
  EXPECT_TRUE(strIs("x", s)) << "size 2 from no storage";
  s += "yz";
  s += static_cast<const char*>(nullptr);
  s += "";
  EXPECT_TRUE(strIs("xyz", s));
  s.append("12345", 2).append("zz", 0);
  EXPECT_TRUE(strIs("xyz12", s));
  s += s.c_str();  // its own text
  EXPECT_TRUE(strIs("xyz12xyz12", s));

  str none;
  none += "";
  EXPECT_TRUE(strIs(nullptr, none)) << "an empty text adds no storage";
  none.append("abc", 3);
  EXPECT_TRUE(strIs("abc", none));

  str line("pid=");
  line << 42u << "," << -7 << static_cast<std::uint16_t>(65535) << static_cast<const char*>(nullptr);
  char name[] = "main";
  line << name;
  EXPECT_TRUE(strIs("pid=42,-765535main", line));
}

TEST(Str, Concatenation) {
  EXPECT_TRUE(strIs("ab", str("a") + str("b")));
  EXPECT_TRUE(strIs("a", str("a") + str()));
  EXPECT_TRUE(strIs("", str("") + str()));
  EXPECT_TRUE(strIs(nullptr, str() + ""));
  EXPECT_TRUE(strIs("b", str() + "b"));
  EXPECT_TRUE(strIs("a", str("a") + static_cast<const char*>(nullptr)));
}

TEST(Str, ComparisonTable) {
  struct rowS {
    const char* self;  // null: no storage
    const char* text;  // null: null text
    bool equal;
    bool less;
    bool greater;
  };
  const rowS rows[] = {
      {nullptr, nullptr, true, false, false},
      {nullptr, "", true, true, false},
      {nullptr, "a", false, true, false},
      {"", nullptr, true, false, true},
      {"a", nullptr, false, false, true},
      {"", "", true, false, false},
      {"abc", "abc", true, false, false},
      {"ab", "abc", false, true, false},
      {"abc", "ab", false, false, true},
      {"a", "B", false, false, true},           // case-sensitive: 'a' > 'B'
      {"\x80", "a", false, false, true},        // bytes compare unsigned
      {"a", "\xFF", false, true, false},
  };
  for (const rowS& row : rows) {
    const str self(row.self);
    SCOPED_TRACE(shown(self) + " against " + (row.text ? shown(row.text, static_cast<int>(std::strlen(row.text))) : "null"));
    EXPECT_EQ(row.equal, self == row.text);
    EXPECT_EQ(!row.equal, self != row.text);
    EXPECT_EQ(row.less, self < row.text);
    EXPECT_EQ(row.greater, self > row.text);
  }
}

TEST(Str, StorageComesFromTheModuleHeapAndIsExactFit) {
  currentManagerTable().get();  // this thread's slot, itself a pool block, exists from here on
  const std::uint64_t before = modulePool().outstanding;
  {
    str s("hello");
    EXPECT_EQ(before + 1, modulePool().outstanding);
    EXPECT_EQ(6u, modulePool().blockSize(s.data()));
    s += " world";
    EXPECT_EQ(12u, modulePool().blockSize(s.data()));
    str* onHeap = new str("x");
    EXPECT_EQ(before + 3, modulePool().outstanding);
    delete onHeap;
  }
  EXPECT_EQ(before, modulePool().outstanding);
}

}  // namespace
