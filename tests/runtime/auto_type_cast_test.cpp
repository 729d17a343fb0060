// proxyAutoTypeCastC: the converting getters, the resolved slot, symbol
// references, and the references taken and released along the way.
#include "runtime/auto_type_cast.h"

#include <gtest/gtest.h>

#include "runtime/interface_ptr.h"
#include "runtime/proxy_exceptions.h"
#include "runtime_fakes.h"

namespace {

TEST(AutoTypeCast, NumericGettersAcceptOnlyNumbers) {
  struct rowS {
    const char* label;
    void (*fill)(zkVariantS&);
    bool numeric;
  };
  const rowS rows[] = {
      {"int 3", [](zkVariantS& v) { v.setInt(3); }, true},
      {"double 3.7", [](zkVariantS& v) { v.setDouble(3.7); }, true},
      {"string 3", [](zkVariantS& v) { v.setString("3"); }, false},
      {"bool 1", [](zkVariantS& v) { v.setBool(1); }, false},
      {"empty", [](zkVariantS&) {}, false},
  };
  for (const rowS& row : rows) {
    SCOPED_TRACE(row.label);
    zkVariantS v;
    row.fill(v);
    proxyAutoTypeCastC cast(v);
    if (row.numeric) {
      EXPECT_EQ(3, cast.getInt());
      EXPECT_EQ(3, cast.getBool());
      EXPECT_NO_THROW(cast.getDouble());
    } else {
      EXPECT_THROW(cast.getInt(), proxyAutoTypeCastExceptionC);
      EXPECT_THROW(cast.getBool(), proxyAutoTypeCastExceptionC);
      EXPECT_THROW(cast.getDouble(), proxyAutoTypeCastExceptionC);
    }
    if (cast.type == zkVarString) {
      EXPECT_STREQ("3", cast.getString());
    } else {
      EXPECT_THROW(cast.getString(), proxyAutoTypeCastExceptionC) << "only text is text";
    }
  }
  proxyAutoTypeCastC cast;
  cast.setDouble(3e10);
  EXPECT_EQ(INT32_MIN, cast.getInt());
  cast.setInt(256);
  EXPECT_EQ(0, cast.getBool());
}

TEST(AutoTypeCast, GettersResolveObjectsThroughDefaultMembers) {
  fakeDispatchC number;
  number.defaultValue.setDouble(2.5);
  fakeDispatchC text;
  text.defaultValue.setString("hello");
  {
    proxyAutoTypeCastC cast;
    cast.setObject(&number);
    EXPECT_EQ(2, cast.getInt());
    EXPECT_EQ(2.5, cast.getDouble());
    EXPECT_THROW(cast.getString(), proxyAutoTypeCastExceptionC);
    EXPECT_EQ(zkVarObject, cast.type) << "getters leave the value alone";

    cast.setObject(&text);
    EXPECT_THROW(cast.getInt(), proxyAutoTypeCastExceptionC) << "a resolved string is not a number";
    const char* resolvedText = cast.getString();
    text.defaultValue.setString("changed");
    EXPECT_STREQ("hello", resolvedText) << "the text stays alive in resolved";
    proxyAutoTypeCastC copy(cast);
    EXPECT_EQ(zkVarString, copy.resolved.type) << "copy construction copies resolved";
    copy.resolved.setInt(1);
    copy = static_cast<const zkVariantS&>(cast);
    EXPECT_EQ(zkVarInt, copy.resolved.type) << "assigning a variant keeps resolved";

    number.failDefault = true;
    cast.setObject(&number);
    EXPECT_THROW(cast.getInt(), proxyAutoTypeCastExceptionC);
    EXPECT_THROW(cast.getString(), proxyAutoTypeCastExceptionC);
  }
  EXPECT_TRUE(balanced(number));
  EXPECT_TRUE(balanced(text));
}

TEST(AutoTypeCast, GetObjectFollowsSymbolReferences) {
  fakeDispatchC target;
  fakeSymbolRefC symbol;
  symbol.value.setObject(&target);
  fakeSymbolRefC plainSymbol;
  plainSymbol.value.setInt(4);
  fakeSymbolRefC loop;  // reads as itself
  loop.value.setObject(&loop);
  fakeUnknownC noDispatch;
  {
    proxyAutoTypeCastC cast;
    EXPECT_EQ(nullptr, cast.getObject()) << "not an object: null, no exception";
    cast.setObject(&symbol);
    zkIDispatch* dispatch = cast.getObject();
    EXPECT_EQ(static_cast<zkIDispatch*>(&target), dispatch);
    EXPECT_EQ(3u, target.refs) << "symbol's value and the caller's reference";
    dispatch->Release();
    EXPECT_EQ(static_cast<zkIUnknown*>(&symbol), cast.value.objectValue) << "following works on a copy";
    for (zkIUnknown* object : {static_cast<zkIUnknown*>(&plainSymbol), static_cast<zkIUnknown*>(&loop),
                               static_cast<zkIUnknown*>(&noDispatch)}) {
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

TEST(AutoTypeCast, AssignFromInterfaceHolderMovesTheReference) {
  fakeDispatchC object;
  proxyAutoTypeCastC cast;
  zkInterfacePtrT<zkIDispatch> holder(&object);
  cast = holder;
  EXPECT_EQ(nullptr, holder.get()) << "the holder is emptied";
  EXPECT_EQ(2u, object.refs) << "the wrapper's reference replaces the holder's";
  cast = zkInterfacePtrT<zkIDispatch>();
  EXPECT_EQ(zkVarEmpty, cast.type) << "an empty holder clears the value";
  EXPECT_TRUE(balanced(object));
}

}  // namespace
