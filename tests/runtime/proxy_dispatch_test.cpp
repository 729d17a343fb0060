// Dispatch by member name through proxyObjectC::Invoke: row order and
// overloads, names without letter case, property rows, the fallbacks through
// the default member and properties, forwarding, and the error objects.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "abi/interface_ptr.h"
#include "memory/module_heap.h"
#include "platform/thread.h"
#include "runtime/proxy_exceptions.h"
#include "runtime/proxy_object.h"
#include "runtime_fakes.h"

namespace {

typedef proxyAutoParaListC argsT;
typedef proxyAutoTypeCastC resultT;
int testObjectsDestroyed = 0;
std::atomic<bool> sleeperEntered{false};

zkVariantS I(int32_t i) {
  zkVariantS v;
  v.setInt(i);
  return v;
}
zkVariantS S(const char* text) {
  zkVariantS v;
  v.setString(text);
  return v;
}

class testDispatchC : public proxyObjectC {
 public:
  testDispatchC() : proxyObjectC(rows(), true) {}

  int32_t value = 0;
  int valueReads = 0;
  zkIUnknown* defaultTarget = nullptr;  // what the default member yields
  zkIUnknown* child = nullptr;          // what the property "Child" yields
  zkIUnknown* comError = nullptr;       // thrown by "ExecCom"
  const char* echoedText = nullptr;     // where "Echo" read its last argument

  // Two appended tables; both hold "Order".
  static const proxyMethodEntryS* rows() {
    static const proxyMethodEntryS first[] = {
        {"Order", kindMethod, 0, &row<orderFirst>},
        {"Convert", kindMethod, 3, &row<convertThree>},
        {"Convert", kindMethod, anyValue, &row<convertAny>},
        {"Sum", kindMethod, 2, &row<sum>},
        {"Exec", kindMethod, anyValue, &row<exec>},
        {"ExecCom", kindMethod, 0, &row<execCom>},
        {"Boom", kindMethod, 0, &row<boom>},
        {"Sleep", kindMethod, 0, &row<sleep>},
        {"Echo", kindMethod, anyValue, &row<echo>},
        {"Value", kindPropertyGet, 0, &row<getValue>},
        {"Value", kindPropertyPut, 1, &row<putValue>},
        {"Child", kindPropertyGet, 0, &row<getChild>},
        {"", kindMethod, 0, &row<defaultMember>},
        {nullptr, 0, 0, nullptr},
    };
    static const proxyMethodEntryS second[] = {{"Order", kindMethod, 0, &row<orderSecond>}, {nullptr, 0, 0, nullptr}};
    static proxyMethodTableS table;
    static const bool appended = table.append(first) && table.append(second);
    return appended ? table.rows : nullptr;
  }

  ZK_DELETING_DESTRUCTOR(testDispatchC)

 protected:
  ~testDispatchC() { ++testObjectsDestroyed; }

