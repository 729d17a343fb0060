// zkVariantS: arrays and deep copies, the conversions of changeType /
// convertCopy as one table run in the "C" locale and again under a locale
// whose decimal separator is a comma, resolution through default members and
// symbol references.
#include "runtime/variant.h"

#include <gtest/gtest.h>

#include <atomic>
#include <clocale>
#include <cstring>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "abi/mem_man_object.h"
#include "runtime/auto_type_cast.h"
#include "runtime/proxy_exceptions.h"
#include "runtime_fakes.h"
#include "tests/support/comma_locale.h"

namespace {

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
  outer.at(1)->setString("-outer");
  const char* text = nullptr;
  outer.at(1)->getString(&text);
  outer.at(1)->setString(text + 1);  // from its own text
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
    EXPECT_EQ("outer", variantText(*outer.at(1)));
    EXPECT_EQ("inner", variantText(*inner->at(0)));
  }
  outer.at(9)->copyTo(source);  // an element copied onto the variant holding its array
  ASSERT_EQ(zkVarArray, source.type);
  EXPECT_EQ("inner", variantText(*source.value.arrayValue->at(0)));
  source.clear();
  EXPECT_TRUE(balanced(object));
}

// Arrays nested up to the limit copy; one level more fails and leaves the
// destination empty, however deep the source goes.
// A text value made by another binary: a string object of the same layout
// with tables of its own, which the module must read through the record and
// never call into (the fake fails loudly if it is called).
class foreignTextC {
 public:
  explicit foreignTextC(const char* text) : characters(text) {
    buffer.data = &characters[0];
    buffer.size = characters.size() + 1;
  }
  zkVariantS* lend(zkVariantS& v) {
    v.value.stringValue = reinterpret_cast<str*>(this);
    v.type = zkVarString;
    return &v;
  }
  static void takeBack(zkVariantS& v) {
    v.type = zkVarEmpty;
    v.value.bits = 0;
  }

 private:
  class objectC : public zkIMemManObject {
   public:
    memManSystemC* getMemManager(bool) override {
      ADD_FAILURE() << "the module called the foreign text's table";
      return nullptr;
    }
    void* deletingDestructor(uint32_t) override {
      ADD_FAILURE() << "the module destroyed a foreign text";
      return this;
    }
  };
  struct bufferS final : objectC {
    char* data = nullptr;
    uint64_t size = 0;
  };
  objectC head;
  bufferS buffer;
  std::string characters;
};

TEST(Variant, ForeignTextIsReadThroughItsRecord) {
  foreignTextC foreign("42");
  zkVariantS v, number, copy;
  const char* text = nullptr;
  ASSERT_EQ(0u, foreign.lend(v)->getString(&text));
  EXPECT_STREQ("42", text);
  ASSERT_EQ(0u, v.convertCopy(number, zkVarInt));
  EXPECT_EQ(42, number.value.intValue);
  ASSERT_EQ(0u, v.copyTo(copy));
  ASSERT_EQ(0u, copy.getString(&text));
  EXPECT_STREQ("42", text);
  EXPECT_NE(v.value.stringValue, copy.value.stringValue) << "the copy is a str of the module's";
  foreignTextC::takeBack(v);
}

// A move hands the payload over as it is: the same string, the same single
// reference; the destination's old payload is released, the source left
// empty, and a move onto itself changes nothing.
TEST(Variant, MoveHandsThePayloadOver) {
  fakeUnknownC old, moved;
  zkVariantS source, destination;
  source.setString("payload");
  const str* payload = source.value.stringValue;
  destination.setObject(&old);
  source.moveTo(destination);
  EXPECT_EQ(zkVarEmpty, source.type);
  EXPECT_EQ(payload, destination.value.stringValue);
  EXPECT_EQ("payload", variantText(destination));
  EXPECT_TRUE(balanced(old)) << "the destination's object is released";
  source.setObject(&moved);
  source.moveTo(source);
  source.moveTo(destination);
  EXPECT_EQ(2u, moved.refs) << "the one reference is handed over, none taken";
  destination.clear();
  EXPECT_TRUE(balanced(moved));
}

TEST(VariantArray, CopyRefusesNestingBeyondTheLimit) {
  for (int levels : {variantArrayNestingLimit, variantArrayNestingLimit + 1}) {
    SCOPED_TRACE(std::to_string(levels) + " levels");
    const zkVariantS source = nestedArray(levels);
    zkVariantS copy;
    copy.setString("old");
    const bool withinLimit = levels <= variantArrayNestingLimit;
    EXPECT_EQ(withinLimit ? 0u : 1u, source.copyTo(copy));
    EXPECT_EQ(withinLimit ? zkVarArray : zkVarEmpty, copy.type) << zkVariantTagName(copy.type);
  }
}

