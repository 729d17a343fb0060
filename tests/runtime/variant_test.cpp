// zkVariantS: ownership of strings and objects, variant arrays and deep
// copies, the conversions of changeType / convertCopy as one table run in the
// "C" locale and again under a locale whose decimal separator is a comma; and
// the getters of proxyAutoTypeCastC with the references they take.
#include "runtime/variant.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <limits>
#include <string>

#include "runtime/auto_type_cast.h"
#include "runtime/proxy_exceptions.h"
#include "runtime_fakes.h"

namespace {

TEST(Variant, OwnsStringsAndObjects) {
  zkVariantS v;
  v.setString("abc");
  const char* text = nullptr;
  v.getString(&text);
  v.setString(text + 1);
  EXPECT_EQ("bc", textOf(v)) << "set from the variant's own text";
  v.setString(nullptr);
  EXPECT_EQ("zkVarString \"\"", describeVariant(v)) << "null text gives an empty string";
  v.setObject(nullptr);
  EXPECT_EQ(zkVarEmpty, v.type);
  fakeUnknownC object;
  v.setObject(&object);
  v.setObject(&object);
  EXPECT_EQ(2u, object.refs) << "re-setting the held object keeps one reference";
  zkIUnknown* out = nullptr;
  EXPECT_EQ(0u, v.getObject(&out));
  EXPECT_EQ(3u, object.refs) << "getObject adds the caller's reference";
  out->Release();
  {
    zkVariantS copy(v);
    copy = copy;
    EXPECT_EQ(3u, object.refs) << "one reference per copy; self-assignment changes nothing";
  }
  v.clear();
  EXPECT_TRUE(balanced(object));
}

// Arrays grow in pages of 8 elements; a resize never removes pages.
TEST(VariantArray, ResizeAndDeepCopy) {
  fakeUnknownC object;
  variantArrayC* inner = new variantArrayC;
  ASSERT_TRUE(inner->resize(2));
  inner->at(0)->setString("inner");
  inner->at(1)->setObject(&object);
  zkVariantS source;
  source.setArray(new variantArrayC);
  variantArrayC& outer = *source.value.arrayValue;
  ASSERT_TRUE(outer.resize(10));
  EXPECT_EQ(nullptr, outer.at(10));
  outer.at(1)->setString("outer");
  outer.at(9)->setArray(inner);
  ASSERT_TRUE(outer.resize(3));
  EXPECT_EQ(nullptr, outer.at(3));
  ASSERT_TRUE(outer.resize(10));
  ASSERT_EQ(zkVarArray, outer.at(9)->type) << "the element of a page kept through the resize";
  {
    zkVariantS copy(source);
    variantArrayC& copied = *copy.value.arrayValue;
    ASSERT_EQ(10u, copied.size());
    EXPECT_EQ(3u, object.refs) << "objects are shared, one reference per holder";
    copied.at(1)->setString("changed");
    copied.at(9)->value.arrayValue->at(0)->setInt(5);
    EXPECT_EQ("outer", textOf(*outer.at(1)));
    EXPECT_EQ("inner", textOf(*inner->at(0)));
  }
  outer.at(9)->copyTo(source);  // an element copied onto the variant holding its array
  ASSERT_EQ(zkVarArray, source.type);
  EXPECT_EQ("inner", textOf(*source.value.arrayValue->at(0)));
  source.clear();
  EXPECT_TRUE(balanced(object));
}

// A plain value: tag plus the payload that tag uses (number for tags 1, 2, 16).
struct plainValueS { uint32_t tag; double number; const char* text; };

plainValueS I(int32_t v) { return {zkVarInt, static_cast<double>(v), nullptr}; }
plainValueS D(double v) { return {zkVarDouble, v, nullptr}; }
plainValueS S(const char* v) { return {zkVarString, 0, v}; }
plainValueS B(uint8_t v) { return {zkVarBool, static_cast<double>(v), nullptr}; }
plainValueS E() { return {zkVarEmpty, 0, nullptr}; }
plainValueS U(uint32_t tag) { return {tag, 0, nullptr}; }

// The variant a plain value describes, as its readable form for comparisons.
std::string build(const plainValueS& p, zkVariantS& v) {
  switch (p.tag) {
    case zkVarInt: v.setInt(static_cast<int32_t>(p.number)); break;
    case zkVarDouble: v.setDouble(p.number); break;
    case zkVarString: v.setString(p.text); break;
    case zkVarBool: v.setBool(static_cast<uint8_t>(p.number)); break;
    case zkVarEmpty: v.clear(); break;
    default: v.type = p.tag, v.value.bits = 0x1234; break;
  }
  return describeVariant(v);
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
    zkVariantS source, inPlace, expected, destination;
    const std::string original = build(row.source, source);
    build(row.source, inPlace);
    SCOPED_TRACE(std::string(row.label) + ": " + original + " -> " + zkVariantTagName(row.target));
    build(row.expected, expected);
    EXPECT_EQ(row.succeeds ? 0u : 1u, inPlace.changeType(row.target));
    EXPECT_EQ(describeVariant(row.succeeds ? expected : source), describeVariant(inPlace))
        << (row.succeeds ? "converted value" : "a failed conversion leaves the value unchanged");
    EXPECT_EQ(row.succeeds ? 0u : 1u, source.convertCopy(destination, row.target));
    if (row.succeeds) {
      EXPECT_EQ(describeVariant(expected), describeVariant(destination)) << "convertCopy";
    }
    EXPECT_EQ(original, describeVariant(source)) << "convertCopy leaves the source alone";
  }
}