 private:
  // Handlers as rows take them: the owner is the object, success answers 0.
  template <void (*Handler)(testDispatchC&, argsT&, resultT&)>
  static uint32_t row(void* owner, argsT* args, resultT* result) {
    Handler(*static_cast<testDispatchC*>(static_cast<proxyObjectC*>(owner)), *args, *result);
    return 0;
  }
  static void orderFirst(testDispatchC&, argsT&, resultT& result) { result.setString("first"); }
  static void orderSecond(testDispatchC&, argsT&, resultT& result) { result.setString("second"); }
  static void convertThree(testDispatchC&, argsT& args, resultT& result) {
    str text("three:");
    for (int i = 0; i < 3; ++i) text += args.getArg(i).getString();
    result.setString(text.c_str());
  }
  static void convertAny(testDispatchC&, argsT& args, resultT& r) { r.setString((str("any:") << args.count).c_str()); }
  static void sum(testDispatchC&, argsT& args, resultT& result) {
    const int32_t a = args.getArg(0).getInt();
    result.setInt(a + args.getArg(1).getInt());
  }
  // Description and context come from the first two arguments.
  static void exec(testDispatchC&, argsT& args, resultT&) {
    const str description(args.count > 0 ? args.getArg(0).getString() : "");
    throwExecuteError(description, str(args.count > 1 ? args.getArg(1).getString() : ""));
  }
  static void execCom(testDispatchC& self, argsT&, resultT&) { throwExecuteComError(self.comError); }
  static void boom(testDispatchC&, argsT&, resultT&) { throw std::runtime_error("boom"); }
  // Waits (at a cancellation point) until the thread is ended, at most 10 s.
  static void sleep(testDispatchC&, argsT&, resultT&) {
    sleeperEntered = true;
    for (int i = 0; i < 10000; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  // Reads its last argument in place, replaces every argument, then answers
  // the text read. Replacing a copied argument frees its text, so the answer
  // is taken from a copy made before.
  static void echo(testDispatchC& self, argsT& args, resultT& result) {
    self.echoedText = args.argAt(static_cast<int>(args.count) - 1).getString();
    const std::string text = self.echoedText;
    for (uint32_t i = 0; i < args.count; ++i) args.setArg(i, proxyAutoTypeCastC(I(9)));
    result.setString(text.c_str());
  }
  static void getValue(testDispatchC& self, argsT&, resultT& result) {
    ++self.valueReads;
    result.setInt(self.value);
  }
  static void putValue(testDispatchC& self, argsT& args, resultT&) { self.value = args.getArg(0).getInt(); }
  static void getChild(testDispatchC& self, argsT&, resultT& result) { result.setObject(self.child); }
  static void defaultMember(testDispatchC& self, argsT&, resultT& result) {
    if (self.defaultTarget == nullptr) throwTypeCastError();
    result.setObject(self.defaultTarget);
  }
};

const char* const kFailed = "Object call failed";

struct callRowS {
  const char *label, *name;
  uint32_t kind;
  std::vector<zkVariantS> args;
  std::string expected;               // success: variantText(result); failure: the error's context
  const char* description = nullptr;  // failure: the error's description
  zkIUnknown* inner = nullptr;        // failure: the error's inner error
};

class ProxyDispatch : public ::testing::Test {
 protected:
  void SetUp() override { testObjectsDestroyed = 0; }
  void TearDown() override {
    EXPECT_EQ(1u, object->currentRefCount());
    object->Release();
    EXPECT_EQ(1, testObjectsDestroyed);
  }

  // Runs the rows in order on one object; every result starts as integer 77.
  void run(const std::vector<callRowS>& rows) {
    for (const callRowS& row : rows) {
      SCOPED_TRACE(row.label);
      zkVariantS result = I(77);
      zkIUnknown* error = nullptr;
      const uint32_t status = object->Invoke(row.name, row.kind, static_cast<uint32_t>(row.args.size()),
                                             row.args.empty() ? nullptr : row.args.data(), &result, &error);
      if (row.description == nullptr) {
        EXPECT_EQ(0u, status);
        EXPECT_EQ(nullptr, error);
        EXPECT_EQ(row.expected, variantText(result));
        continue;
      }
      EXPECT_EQ(1u, status);
      EXPECT_EQ("<zkVarInt 77>", variantText(result)) << "the result is untouched on failure";
      zkInterfacePtrT<zkIComException> exception;
      ASSERT_EQ(0u, exception.query(error, zkIID_IException));
      error->Release();
      zkVariantS text;
      EXPECT_EQ(0u, exception->GetContext(&text));
      EXPECT_EQ(row.expected, variantText(text));
      EXPECT_EQ(0u, exception->GetDescription(&text));
      EXPECT_EQ(row.description, variantText(text));
      zkInterfacePtrT<zkIUnknown> inner;
      EXPECT_EQ(0u, exception->GetInnerError(inner.out()));
      EXPECT_EQ(row.inner, inner.get());
    }
  }

  testDispatchC* object = new testDispatchC;
};

TEST_F(ProxyDispatch, RowsOverloadsNamesAndProperties) {
  run({
      {"the later appended table is searched first", "Order", kindMethod, {}, "second"},
      {"three texts fit the first row", "Convert", kindMethod, {S("a"), S("b"), S("c")}, "three:abc"},
      {"a number rejects the first row", "Convert", kindMethod, {S("a"), I(5), S("c")}, "any:3"},
      {"two arguments reach only the any-count row", "Convert", kindMethod, {S("a"), S("b")}, "any:2"},
      {"no arguments", "Convert", kindMethod, {}, "any:0"},
      {"lower case", "convert", kindMethod, {I(1)}, "any:1"},
      {"kind 0xFFFFFFFF matches every row kind", "Sum", kindAny, {I(1), I(2)}, "<zkVarInt 3>"},
      {"property put", "value", kindPropertyPut, {I(41)}, "<zkVarEmpty>"},
      {"property get", "VALUE", kindPropertyGet, {}, "<zkVarInt 41>"},
  });
}

TEST_F(ProxyDispatch, FailuresNameTheMemberAndTheArgumentReadLast) {
  fakeUnknownC inner;
  object->comError = &inner;
  run({
      {"first argument does not convert", "Sum", kindMethod, {S("1"), I(2)}, "methode:Sum(Para:1)", kFailed},
      {"second argument does not convert", "Sum", kindMethod, {I(1), S("2")}, "methode:Sum(Para:2)", kFailed},
      {"no row with that count, nothing read", "Sum", kindMethod, {I(1)}, "methode:Sum", kFailed},
      {"unknown member", "Nope", kindMethod, {}, "methode:Nope", kFailed},
      {"null name", nullptr, kindPropertyGet, {}, "methode:", kFailed},
      {"property put rejects a text", "Value", kindPropertyPut, {S("42")}, "methode:Value(Para:1)", kFailed},
      {"execute error: its description, no (Para:)",
       "Exec",
       kindMethod,
       {S("went wrong")},
       "methode:Exec",
       "went wrong"},
      {"execute error: its context", "Exec", kindMethod, {S(""), S("my context")}, "my context", kFailed},
      {"error object thrown", "ExecCom", kindMethod, {}, "methode:ExecCom", kFailed, &inner},
      {"any other exception", "Boom", kindMethod, {}, "methode:Boom", "unhandle exception"},
      {"method call on a plain property runs it, then fails", "Value", kindMethod, {}, "methode:Value", kFailed},
      {"the same with arguments", "Value", kindMethod, {I(1), I(2)}, "methode:Value", kFailed},
  });
  EXPECT_EQ(0, object->value);
  EXPECT_EQ(2, object->valueReads) << "the property handler ran once per call";
  EXPECT_TRUE(balanced(inner));
}

TEST_F(ProxyDispatch, NullResultAndNullErrorSlot) {
  const zkVariantS args[] = {I(1), I(2)};
  EXPECT_EQ(0u, object->Invoke("Sum", kindMethod, 2, args, nullptr, nullptr));
  zkVariantS result = I(5);
  EXPECT_EQ(1u, object->Invoke("Nope", kindMethod, 0, nullptr, &result, nullptr));
  EXPECT_EQ(5, result.value.intValue);
  zkIUnknown* error = nullptr;
  EXPECT_EQ(1u, object->Invoke("Sum", kindMethod, 2, nullptr, &result, &error)) << "arguments announced but missing";
  if (error != nullptr) error->Release();
}

// Announced arguments that are missing, too many or nested too deep fail the
// call before a handler runs, and before a list is allocated for them.
TEST_F(ProxyDispatch, HostileArgumentsFailCleanly) {
  const uint64_t peakBefore = modulePool().peakOsBytes;
  const zkVariantS one[] = {I(1)};
  zkVariantS deep[] = {nestedArray(variantArrayNestingLimit + 1)};
  zkVariantS result = I(77);
  EXPECT_EQ(1u, object->Invoke("Convert", kindMethod, 50000000, nullptr, &result, nullptr));
  EXPECT_EQ(1u, object->Invoke("Convert", kindMethod, proxyInvokeArgumentLimit + 1, one, &result, nullptr))
      << "more arguments than any call carries; reading them would overrun `one`";
  EXPECT_EQ(peakBefore, modulePool().peakOsBytes) << "no list was allocated for the announced arguments";
  EXPECT_EQ(1u, object->Invoke("Convert", kindMethod, 1, deep, &result, nullptr));
  EXPECT_EQ(77, result.value.intValue);
  deep[0] = nestedArray(variantArrayNestingLimit);
  EXPECT_EQ(0u, object->Invoke("Convert", kindMethod, 1, deep, &result, nullptr));
  EXPECT_EQ("any:1", variantText(result));
}

// A thread ended while a handler runs (POSIX: cancellation unwinds its stack
// through Invoke's catch-all) ends; it neither returns from Invoke nor aborts
// the process.
TEST_F(ProxyDispatch, AThreadEndedInsideAHandlerEnds) {
  sleeperEntered = false;
  threadC sleeper;
  ASSERT_TRUE(sleeper.start(
      [](void* target) -> uint32_t {
        static_cast<testDispatchC*>(target)->Invoke("Sleep", kindMethod, 0, nullptr, nullptr, nullptr);
        return 7;
      },
      object));
  while (!sleeperEntered) std::this_thread::yield();
  ASSERT_TRUE(sleeper.terminate());
  uint64_t exitCode = 99;
  ASSERT_TRUE(sleeper.join(&exitCode));
  EXPECT_EQ(0u, exitCode);
}

// Text arguments are read where the caller keeps them, and the call frees
// nothing of the caller's: not with the list, not when a handler replaces
// its arguments, not when the result lands on an argument. Beyond the first 64 arguments texts are
// copies, freed with the list.
TEST_F(ProxyDispatch, TextArgumentsAreReadWhereTheyStand) {
  const std::string tail(100, 'x');
  const zkVariantS warmUp[] = {S("a")};  // a thread's first call makes its per-thread slot
  ASSERT_EQ(0u, object->Invoke("Echo", kindMethod, 1, warmUp, nullptr, nullptr));
  for (const size_t count : {size_t{1}, size_t{3}, size_t{70}}) {
    SCOPED_TRACE(std::to_string(count) + " arguments");
    const uint64_t outstanding = modulePool().outstanding;
    {
      std::vector<zkVariantS> args;
      for (size_t i = 0; i + 1 < count; ++i) args.push_back(i % 2 ? I(static_cast<int32_t>(i)) : S("early"));
      args.push_back(S(tail.c_str()));
      const char* lastText = nullptr;
      args.back().getString(&lastText);
      zkVariantS result = I(77);
      ASSERT_EQ(0u, object->Invoke("Echo", kindMethod, static_cast<uint32_t>(count), args.data(), &result, nullptr));
      EXPECT_EQ(count <= 64, object->echoedText == lastText) << "read in place exactly when lent";
      EXPECT_EQ(tail, variantText(result));
      EXPECT_EQ(tail, variantText(args.back())) << "the caller's text outlives the call";
      ASSERT_EQ(0u, object->Invoke("Convert", kindMethod, static_cast<uint32_t>(count), args.data(), &result, nullptr));
      EXPECT_EQ(tail, variantText(args.back())) << "the caller's text outlives a list that still shows it";
      ASSERT_EQ(0u,
                object->Invoke("Echo", kindMethod, static_cast<uint32_t>(count), args.data(), &args.back(), nullptr));
      EXPECT_EQ(tail, variantText(args.back())) << "the result replaced the argument it came from";
    }
    EXPECT_EQ(outstanding, modulePool().outstanding) << "every block of the calls is back";
  }
}

TEST_F(ProxyDispatch, FallbacksForwardToObjects) {
  fakeDispatchC target, child;  // yielded by the default member and by the property "Child"
  target.answerAnyCall = target.echo = child.echo = true;
  object->defaultTarget = &target;
  object->child = &child;
  run({
      {"property get through the default member", "Other", kindPropertyGet, {}, "Other/2/"},
      {"property put through the default member", "Other", kindPropertyPut, {I(3)}, "Other/4/<zkVarInt 3>"},
      {"method call through the default member", "Whatever", kindMethod, {S("p")}, "Whatever/1/p"},
      {"method call on a property: its object's default member", "child", kindMethod, {S("x")}, "<null>/1/x"},
  });
  target.answerAnyCall = false;
  run({
      {"a refused forward fails the call", "Other", kindPropertyGet, {}, "methode:Other", kFailed},
      {"forwarding reads every argument, so the last one is named",
       "Whatever",
       kindMethod,
       {S("p"), I(1)},
       "methode:Whatever(Para:2)",
       kFailed},
  });
  object->defaultTarget = static_cast<zkIDispatch*>(object);
  run({{"a forwarding cycle fails instead of recursing forever",
        "Other",
        kindPropertyGet,
        {},
        "methode:Other",
        kFailed}});
  object->defaultTarget = object->child = nullptr;
  EXPECT_TRUE(balanced(target));
  EXPECT_TRUE(balanced(child));
}

}  // namespace