// A plain value: tag plus the payload that tag uses (number for tags 1, 2, 16).
struct plainValueS {
  uint32_t tag;
  double number;
  const char* text;
};

plainValueS I(int32_t v) { return {zkVarInt, static_cast<double>(v), nullptr}; }
plainValueS D(double v) { return {zkVarDouble, v, nullptr}; }
plainValueS S(const char* v) { return {zkVarString, 0, v}; }
plainValueS B(uint8_t v) { return {zkVarBool, static_cast<double>(v), nullptr}; }
plainValueS E() { return {zkVarEmpty, 0, nullptr}; }
plainValueS U(uint32_t tag) { return {tag, 0, nullptr}; }
const plainValueS fails = U(0xFFFFFFFFu);  // as an expected value: the conversion fails

// The variant a plain value describes, as its readable form for comparisons.
std::string build(const plainValueS& p, zkVariantS& v) {
  switch (p.tag) {
    case zkVarInt:
      v.setInt(static_cast<int32_t>(p.number));
      break;
    case zkVarDouble:
      v.setDouble(p.number);
      break;
    case zkVarString:
      v.setString(p.text);
      break;
    case zkVarBool:
      v.setBool(static_cast<uint8_t>(p.number));
      break;
    case zkVarEmpty:
      v.clear();
      break;
    default:
      v.type = p.tag, v.value.bits = 0x1234;
      break;
  }
  return describeVariant(v);
}

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

struct conversionRowS {
  plainValueS source, expected;
};

// Converts every source to `target` in place and by copy.
void convertRows(uint32_t target, std::initializer_list<conversionRowS> rows) {
  for (const conversionRowS& row : rows) {
    zkVariantS source, inPlace, expected, destination;
    const std::string original = build(row.source, source);
    build(row.source, inPlace);
    SCOPED_TRACE(original + " -> " + zkVariantTagName(target));
    const bool succeeds = row.expected.tag != fails.tag;
    const std::string wanted = succeeds ? build(row.expected, expected) : original;
    EXPECT_EQ(succeeds ? 0u : 1u, inPlace.changeType(target));
    EXPECT_EQ(wanted, describeVariant(inPlace)) << "changeType; a failed conversion leaves the value unchanged";
    EXPECT_EQ(succeeds ? 0u : 1u, source.convertCopy(destination, target));
    if (succeeds) {
      EXPECT_EQ(wanted, describeVariant(destination)) << "convertCopy";
    }
    EXPECT_EQ(original, describeVariant(source)) << "convertCopy leaves the source alone";
  }
}

void runConversionTable() {
  const int32_t kMin = INT32_MIN;
  convertRows(zkVarInt,
              {
                  // double: truncation toward zero; outside the range (NaN and infinities too) INT32_MIN
                  {D(2.9), I(2)},
                  {D(-2.9), I(-2)},
                  {D(3e10), I(kMin)},
                  {D(-3e10), I(kMin)},
                  {D(2147483647.9), I(INT32_MAX)},
                  {D(2147483648.0), I(kMin)},
                  {D(-2147483648.9), I(kMin)},
                  {D(-2147483649.0), I(kMin)},
                  {D(kNaN), I(kMin)},
                  {D(kInf), I(kMin)},
                  {D(-kInf), I(kMin)},
                  // text: a "C"-locale number filling the whole text after leading blanks, then truncated
                  {S(" 42"), I(42)},
                  {S("\t42"), I(42)},
                  {S("42 "), fails},
                  {S("4x"), fails},
                  {S(""), I(0)},
                  {S("   "), fails},
                  {S("3.9"), I(3)},
                  {S("1e3"), I(1000)},
                  {S("-2.5"), I(-2)},
                  {S("+7"), I(7)},
                  {S("1e10"), I(kMin)},
                  {S("2,5"), fails},
                  {S("0x10"), fails},
                  {S("inf"), fails},
                  {S("nan"), fails},
                  {S("1e"), fails},
                  {S("-"), fails},
                  {S("."), fails},
                  // boolean: the byte sign-extended; empty and unknown tags fail, the same type stays untouched
                  {B(0xFF), I(-1)},
                  {B(1), I(1)},
                  {B(0x80), I(-128)},
                  {E(), fails},
                  {U(64), fails},
                  {I(5), I(5)},
              });
  convertRows(zkVarDouble, {
                               // integers exactly, texts as above; booleans and empty fail
                               {I(-5), D(-5.0)},
                               {I(INT32_MAX), D(2147483647.0)},
                               {S("2.5"), D(2.5)},
                               {S("0.1"), D(0.1)},
                               {S(".5"), D(0.5)},
                               {S("1."), D(1.0)},
                               {S(" 1E-3"), D(0.001)},
                               {S("2.5 "), fails},
                               {B(1), fails},
                               {E(), fails},
                           });
  convertRows(zkVarString, {
                               // "%d" and "%.14g" (fixed up to 14 digits and down to 1e-4); booleans, empty fail
                               {I(-7), S("-7")},
                               {I(INT32_MIN), S("-2147483648")},
                               {D(0.1), S("0.1")},
                               {D(1.0 / 3.0), S("0.33333333333333")},
                               {D(100.0), S("100")},
                               {D(2.5), S("2.5")},
                               {D(1e13), S("10000000000000")},
                               {D(1e14), S("1e+14")},
                               {D(0.0001), S("0.0001")},
                               {D(0.00001), S("1e-05")},
                               {D(kInf), S("inf")},
                               {D(-kInf), S("-inf")},
                               {B(1), fails},
                               {E(), fails},
                           });
  convertRows(zkVarBool, {
                             // the lowest byte of the integer
                             {I(256), B(0)},
                             {I(-1), B(0xFF)},
                             {I(1), B(1)},
                             {I(0x1FE), B(0xFE)},
                             {D(2.5), B(2)},
                             {D(256.7), B(0)},
                             {S("2"), B(2)},
                             {S("x"), fails},
                             {E(), fails},
                         });
  for (uint32_t neverConverted : {zkVarEmpty, zkVarObject, zkVarArray}) convertRows(neverConverted, {{I(1), fails}});
}

