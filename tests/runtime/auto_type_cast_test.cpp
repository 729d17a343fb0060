// proxyAutoTypeCastC: the converting getters, the resolved slot, symbol
// references, and the references taken and released along the way.
#include "runtime/auto_type_cast.h"

#include <gtest/gtest.h>

#include <cstring>

#include "runtime/interface_ptr.h"
#include "runtime/proxy_exceptions.h"
#include "runtime_fakes.h"

namespace {

proxyAutoTypeCastC wrap(void (*fill)(zkVariantS&)) {
  zkVariantS v;
  fill(v);
  return proxyAutoTypeCastC(v);
}

TEST(AutoTypeCast, LayoutPutsTheValueAfterTheTable) {
  proxyAutoTypeCastC cast;
  const char* base = reinterpret_cast<const char*>(&cast);
  EXPECT_EQ(8, reinterpret_cast<const char*>(static_cast<zkVariantS*>(&cast)) - base);
  EXPECT_EQ(24, reinterpret_cast<const char*>(&cast.resolved) - base);
}

TEST(AutoTypeCast, NumericGettersAcceptOnlyNumbers) {
  struct Row {
    const char* label;
    void (*fill)(zkVariantS&);
    bool numeric;
  };
  const Row rows[] = {
      {"int 3", [](zkVariantS& v) { v.setInt(3); }, true},
      {"double 3.7", [](zkVariantS& v) { v.setDouble(3.7); }, true},
      {"string 3", [](zkVariantS& v) { v.setString("3"); }, false},
      {"bool 1", [](zkVariantS& v) { v.setBool(1); }, false},
      {"empty", [](zkVariantS& v) { v.clear(); }, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.label);
    proxyAutoTypeCastC cast = wrap(row.fill);
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
  proxyAutoTypeCastC exact = wrap([](zkVariantS& v) { v.setInt(-7); });
  EXPECT_EQ(-7.0, exact.getDouble());
  proxyAutoTypeCastC big = wrap([](zkVariantS& v) { v.setDouble(3e10); });
  EXPECT_EQ(INT32_MIN, big.getInt());
  proxyAutoTypeCastC byte = wrap([](zkVariantS& v) { v.setInt(256); });
  EXPECT_EQ(0, byte.getBool());
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
    EXPECT_STREQ("hello", resolvedText);
    EXPECT_EQ(zkVarString, cast.resolved.type) << "the text is kept in resolved";
    text.defaultValue.setString("changed");
    EXPECT_STREQ("hello", resolvedText) << "the text stays alive with the wrapper";

    proxyAutoTypeCastC copy(cast);
    EXPECT_EQ(zkVarString, copy.resolved.type) << "copy construction copies resolved";
    proxyAutoTypeCastC assigned;
    assigned.resolved.setInt(1);
    assigned = static_cast<const zkVariantS&>(cast);
    EXPECT_EQ(zkVarInt, assigned.resolved.type) << "assigning a variant keeps resolved";
  }
  EXPECT_EQ(1u, number.refs);
  EXPECT_EQ(1u, text.refs);
  EXPECT_EQ(number.addRefCalls, number.releaseCalls);
  EXPECT_EQ(text.addRefCalls, text.releaseCalls);

  number.failDefault = true;
  proxyAutoTypeCastC failing;
  failing.setObject(&number);
  EXPECT_THROW(failing.getInt(), proxyAutoTypeCastExceptionC);
  EXPECT_THROW(failing.getString(), proxyAutoTypeCastExceptionC);
}

TEST(AutoTypeCast, GetObjectFollowsSymbolReferences) {
  fakeDispatchC target;
  fakeSymbolRefC symbol;
  symbol.value.setObject(&target);
  fakeSymbolRefC plainSymbol;
  plainSymbol.value.setInt(4);
  fakeUnknownC noDispatch;
  {
    proxyAutoTypeCastC cast;
    EXPECT_EQ(nullptr, cast.getObject()) << "not an object: null, no exception";

    cast.setObject(&symbol);
    zkIDispatch* dispatch = cast.getObject();
    EXPECT_EQ(static_cast<zkIDispatch*>(&target), dispatch);
    EXPECT_EQ(1u, symbol.getValueCalls);
    EXPECT_EQ(3u, target.refs) << "symbol's value and the caller's reference";
    dispatch->Release();
    EXPECT_EQ(zkVarObject, cast.type);
    EXPECT_EQ(static_cast<zkIUnknown*>(&symbol), cast.value.objectValue)
        << "following works on a copy";

    cast.setObject(&plainSymbol);
    EXPECT_EQ(nullptr, cast.getObject()) << "a symbol leading to a plain value";

    cast.setObject(&noDispatch);
    EXPECT_EQ(nullptr, cast.getObject()) << "an object without dispatch";
  }
  symbol.value.clear();
  for (countingRefC* fake : std::initializer_list<countingRefC*>{&target, &symbol, &plainSymbol, &noDispatch}) {
    EXPECT_EQ(1u, fake->refs);
    EXPECT_EQ(fake->addRefCalls, fake->releaseCalls);
  }
}

TEST(AutoTypeCast, AssignFromInterfaceHolderMovesTheReference) {
  fakeDispatchC object;
  proxyAutoTypeCastC cast;
  {
    zkInterfacePtrT<zkIDispatch> holder(&object);
    EXPECT_EQ(2u, object.refs);
    cast = holder;
    EXPECT_EQ(nullptr, holder.get()) << "the holder is emptied";
    EXPECT_EQ(zkVarObject, cast.type);
    EXPECT_EQ(2u, object.refs) << "the wrapper's reference replaces the holder's";
  }
  cast = zkInterfacePtrT<zkIDispatch>();
  EXPECT_EQ(zkVarEmpty, cast.type) << "an empty holder clears the value";
  EXPECT_EQ(1u, object.refs);
  EXPECT_EQ(object.addRefCalls, object.releaseCalls);
}

}  // namespace

namespace {

TEST(AutoTypeCast, SelfReferringSymbolStopsAtTheDepthLimit) {
  fakeSymbolRefC symbol;
  symbol.value.setObject(&symbol);
  {
    proxyAutoTypeCastC cast;
    cast.setObject(&symbol);
    EXPECT_EQ(nullptr, cast.getObject());
    EXPECT_EQ(static_cast<uint32_t>(variantResolveDepthLimit), symbol.getValueCalls);
  }
  symbol.value.clear();
  EXPECT_EQ(1u, symbol.refs);
  EXPECT_EQ(symbol.addRefCalls, symbol.releaseCalls);
}

}  // namespace
