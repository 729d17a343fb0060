// changeType / convertCopy: one table of conversions, run in the "C" locale
// and again under a process locale whose decimal separator is a comma.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "runtime/variant.h"
#include "runtime_fakes.h"

namespace {

// A plain value: tag plus the payload that tag uses.
struct plainValueS {
  uint32_t tag;
  double number;     // tags 1 (as integer), 2, 16 (as byte)
  const char* text;  // tag 4
};

plainValueS I(int32_t v) { return {zkVarInt, static_cast<double>(v), nullptr}; }
plainValueS D(double v) { return {zkVarDouble, v, nullptr}; }
plainValueS S(const char* v) { return {zkVarString, 0, v}; }
plainValueS B(uint8_t v) { return {zkVarBool, static_cast<double>(v), nullptr}; }
plainValueS E() { return {zkVarEmpty, 0, nullptr}; }
plainValueS U(uint32_t tag) { return {tag, 0, nullptr}; }

void build(const plainValueS& p, zkVariantS& v) {
  switch (p.tag) {
    case zkVarInt: v.setInt(static_cast<int32_t>(p.number)); break;
    case zkVarDouble: v.setDouble(p.number); break;
    case zkVarString: v.setString(p.text); break;
    case zkVarBool: v.setBool(static_cast<uint8_t>(p.number)); break;
    case zkVarEmpty: v.clear(); break;
    default:
      v.clear();
      v.type = p.tag;
      v.value.bits = 0x1234;
      break;
  }
}

::testing::AssertionResult sameValue(const zkVariantS& expected, const zkVariantS& actual) {
  bool same = expected.type == actual.type;
  if (same) {
    switch (expected.type) {
      case zkVarInt: same = expected.value.intValue == actual.value.intValue; break;
      case zkVarBool: same = expected.value.boolValue == actual.value.boolValue; break;
      case zkVarDouble:
        same = expected.value.doubleValue == actual.value.doubleValue ||
               (std::isnan(expected.value.doubleValue) && std::isnan(actual.value.doubleValue));
        break;
      case zkVarString: {
        const char* a = nullptr;
        const char* b = nullptr;
        expected.getString(&a);
        actual.getString(&b);
        same = std::strcmp(a, b) == 0;
        break;
      }
      default: same = expected.value.bits == actual.value.bits; break;
    }
  }
  if (same) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "expected " << describeVariant(expected)
                                       << ", actual " << describeVariant(actual);
}

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

struct conversionRowS {
  const char* label;
  plainValueS source;
  uint32_t target;
  bool succeeds;
  plainValueS expected;  // ignored when the conversion fails
};

const conversionRowS kRows[] = {
    // double -> integer: truncation toward zero, out of range -> INT_MIN
    {"2.9 truncates", D(2.9), zkVarInt, true, I(2)},
    {"-2.9 truncates toward zero", D(-2.9), zkVarInt, true, I(-2)},
    {"3e10 is out of range", D(3e10), zkVarInt, true, I(INT32_MIN)},
    {"-3e10 is out of range", D(-3e10), zkVarInt, true, I(INT32_MIN)},
    {"largest in range", D(2147483647.9), zkVarInt, true, I(2147483647)},
    {"just above range", D(2147483648.0), zkVarInt, true, I(INT32_MIN)},
    {"smallest in range", D(-2147483648.9), zkVarInt, true, I(INT32_MIN)},
    {"just below range", D(-2147483649.0), zkVarInt, true, I(INT32_MIN)},
    {"NaN", D(kNaN), zkVarInt, true, I(INT32_MIN)},
    {"+infinity", D(kInf), zkVarInt, true, I(INT32_MIN)},
    {"-infinity", D(-kInf), zkVarInt, true, I(INT32_MIN)},
    // text -> integer: C-locale number, whole text consumed
    {"leading blank", S(" 42"), zkVarInt, true, I(42)},
    {"leading tab", S("\t42"), zkVarInt, true, I(42)},
    {"trailing blank", S("42 "), zkVarInt, false, E()},
    {"trailing letter", S("4x"), zkVarInt, false, E()},
    {"empty text is 0", S(""), zkVarInt, true, I(0)},
    {"blanks only", S("   "), zkVarInt, false, E()},
    {"fraction truncates", S("3.9"), zkVarInt, true, I(3)},
    {"exponent", S("1e3"), zkVarInt, true, I(1000)},
    {"negative fraction", S("-2.5"), zkVarInt, true, I(-2)},
    {"plus sign", S("+7"), zkVarInt, true, I(7)},
    {"text out of range", S("1e10"), zkVarInt, true, I(INT32_MIN)},
    {"comma separator", S("2,5"), zkVarInt, false, E()},
    {"hexadecimal", S("0x10"), zkVarInt, false, E()},
    {"infinity text", S("inf"), zkVarInt, false, E()},
    {"nan text", S("nan"), zkVarInt, false, E()},
    {"exponent without digits", S("1e"), zkVarInt, false, E()},
    {"sign only", S("-"), zkVarInt, false, E()},
    {"point only", S("."), zkVarInt, false, E()},
    // boolean -> integer: sign-extended byte
    {"bool 0xFF", B(0xFF), zkVarInt, true, I(-1)},
    {"bool 1", B(1), zkVarInt, true, I(1)},
    {"bool 0x80", B(0x80), zkVarInt, true, I(-128)},
    {"empty -> int", E(), zkVarInt, false, E()},
    // -> double
    {"int exact", I(-5), zkVarDouble, true, D(-5.0)},
    {"int max exact", I(INT32_MAX), zkVarDouble, true, D(2147483647.0)},
    {"text 2.5", S("2.5"), zkVarDouble, true, D(2.5)},
    {"text 0.1", S("0.1"), zkVarDouble, true, D(0.1)},
    {"text .5", S(".5"), zkVarDouble, true, D(0.5)},
    {"text 1.", S("1."), zkVarDouble, true, D(1.0)},
    {"text 1E-3", S(" 1E-3"), zkVarDouble, true, D(0.001)},
    {"text trailing blank", S("2.5 "), zkVarDouble, false, E()},
    {"bool does not convert", B(1), zkVarDouble, false, E()},
    {"empty does not convert", E(), zkVarDouble, false, E()},
    // -> string: "%d" and "%.14g"
    {"int -7", I(-7), zkVarString, true, S("-7")},
    {"int min", I(INT32_MIN), zkVarString, true, S("-2147483648")},
    {"0.1", D(0.1), zkVarString, true, S("0.1")},
    {"one third", D(1.0 / 3.0), zkVarString, true, S("0.33333333333333")},
    {"100.0", D(100.0), zkVarString, true, S("100")},
    {"2.5", D(2.5), zkVarString, true, S("2.5")},
    {"1e13 still fixed", D(1e13), zkVarString, true, S("10000000000000")},
    {"1e14 exponent form", D(1e14), zkVarString, true, S("1e+14")},
    {"0.0001 fixed", D(0.0001), zkVarString, true, S("0.0001")},
    {"0.00001 exponent form", D(0.00001), zkVarString, true, S("1e-05")},
    {"infinity", D(kInf), zkVarString, true, S("inf")},
    {"-infinity", D(-kInf), zkVarString, true, S("-inf")},
    {"bool -> string fails", B(1), zkVarString, false, E()},
    {"empty -> string fails", E(), zkVarString, false, E()},
    // -> boolean: lowest byte of the integer
    {"int 256 is false", I(256), zkVarBool, true, B(0)},
    {"int -1 is true", I(-1), zkVarBool, true, B(0xFF)},
    {"int 1", I(1), zkVarBool, true, B(1)},
    {"int 0x1FE", I(0x1FE), zkVarBool, true, B(0xFE)},
    {"double 2.5", D(2.5), zkVarBool, true, B(2)},
    {"double 256.7", D(256.7), zkVarBool, true, B(0)},
    {"text 2", S("2"), zkVarBool, true, B(2)},
    {"text x", S("x"), zkVarBool, false, E()},
    {"empty -> bool", E(), zkVarBool, false, E()},
    // targets that never convert, same type, unknown tags
    {"to empty", I(1), zkVarEmpty, false, E()},
    {"to object", I(1), zkVarObject, false, E()},
    {"to array", I(1), zkVarArray, false, E()},
    {"same type untouched", I(5), zkVarInt, true, I(5)},
    {"unknown tag", U(64), zkVarInt, false, E()},
};

void runConversionTable() {
  for (const conversionRowS& row : kRows) {
    zkVariantS source;
    build(row.source, source);
    SCOPED_TRACE(std::string(row.label) + ": " + describeVariant(source) + " -> " +
                 zkVariantTagName(row.target));
    zkVariantS expected;
    build(row.expected, expected);

    zkVariantS inPlace;
    source.copyTo(inPlace);
    if (row.source.tag != zkVarInt && row.source.tag != zkVarDouble &&
        row.source.tag != zkVarString && row.source.tag != zkVarBool &&
        row.source.tag != zkVarEmpty) {
      build(row.source, inPlace);  // copyTo leaves unknown tags alone
    }
    const uint32_t status = inPlace.changeType(row.target);
    EXPECT_EQ(row.succeeds ? 0u : 1u, status);
    EXPECT_TRUE(sameValue(row.succeeds ? expected : source, inPlace))
        << (row.succeeds ? "converted value" : "a failed conversion leaves the value unchanged");

    if (row.source.tag == 64) continue;
    zkVariantS destination;
    EXPECT_EQ(row.succeeds ? 0u : 1u, source.convertCopy(destination, row.target));
    if (row.succeeds) {
      EXPECT_TRUE(sameValue(expected, destination)) << "convertCopy";
    }
    zkVariantS original;
    build(row.source, original);
    EXPECT_TRUE(sameValue(original, source)) << "convertCopy leaves the source alone";
  }
}

TEST(VariantConversion, TableInCLocale) { runConversionTable(); }

// Switches the process locale to one whose decimal separator is a comma and
// back.
class commaLocaleC {
 public:
  commaLocaleC() {
    saved = std::setlocale(LC_ALL, nullptr);
    const char* candidates[] = {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "German_Germany.1252",
                                "German", "de-DE", "fr_FR.UTF-8", "fr_FR", "French"};
    for (const char* name : candidates) {
      if (std::setlocale(LC_ALL, name) != nullptr &&
          std::strcmp(std::localeconv()->decimal_point, ",") == 0) {
        active = name;
        numericName = std::setlocale(LC_NUMERIC, nullptr);
        return;
      }
    }
    std::setlocale(LC_ALL, saved.c_str());
  }
  ~commaLocaleC() { std::setlocale(LC_ALL, saved.c_str()); }