TEST(VariantConversion, TableInCLocale) { runConversionTable(); }

TEST(VariantConversion, TableUnderCommaLocale) {
  const std::string saved = std::setlocale(LC_ALL, nullptr);
  const char* active = nullptr;
  for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "German_Germany.1252", "German", "fr_FR.UTF-8"}) {
    if (active == nullptr && std::setlocale(LC_ALL, name) != nullptr &&
        std::strcmp(std::localeconv()->decimal_point, ",") == 0)
      active = name;
  }
  if (active != nullptr) {
    SCOPED_TRACE(active);
    runConversionTable();
    EXPECT_STREQ(",", std::localeconv()->decimal_point) << "the process locale is restored after every conversion";
  }
  std::setlocale(LC_ALL, saved.c_str());
  if (active == nullptr) GTEST_SKIP() << "no locale with a comma decimal separator";
}

template <class Get>
bool throwsTypeCast(Get get) {
  try {
    get();
  } catch (const proxyAutoTypeCastExceptionC&) {
    return true;
  }
  return false;
}

// Only integers and doubles are numbers, only strings are text.
TEST(AutoTypeCast, GettersAcceptOnlyTheirTypes) {
  const struct {
    const char* label;
    void (*fill)(zkVariantS&);
    bool numeric, text;
  } rows[] = {
      {"int 3", [](zkVariantS& v) { v.setInt(3); }, true, false},
      {"double 3.7", [](zkVariantS& v) { v.setDouble(3.7); }, true, false},
      {"string 3", [](zkVariantS& v) { v.setString("3"); }, false, true},
      {"bool 1", [](zkVariantS& v) { v.setBool(1); }, false, false},
      {"empty", [](zkVariantS&) {}, false, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.label);
    proxyAutoTypeCastC cast;
    row.fill(cast);
    EXPECT_EQ(!row.numeric, throwsTypeCast([&] { EXPECT_EQ(3, cast.getInt()); }));
    EXPECT_EQ(!row.numeric, throwsTypeCast([&] { EXPECT_EQ(3, cast.getBool()); }));
    EXPECT_EQ(!row.numeric, throwsTypeCast([&] { cast.getDouble(); }));
    EXPECT_EQ(!row.text, throwsTypeCast([&] { EXPECT_STREQ("3", cast.getString()); }));
  }
  proxyAutoTypeCastC cast;
  cast.setDouble(3e10);
  EXPECT_EQ(INT32_MIN, cast.getInt());
  cast.setInt(256);
  EXPECT_EQ(0, cast.getBool());
}

