// zkVariantS ownership, set/get operations, deep copies and variant arrays.
#include "runtime/variant.h"

#include <gtest/gtest.h>

#include <cstring>

#include "runtime_fakes.h"

namespace {

const char* textOf(const zkVariantS& v) {
  const char* text = nullptr;
  EXPECT_EQ(0u, v.getString(&text)) << describeVariant(v);
  return text != nullptr ? text : "<none>";
}

TEST(Variant, LayoutAndPayloadPositions) {
  zkVariantS v;
  EXPECT_EQ(zkVarEmpty, v.type);
  v.setInt(-2);
  const unsigned char* raw = reinterpret_cast<const unsigned char*>(&v);
  EXPECT_EQ(0xFE, raw[0]) << "integer in the low half";
  EXPECT_EQ(1, raw[8]) << "tag after the 64-bit value";
  v.setBool(0x7F);
  EXPECT_EQ(0x7F, raw[0]) << "boolean byte stored unchanged in the lowest byte";
  EXPECT_EQ(16, raw[8]);
}

TEST(Variant, ClearKeepsValueBitsAndIgnoresUnknownTags) {
  zkVariantS v;
  v.setDouble(1.5);
  v.clear();
  EXPECT_EQ(zkVarEmpty, v.type);
  EXPECT_EQ(1.5, v.value.doubleValue) << "clearing does not zero the value";
  v.type = 0x40;
  v.value.bits = 0xDEADBEEF;
  v.clear();
  EXPECT_EQ(zkVarEmpty, v.type);
}

TEST(Variant, StringOwnershipAndGetters) {
  zkVariantS v;
  v.setString(nullptr);
  EXPECT_STREQ("", textOf(v)) << "null text gives an empty string";
  v.setString("abc");
  EXPECT_STREQ("abc", textOf(v));
  v.setString(textOf(v) + 1);
  EXPECT_STREQ("bc", textOf(v)) << "setting from the variant's own text";

  const char* untouched = "keep";
  zkIUnknown* object = nullptr;
  EXPECT_EQ(1u, v.getObject(&object));
  EXPECT_EQ(nullptr, object);
  v.setInt(3);
  EXPECT_EQ(1u, v.getString(&untouched));
  EXPECT_STREQ("keep", untouched);
}

TEST(Variant, ObjectReferences) {
  fakeUnknownC object;
  {
    zkVariantS v;
    v.setObject(nullptr);
    EXPECT_EQ(zkVarEmpty, v.type) << "null object leaves the variant empty";
    v.setObject(&object);
    EXPECT_EQ(zkVarObject, v.type);
    EXPECT_EQ(2u, object.refs);
    v.setObject(&object);
    EXPECT_EQ(2u, object.refs) << "re-setting the held object keeps one reference";

    zkIUnknown* out = nullptr;
    EXPECT_EQ(0u, v.getObject(&out));
    EXPECT_EQ(&object, out);
    EXPECT_EQ(3u, object.refs);
    out->Release();

    zkVariantS copy(v);
    EXPECT_EQ(3u, object.refs) << "a copy shares the object with its own reference";
    copy = copy;
    EXPECT_EQ(3u, object.refs) << "self-assignment does nothing";
    zkVariantS other;
    other.setInt(1);
    other = v;
    EXPECT_EQ(4u, object.refs);
    v.setInt(0);
    EXPECT_EQ(3u, object.refs);
  }
  EXPECT_EQ(1u, object.refs);
  EXPECT_EQ(object.addRefCalls, object.releaseCalls);
}

TEST(Variant, CopiedStringIsSeparate) {
  zkVariantS source;
  source.setString("text");
  zkVariantS copy;
  source.copyTo(copy);
  ASSERT_EQ(zkVarString, copy.type);
  EXPECT_NE(source.value.stringValue, copy.value.stringValue);
  EXPECT_NE(static_cast<const void*>(textOf(source)), static_cast<const void*>(textOf(copy)));
  copy.setString("changed");
  EXPECT_STREQ("text", textOf(source));
}

TEST(Variant, CopyFromUnknownTagLeavesDestination) {
  zkVariantS unknown;
  unknown.type = 0x100;
  zkVariantS destination;
  destination.setInt(9);
  unknown.copyTo(destination);
  EXPECT_EQ(zkVarInt, destination.type);
  EXPECT_EQ(9, destination.value.intValue);
  unknown.type = zkVarEmpty;
}

variantArrayC* makeArray(uint64_t n) {
  variantArrayC* array = new variantArrayC;
  EXPECT_TRUE(array->resize(n));
  return array;
}

TEST(VariantArray, ResizeAndElementAccess) {
  variantArrayC* array = makeArray(0);
  EXPECT_EQ(0u, array->size());
  EXPECT_EQ(nullptr, array->at(0));
  ASSERT_TRUE(array->resize(8));
  for (uint64_t i = 0; i < 8; ++i) {
    ASSERT_NE(nullptr, array->at(i));
    EXPECT_EQ(zkVarEmpty, array->at(i)->type);
    array->at(i)->setInt(static_cast<int32_t>(i));
  }
  EXPECT_EQ(nullptr, array->at(8));
  ASSERT_TRUE(array->resize(17));
  EXPECT_EQ(7, array->at(7)->value.intValue) << "elements survive growth";
  array->at(16)->setString("last");
  ASSERT_TRUE(array->resize(3));
  EXPECT_EQ(nullptr, array->at(3));
  ASSERT_TRUE(array->resize(17));
  EXPECT_STREQ("last", textOf(*array->at(16))) << "pages are never removed by a resize";
  zkVariantS holder;
  holder.setArray(array);
}

TEST(VariantArray, DeepCopyOfNestedArraysAndStrings) {
  fakeUnknownC object;
  variantArrayC* inner = makeArray(2);
  inner->at(0)->setString("inner");
  inner->at(1)->setObject(&object);
  variantArrayC* outer = makeArray(10);
  outer->at(0)->setInt(1);
  outer->at(1)->setString("outer");
  outer->at(9)->setArray(inner);

  zkVariantS source;
  source.setArray(outer);
  {
    zkVariantS copy(source);
    ASSERT_EQ(zkVarArray, copy.type);
    ASSERT_NE(source.value.arrayValue, copy.value.arrayValue);
    variantArrayC& copied = *copy.value.arrayValue;
    ASSERT_EQ(10u, copied.size());
    EXPECT_EQ(1, copied.at(0)->value.intValue);
    EXPECT_STREQ("outer", textOf(*copied.at(1)));
    ASSERT_EQ(zkVarArray, copied.at(9)->type);
    variantArrayC& copiedInner = *copied.at(9)->value.arrayValue;
    EXPECT_NE(inner, &copiedInner);
    EXPECT_EQ(3u, object.refs) << "objects are shared, one reference per holder";

    copied.at(1)->setString("changed");
    copiedInner.at(0)->setInt(5);
    EXPECT_STREQ("outer", textOf(*outer->at(1)));
    EXPECT_STREQ("inner", textOf(*inner->at(0)));
  }
  EXPECT_EQ(2u, object.refs);

  // Copying an element onto the array that contains it.
  zkVariantS element;
  outer->at(9)->copyTo(element);
  outer->at(9)->copyTo(source);
  ASSERT_EQ(zkVarArray, source.type);
  EXPECT_STREQ("inner", textOf(*source.value.arrayValue->at(0)));
  source.clear();
  element.clear();
  EXPECT_EQ(1u, object.refs);
  EXPECT_EQ(object.addRefCalls, object.releaseCalls);
}

}  // namespace