  std::string saved;
  std::string numericName;  // LC_NUMERIC as the runtime library names it
  const char* active = nullptr;
};

TEST(VariantConversion, TableUnderCommaLocale) {
  commaLocaleC locale;
  if (locale.active == nullptr) GTEST_SKIP() << "no locale with a comma decimal separator";
  SCOPED_TRACE(locale.active);
  runConversionTable();
  EXPECT_STREQ(",", std::localeconv()->decimal_point)
      << "the process locale is restored after every conversion";
  EXPECT_EQ(locale.numericName, std::setlocale(LC_NUMERIC, nullptr));
}

TEST(VariantConversion, ObjectFollowsDefaultMembers) {
  fakeDispatchC inner;
  inner.defaultValue.setString("12.5");
  fakeDispatchC outer;
  outer.defaultValue.setObject(&inner);
  ASSERT_EQ(2u, inner.refs);
  {
    zkVariantS v;
    v.setObject(&outer);
    ASSERT_EQ(0u, v.changeType(zkVarDouble));
    EXPECT_TRUE(sameValue(zkVariantS([] { zkVariantS d; d.setDouble(12.5); return d; }()), v));
    EXPECT_EQ(1u, outer.invokeCalls);
    EXPECT_EQ(1u, inner.invokeCalls);
    EXPECT_EQ("<null>", inner.lastName) << "the default member is called with a null name";
  }
  EXPECT_EQ(1u, outer.refs) << "the variant's reference on the object is released";
  EXPECT_EQ(2u, inner.refs) << "only outer's own reference on inner remains";

  zkVariantS unchanged;
  unchanged.setObject(&outer);
  outer.failDefault = true;
  EXPECT_EQ(1u, unchanged.changeType(zkVarInt));
  EXPECT_EQ(zkVarObject, unchanged.type) << "failure keeps the object";
  unchanged.clear();
  EXPECT_EQ(1u, outer.refs);
}

TEST(VariantConversion, ObjectWithoutDispatchFails) {
  fakeUnknownC plain;
  zkVariantS v;
  v.setObject(&plain);
  EXPECT_EQ(1u, v.changeType(zkVarInt));
  EXPECT_EQ(zkVarObject, v.type);
  v.clear();
  EXPECT_EQ(plain.addRefCalls, plain.releaseCalls);
}

TEST(VariantConversion, SelfReturningDefaultMemberHitsDepthLimit) {
  fakeDispatchC loop;
  loop.defaultValue.setObject(&loop);
  zkVariantS v;
  v.setObject(&loop);
  EXPECT_EQ(1u, v.changeType(zkVarInt));
  EXPECT_EQ(static_cast<uint32_t>(variantResolveDepthLimit), loop.invokeCalls);
  v.clear();
  loop.defaultValue.clear();
  EXPECT_EQ(1u, loop.refs);
}

}  // namespace