TEST(VariantConversion, TableInCLocale) { runConversionTable(); }

TEST(VariantConversion, TableUnderCommaLocale) {
  const commaLocaleScopeC comma;
  if (comma.name() == nullptr) GTEST_SKIP() << "no locale with a comma decimal separator";
  SCOPED_TRACE(comma.name());
  runConversionTable();
  EXPECT_EQ("1,5", commaLocaleScopeC::formatted(1.5)) << "the process locale is left as it is";
}

// Conversions on several threads under a comma locale: each gives the "C"
// text, and none switches the process locale, which a watcher formatting
// with it meanwhile would see.
TEST(VariantConversion, ConcurrentConversionsLeaveACommaLocaleAlone) {
  const commaLocaleScopeC comma;
  if (comma.name() == nullptr) GTEST_SKIP() << "no locale with a comma decimal separator";
  SCOPED_TRACE(comma.name());
  std::atomic<bool> converting{true};
  std::atomic<int> wrongResults{0}, switchesSeen{0};
  std::thread watcher([&] {
    while (converting) {
      if (commaLocaleScopeC::formatted(1.5) != "1,5") ++switchesSeen;
    }
  });
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 2000; ++i) {
        zkVariantS number;
        number.setDouble(1.5);
        zkVariantS text;
        text.setString(" 2.25e1");
        if (number.changeType(zkVarString) != 0 || variantText(number) != "1.5") ++wrongResults;
        if (text.changeType(zkVarDouble) != 0 || text.value.doubleValue != 22.5) ++wrongResults;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  converting = false;
  watcher.join();
  EXPECT_EQ(0, wrongResults.load());
  EXPECT_EQ(0, switchesSeen.load());
  EXPECT_EQ("1,5", commaLocaleScopeC::formatted(1.5));
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
    EXPECT_THROW(cast.getString(), proxyAutoTypeCastExceptionC);
    EXPECT_EQ(zkVarObject, cast.type) << "getters leave the value alone";
    cast.setObject(&outer);
    EXPECT_THROW(cast.getInt(), proxyAutoTypeCastExceptionC) << "a resolved string is not a number";
    const char* resolvedText = cast.getString();
    text.defaultValue.setString("changed");
    EXPECT_STREQ("12.5", resolvedText) << "the text stays alive in resolved";
    outer.failDefault = true;
    EXPECT_THROW(cast.getString(), proxyAutoTypeCastExceptionC);
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
  fakeSymbolRefC symbol;
  symbol.value.setObject(&target);
  symbol.value.setObject(&target);  // re-setting the held object keeps its one reference
  {
    proxyAutoTypeCastC cast;
    EXPECT_EQ(nullptr, cast.getObject()) << "not an object: null, no exception";
    cast.setObject(&symbol);
    zkIDispatch* dispatch = cast.getObject();
    EXPECT_EQ(static_cast<zkIDispatch*>(&target), dispatch);
    EXPECT_EQ(3u, target.refs) << "symbol's value and the caller's reference";
    dispatch->Release();
    EXPECT_EQ(&symbol, cast.value.objectValue) << "following works on a copy";
  }
  symbol.value.clear();
  for (countingRefC* fake : std::initializer_list<countingRefC*>{&target, &symbol}) EXPECT_TRUE(balanced(*fake));
}

}  // namespace
