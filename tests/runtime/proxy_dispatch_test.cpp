// Dispatch by member name through proxyObjectC::Invoke: row order and
// overloads, names without letter case, property rows, the fallbacks through
// the default member and properties, forwarding, and the error objects.
#include "runtime/proxy_object.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "runtime/interface_ptr.h"
#include "runtime/proxy_exceptions.h"
#include "runtime_fakes.h"

namespace {

int testObjectsDestroyed = 0;

class testDispatchC : public proxyObjectC {
 public:
  testDispatchC() : proxyObjectC(rows(), true) {}

  int32_t value = 0;
  int counterReads = 0;
  zkIUnknown* defaultTarget = nullptr;  // what the default member yields
  zkIUnknown* child = nullptr;          // what the property "Child" yields
  zkIUnknown* comError = nullptr;       // thrown by "ExecCom"
  str execContext;
  str execDescription;

  static const proxyMethodEntryS* rows() {
    static proxyMethodTableS table;
    if (table.rows == nullptr) {
      static const proxyMethodEntryS first[] = {
          {"Order", kindMethod, 0, &orderFirst},
          {"Convert", kindMethod, 3, &convertThree},
          {"Convert", kindMethod, anyValue, &convertAny},
          {"Sum", kindMethod, 2, &sum},
          {"Fail", kindMethod, 2, &failAfterTwo},
          {"Exec", kindMethod, anyValue, &exec},
          {"ExecCom", kindMethod, 0, &execCom},
          {"Boom", kindMethod, 0, &boom},
          {"Value", kindPropertyGet, 0, &getValue},
          {"Value", kindPropertyPut, 1, &putValue},
          {"Counter", kindPropertyGet, 0, &readCounter},
          {"Child", kindPropertyGet, 0, &getChild},
          {"", kindMethod, 0, &defaultMember},
          {nullptr, 0, 0, nullptr},
      };
      static const proxyMethodEntryS second[] = {
          {"Order", kindMethod, 0, &orderSecond},
          {nullptr, 0, 0, nullptr},
      };
      table.append(first);
      table.append(second);
    }
    return table.rows;
  }

 protected:
  ~testDispatchC() override { ++testObjectsDestroyed; }

 private:
  static testDispatchC* self(void* owner) {
    return static_cast<testDispatchC*>(static_cast<proxyObjectC*>(owner));
  }
  static uint32_t orderFirst(void*, proxyAutoParaListC*, proxyAutoTypeCastC* result) {
    result->setString("first");
    return 0;
  }
  static uint32_t orderSecond(void*, proxyAutoParaListC*, proxyAutoTypeCastC* result) {
    result->setString("second");
    return 0;
  }
  static uint32_t convertThree(void*, proxyAutoParaListC* args, proxyAutoTypeCastC* result) {
    str text("three:");
    for (int i = 0; i < 3; ++i) text += args->getArg(i).getString();
    result->setString(text.c_str());
    return 0;
  }
  static uint32_t convertAny(void*, proxyAutoParaListC* args, proxyAutoTypeCastC* result) {
    str text("any:");
    text << args->count;
    result->setString(text.c_str());
    return 0;
  }
  static uint32_t sum(void*, proxyAutoParaListC* args, proxyAutoTypeCastC* result) {
    const int32_t a = args->getArg(0).getInt();
    result->setInt(a + args->getArg(1).getInt());
    return 0;
  }
  static uint32_t failAfterTwo(void*, proxyAutoParaListC* args, proxyAutoTypeCastC*) {
    args->getArg(0);
    args->getArg(1);
    throwTypeCastError();
  }
  static uint32_t exec(void* owner, proxyAutoParaListC* args, proxyAutoTypeCastC*) {
    if (args->count > 0) args->getArg(0);
    throwExecuteError(self(owner)->execDescription, self(owner)->execContext);
  }
  static uint32_t execCom(void* owner, proxyAutoParaListC*, proxyAutoTypeCastC*) {
    throwExecuteComError(self(owner)->comError);
  }
  static uint32_t boom(void*, proxyAutoParaListC*, proxyAutoTypeCastC*) {
    throw std::runtime_error("boom");
  }
  static uint32_t getValue(void* owner, proxyAutoParaListC*, proxyAutoTypeCastC* result) {
    result->setInt(self(owner)->value);
    return 0;
  }
  static uint32_t putValue(void* owner, proxyAutoParaListC* args, proxyAutoTypeCastC*) {
    self(owner)->value = args->getArg(0).getInt();
    return 0;
  }
  static uint32_t readCounter(void* owner, proxyAutoParaListC*, proxyAutoTypeCastC* result) {
    result->setInt(++self(owner)->counterReads);
    return 0;
  }
  static uint32_t getChild(void* owner, proxyAutoParaListC*, proxyAutoTypeCastC* result) {
    result->setObject(self(owner)->child);
    return 0;
  }
  static uint32_t defaultMember(void* owner, proxyAutoParaListC*, proxyAutoTypeCastC* result) {
    if (self(owner)->defaultTarget == nullptr) throwTypeCastError();
    result->setObject(self(owner)->defaultTarget);
    return 0;
  }
};

zkVariantS intVariant(int32_t i) {
  zkVariantS v;
  v.setInt(i);
  return v;
}

zkVariantS textVariant(const char* text) {
  zkVariantS v;
  v.setString(text);
  return v;
}

std::string textOf(const zkVariantS& v) {
  const char* text = nullptr;
  if (v.getString(&text) != 0) return "<" + describeVariant(v) + ">";
  return text;
}

// The outcome of one Invoke with an error slot.
struct callOutcomeS {
  uint32_t status = 0;
  zkVariantS result;
  std::string context;
  std::string description;
  zkInterfacePtrT<zkIUnknown> innerError;
  bool hasError = false;
};

callOutcomeS call(zkIDispatch* object, const char* name, uint32_t kind,
                  std::initializer_list<zkVariantS> params) {
  callOutcomeS outcome;
  std::vector<zkVariantS> args(params);
  zkIUnknown* error = nullptr;
  outcome.status = object->Invoke(name, kind, static_cast<uint32_t>(args.size()),
                                  args.empty() ? nullptr : args.data(), &outcome.result, &error);
  if (error != nullptr) {
    outcome.hasError = true;
    zkInterfacePtrT<zkIComException> exception;
    EXPECT_EQ(0u, exception.query(error, zkIID_IException));
    error->Release();
    zkVariantS text;
    exception->GetContext(&text);
    outcome.context = textOf(text);
    exception->GetDescription(&text);
    outcome.description = textOf(text);
    exception->GetInnerError(outcome.innerError.out());
  }
  return outcome;
}

class ProxyDispatch : public ::testing::Test {
 protected:
  void SetUp() override { testObjectsDestroyed = 0; }
  void TearDown() override {
    EXPECT_EQ(1u, object->currentRefCount());
    object->Release();
    EXPECT_EQ(1, testObjectsDestroyed);
  }