// changeType and the getters resolve objects through their default members.
TEST(VariantConversion, ObjectsResolveThroughDefaultMembers) {
  fakeDispatchC number, text, outer, loop;
  number.defaultValue.setDouble(2.5);
  text.defaultValue.setString("12.5");
  outer.defaultValue.setObject(&text);
  loop.defaultValue.setObject(&loop);  // its default member returns itself
  fakeUnknownC noDispatch;
  {
    zkVariantS v;
    v.setObject(&outer);
    ASSERT_EQ(0u, v.changeType(zkVarDouble));
    EXPECT_EQ("zkVarDouble 12.5", describeVariant(v));
    EXPECT_EQ("<null>", text.lastName) << "the default member is called with a null name";
    proxyAutoTypeCastC cast;
    cast.setObject(&number);
    EXPECT_EQ(2, cast.getInt());
    EXPECT_EQ(2.5, cast.getDouble());
    EXPECT_TRUE(throwsTypeCast([&] { cast.getString(); }));
    EXPECT_EQ(zkVarObject, cast.type) << "getters leave the value alone";
    cast.setObject(&outer);
    EXPECT_TRUE(throwsTypeCast([&] { cast.getInt(); })) << "a resolved string is not a number";
    const char* resolvedText = cast.getString();
    text.defaultValue.setString("changed");
    EXPECT_STREQ("12.5", resolvedText) << "the text stays alive in resolved";
    outer.failDefault = true;
    EXPECT_TRUE(throwsTypeCast([&] { cast.getString(); }));
    for (zkIUnknown* object : std::initializer_list<zkIUnknown*>{&outer, &noDispatch, &loop}) {
      v.setObject(object);
      EXPECT_EQ(1u, v.changeType(zkVarInt));
      EXPECT_EQ(object, v.value.objectValue) << "failure keeps the object";
    }
    EXPECT_EQ(static_cast<uint32_t>(variantResolveDepthLimit), loop.invokeCalls);
  }
  outer.defaultValue.clear();
  loop.defaultValue.clear();
  for (countingRefC* fake : std::initializer_list<countingRefC*>{&number, &text, &outer, &loop, &noDispatch})
    EXPECT_TRUE(balanced(*fake));
}

TEST(AutoTypeCast, GetObjectFollowsSymbolReferences) {
  fakeDispatchC target;
  fakeSymbolRefC symbol, plainSymbol, loop;
  symbol.value.setObject(&target);
  plainSymbol.value.setInt(4);
  loop.value.setObject(&loop);  // reads as itself
  fakeUnknownC noDispatch;
  {
    proxyAutoTypeCastC cast;
    EXPECT_EQ(nullptr, cast.getObject()) << "not an object: null, no exception";
    cast.setObject(&symbol);
    zkIDispatch* dispatch = cast.getObject();
    EXPECT_EQ(static_cast<zkIDispatch*>(&target), dispatch);
    EXPECT_EQ(3u, target.refs) << "symbol's value and the caller's reference";
    dispatch->Release();
    EXPECT_EQ(&symbol, cast.value.objectValue) << "following works on a copy";
    for (zkIUnknown* object : std::initializer_list<zkIUnknown*>{&plainSymbol, &loop, &noDispatch}) {
      cast.setObject(object);
      EXPECT_EQ(nullptr, cast.getObject());
    }
    EXPECT_EQ(static_cast<uint32_t>(variantResolveDepthLimit), loop.getValueCalls);
  }
  symbol.value.clear();
  loop.value.clear();
  for (countingRefC* fake : std::initializer_list<countingRefC*>{&target, &symbol, &plainSymbol, &loop, &noDispatch})
    EXPECT_TRUE(balanced(*fake));
}

}  // namespace