  testDispatchC* object = new testDispatchC;
};

TEST_F(ProxyDispatch, LaterAppendedRowsAndTableOrderDecide) {
  callOutcomeS order = call(object, "Order", kindMethod, {});
  EXPECT_EQ(0u, order.status);
  EXPECT_EQ("second", textOf(order.result));

  struct Row {
    const char* label;
    std::vector<zkVariantS> args;
    const char* expected;
  };
  const Row rows[] = {
      {"three texts fit the first row", {textVariant("a"), textVariant("b"), textVariant("c")}, "three:abc"},
      {"a number rejects the first row", {textVariant("a"), intVariant(5), textVariant("c")}, "any:3"},
      {"two arguments reach only the any-count row", {textVariant("a"), textVariant("b")}, "any:2"},
      {"no arguments", {}, "any:0"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.label);
    zkVariantS result;
    zkIUnknown* error = nullptr;
    EXPECT_EQ(0u, object->Invoke("Convert", kindMethod, static_cast<uint32_t>(row.args.size()),
                                 row.args.empty() ? nullptr : row.args.data(), &result, &error));
    EXPECT_EQ(nullptr, error);
    EXPECT_EQ(row.expected, textOf(result));
  }
}

TEST_F(ProxyDispatch, NamesIgnoreLetterCase) {
  for (const char* name : {"Convert", "convert", "CONVERT", "cOnVeRt"}) {
    SCOPED_TRACE(name);
    callOutcomeS outcome = call(object, name, kindMethod, {intVariant(1)});
    EXPECT_EQ(0u, outcome.status);
    EXPECT_EQ("any:1", textOf(outcome.result));
  }
  EXPECT_EQ(0u, call(object, "Sum", kindAny, {intVariant(1), intVariant(2)}).status)
      << "kind 0xFFFFFFFF matches every row kind";
}

TEST_F(ProxyDispatch, PropertyRows) {
  EXPECT_EQ(0u, call(object, "value", kindPropertyPut, {intVariant(41)}).status);
  EXPECT_EQ(41, object->value);
  callOutcomeS read = call(object, "VALUE", kindPropertyGet, {});
  EXPECT_EQ(0u, read.status);
  EXPECT_EQ(zkVarInt, read.result.type);
  EXPECT_EQ(41, read.result.value.intValue);
  callOutcomeS badPut = call(object, "Value", kindPropertyPut, {textVariant("42")});
  EXPECT_EQ(1u, badPut.status);
  EXPECT_EQ("methode:Value(Para:1)", badPut.context);
  EXPECT_EQ(41, object->value);
}

TEST_F(ProxyDispatch, ErrorTextsNameTheMemberAndTheArgumentReadLast) {
  struct Row {
    const char* label;
    const char* name;
    std::vector<zkVariantS> args;
    const char* context;
  };
  const Row rows[] = {
      {"first argument does not convert", "Sum", {textVariant("1"), intVariant(2)}, "methode:Sum(Para:1)"},
      {"second argument does not convert", "Sum", {intVariant(1), textVariant("2")}, "methode:Sum(Para:2)"},
      {"handler rejects after reading two", "Fail", {intVariant(1), intVariant(2)}, "methode:Fail(Para:2)"},
      {"no row with that count, nothing read", "Sum", {intVariant(1)}, "methode:Sum"},
      {"unknown member", "Nope", {}, "methode:Nope"},
      {"name as the caller spelled it", "nOPE", {}, "methode:nOPE"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.label);
    zkVariantS result;
    result.setInt(77);
    zkIUnknown* error = nullptr;
    EXPECT_EQ(1u, object->Invoke(row.name, kindMethod, static_cast<uint32_t>(row.args.size()),
                                 row.args.empty() ? nullptr : row.args.data(), &result, &error));
    EXPECT_EQ(77, result.value.intValue) << "the result is untouched on failure";
    ASSERT_NE(nullptr, error);
    zkInterfacePtrT<zkIComException> exception;
    ASSERT_EQ(0u, exception.query(error, zkIID_IException));
    error->Release();
    zkVariantS text;
    EXPECT_EQ(0u, exception->GetContext(&text));
    EXPECT_EQ(row.context, textOf(text));
    EXPECT_EQ(0u, exception->GetDescription(&text));
    EXPECT_EQ("Object call failed", textOf(text));
    zkIUnknown* inner = reinterpret_cast<zkIUnknown*>(0x1);
    EXPECT_EQ(0u, exception->GetInnerError(&inner));
    EXPECT_EQ(nullptr, inner);
  }
  zkIUnknown* error = nullptr;
  EXPECT_EQ(1u, object->Invoke(nullptr, kindPropertyGet, 0, nullptr, nullptr, &error));
  ASSERT_NE(nullptr, error);
  zkInterfacePtrT<zkIComException> exception;
  ASSERT_EQ(0u, exception.query(error, zkIID_IException));
  error->Release();
  zkVariantS text;
  exception->GetContext(&text);
  EXPECT_EQ("methode:", textOf(text)) << "nothing after the colon for a null name";
}

TEST_F(ProxyDispatch, ExecuteExceptions) {
  object->execDescription = "went wrong";
  callOutcomeS described = call(object, "Exec", kindMethod, {intVariant(1)});
  EXPECT_EQ(1u, described.status);
  EXPECT_EQ("methode:Exec", described.context) << "empty context replaced, no (Para:) part";
  EXPECT_EQ("went wrong", described.description);

  object->execDescription = "";
  object->execContext = "my context";
  callOutcomeS located = call(object, "Exec", kindMethod, {});
  EXPECT_EQ("my context", located.context);
  EXPECT_EQ("Object call failed", located.description);

  fakeUnknownC inner;
  object->comError = &inner;
  {
    callOutcomeS com = call(object, "ExecCom", kindMethod, {});
    EXPECT_EQ(1u, com.status);
    EXPECT_EQ("methode:ExecCom", com.context);
    EXPECT_EQ("Object call failed", com.description);
    EXPECT_EQ(&inner, com.innerError.get());
    EXPECT_EQ(2u, inner.refs) << "only the holder's reference from GetInnerError remains";
  }
  EXPECT_EQ(1u, inner.refs);
  EXPECT_EQ(inner.addRefCalls, inner.releaseCalls);

  callOutcomeS boom = call(object, "Boom", kindMethod, {});
  EXPECT_EQ(1u, boom.status);
  EXPECT_EQ("methode:Boom", boom.context);
  EXPECT_EQ("unhandle exception", boom.description);
}

TEST_F(ProxyDispatch, NullResultAndNullErrorSlot) {
  const zkVariantS args[] = {intVariant(1), intVariant(2)};
  EXPECT_EQ(0u, object->Invoke("Sum", kindMethod, 2, args, nullptr, nullptr));
  zkVariantS result;
  result.setInt(5);
  EXPECT_EQ(1u, object->Invoke("Nope", kindMethod, 0, nullptr, &result, nullptr));
  EXPECT_EQ(5, result.value.intValue);
  zkIUnknown* error = nullptr;
  EXPECT_EQ(1u, object->Invoke("Sum", kindMethod, 2, nullptr, &result, &error))
      << "arguments announced but missing";
  if (error != nullptr) error->Release();
}

TEST_F(ProxyDispatch, PropertyReadForwardedThroughDefaultMember) {
  fakeDispatchC target;
  target.answerAnyCall = true;
  target.defaultValue.setString("from target");
  object->defaultTarget = &target;
  callOutcomeS outcome = call(object, "Other", kindPropertyGet, {});
  EXPECT_EQ(0u, outcome.status);
  EXPECT_EQ("from target", textOf(outcome.result));
  EXPECT_EQ("Other", target.lastName);
  EXPECT_EQ(kindPropertyGet, target.lastKind);

  callOutcomeS put = call(object, "Other", kindPropertyPut, {intVariant(3)});
  EXPECT_EQ(0u, put.status);
  EXPECT_EQ(kindPropertyPut, target.lastKind);
  EXPECT_EQ(1u, target.lastParamCount);
  EXPECT_EQ(3, target.lastFirstParam.value.intValue);

  target.answerAnyCall = false;
  callOutcomeS refused = call(object, "Other", kindPropertyGet, {});
  EXPECT_EQ(1u, refused.status) << "the forwarded call's failure fails the call";
  EXPECT_EQ("Object call failed", refused.description);

  object->defaultTarget = nullptr;
  EXPECT_EQ(1u, target.refs);
  EXPECT_EQ(target.addRefCalls, target.releaseCalls);
}

TEST_F(ProxyDispatch, MethodCallForwardedThroughDefaultMember) {
  fakeDispatchC target;
  target.answerAnyCall = true;
  target.defaultValue.setInt(9);
  object->defaultTarget = &target;
  callOutcomeS outcome = call(object, "Whatever", kindMethod, {textVariant("p")});
  EXPECT_EQ(0u, outcome.status);
  EXPECT_EQ(9, outcome.result.value.intValue);
  EXPECT_EQ("Whatever", target.lastName);
  EXPECT_EQ(kindMethod, target.lastKind);
  EXPECT_EQ("p", textOf(target.lastFirstParam));

  target.answerAnyCall = false;
  callOutcomeS refused = call(object, "Whatever", kindMethod, {textVariant("p"), intVariant(1)});
  EXPECT_EQ(1u, refused.status);
  EXPECT_EQ("methode:Whatever(Para:2)", refused.context)
      << "forwarding reads every argument, so the last one is named";
  object->defaultTarget = nullptr;
  EXPECT_EQ(target.addRefCalls, target.releaseCalls);
}

TEST_F(ProxyDispatch, MethodCallOnPropertyCallsDefaultMemberOfItsObject) {
  fakeDispatchC child;
  child.defaultValue.setString("child default");
  object->child = &child;
  callOutcomeS outcome = call(object, "child", kindMethod, {textVariant("x")});
  EXPECT_EQ(0u, outcome.status);
  EXPECT_EQ("child default", textOf(outcome.result));
  EXPECT_EQ("<null>", child.lastName) << "the default member, named by a null name";
  EXPECT_EQ(kindMethod, child.lastKind);
  EXPECT_EQ(1u, child.lastParamCount);
  EXPECT_EQ("x", textOf(child.lastFirstParam));
  object->child = nullptr;
  EXPECT_EQ(child.addRefCalls, child.releaseCalls);
}

TEST_F(ProxyDispatch, MethodCallOnPlainPropertyRunsItThenFails) {
  for (uint32_t argumentCount : {0u, 2u}) {
    SCOPED_TRACE(argumentCount);
    const int before = object->counterReads;
    callOutcomeS outcome = argumentCount == 0
                               ? call(object, "Counter", kindMethod, {})
                               : call(object, "Counter", kindMethod, {intVariant(1), intVariant(2)});
    EXPECT_EQ(1u, outcome.status);
    EXPECT_EQ(before + 1, object->counterReads) << "the property handler ran once";
    EXPECT_EQ(zkVarEmpty, outcome.result.type);
    EXPECT_EQ("methode:Counter", outcome.context);
  }
}

TEST_F(ProxyDispatch, ForwardingCycleFailsInsteadOfRecursingForever) {
  object->defaultTarget = static_cast<zkIDispatch*>(object);
  callOutcomeS outcome = call(object, "Unknown", kindPropertyGet, {});
  EXPECT_EQ(1u, outcome.status);
  object->defaultTarget = nullptr;
}

}  // namespace
