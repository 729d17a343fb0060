// The module file end to end, loaded, bound, used, unbound and unloaded as a host does it.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "abi/charset_interfaces.h"
#include "abi/interface_ptr.h"
#include "abi/mem_man_object.h"
#include "base/str.h"
#include "host/component_module.h"
#include "host/reference_engine.h"
#include "memory/module_heap.h"
#include "platform/module_file.h"
#include "platform/module_loader.h"
#include "runtime/variant.h"
#include "tests/support/environment_scope.h"
#include "tests/support/member_listing.h"
#include "tests/support/table_slots.h"

namespace {

using logT = std::vector<std::string>;

std::string moduleFile() { return std::string("./") + ZK_TEST_MODULE_FILE; }

// A text variant's text; any other as "<tag>".
std::string textOf(const zkVariantS& value) {
  const char* text = nullptr;
  return value.getString(&text) == 0 ? text : "<" + std::string(zkVariantTagName(value.type)) + ">";
}

// An engine that logs every call the module makes on it; it is its own registry.
class recordingEngineC final : public zkIComEngineFactory {
 public:
  uint32_t QueryInterface(const zkIIDS* id, void** out) override {
    log.push_back(std::string("QueryInterface ") + id->name);
    if (!id->equal(zkIID_IEngineFactory)) return 1;
    *out = static_cast<zkIComEngineFactory*>(this);
    ++refCount;
    return 0;
  }
  uint32_t AddRef() override {
    log.push_back("AddRef");
    return ++refCount;
  }
  uint32_t Release() override {
    log.push_back("Release");
    return --refCount;
  }
  uint32_t RegisterFactory(const zkIIDS* id, zkIUnknown* factory, uint32_t flags, uint32_t* cookie) override {
    log.push_back(std::string("RegisterFactory ") + id->name + " flags " + std::to_string(flags));
    (registered = factory)->AddRef();
    *cookie = 77;
    return 0;
  }
  uint32_t RevokeFactory(uint32_t cookie) override {
    log.push_back("RevokeFactory " + std::to_string(cookie));
    if (registered != nullptr) registered->Release();
    registered = nullptr;
    return 0;
  }

  logT log;
  int refCount = 0;
  zkIUnknown* registered = nullptr;  // one reference held
};

class ModuleBinding : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(module.load(moduleFile())) << module.error(); }

  // The host's order: terminate, drop the module's factories, unload.
  void TearDown() override {
    module.terminateAll();
    engine.releaseFactories();
    module.unload();
  }

  // Invokes a method with text arguments; the result as text, or "failed".
  static std::string call(zkIDispatch* object, const char* name, std::vector<std::string> texts, zkVariantS* result) {
    std::vector<zkVariantS> arguments(texts.size());
    for (size_t i = 0; i < texts.size(); ++i) arguments[i].setString(texts[i].c_str());
    const uint32_t status =
        object->Invoke(name, kindMethod, static_cast<uint32_t>(texts.size()), arguments.data(), result, nullptr);
    return status == 0 ? textOf(*result) : "failed";
  }

  referenceEngineC engine;
  recordingEngineC recorder;
  componentModuleC module;
};

TEST_F(ModuleBinding, TwoBindingsKeepOneEngineReferenceAndARegistryIsOptional) {
  ASSERT_TRUE(module.initialise(&engine));
  ASSERT_TRUE(module.initialise(&engine));
  EXPECT_EQ(1u, engine.referenceCount());
  EXPECT_EQ(2u, engine.registeredFactoryCount());
  ASSERT_TRUE(module.terminate());
  EXPECT_EQ(1u, engine.referenceCount()) << "the first termination keeps the engine";
  ASSERT_TRUE(module.terminate());
  EXPECT_EQ(0u, engine.referenceCount());
  const referenceEngineC::callRecordS calls = engine.calls();
  ASSERT_EQ(2u, calls.registered.size());
  // Each termination revokes the cookie stored at that moment: the second.
  EXPECT_EQ((std::vector<uint32_t>{calls.registered[1], calls.registered[1]}), calls.revoked);
  EXPECT_EQ(1u, engine.registeredFactoryCount()) << "the first factory was never revoked";
  // An engine without a factory registry is still bound and released.
  engine.setAnswersEngineFactory(false);
  ASSERT_TRUE(module.initialise(&engine));
  EXPECT_EQ(1u, engine.referenceCount());
  ASSERT_TRUE(module.terminate());
  EXPECT_EQ(0u, engine.referenceCount());
  EXPECT_EQ(2u, engine.calls().registerCalls);
  EXPECT_EQ(calls.revoked, engine.calls().revoked);
}

// Each round loads, binds, uses the component through Invoke, unbinds and unloads. At unload
// the module writes its trace file, which holds the entry points' frames.
TEST_F(ModuleBinding, LoadUseUnloadAndLoadAgain) {
  namespace fs = std::filesystem;
  const fs::path directory = fs::absolute("zkct-module-test");
  fs::remove_all(directory);
  fs::create_directories(directory);
  // "temp" is the first place the trace directory is looked up.
  environmentScopeC environment;
  environment.set("temp", directory.string() + "/");
  environment.set("ZKCODETRACK", "1");
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    ASSERT_TRUE(round == 0 || module.load(moduleFile())) << module.error();
    ASSERT_TRUE(module.initialise(&engine));
    {
      zkInterfacePtrT<zkIUnknown> object, error;
      zkInterfacePtrT<zkIDispatch> component;
      ASSERT_EQ(0u, engine.createObject("rozorevo.charsetconvert", round == 0, object.out()));
      ASSERT_EQ(0u, component.query(object.get(), zkIID_IDispatch));
      zkVariantS opened, result, arguments[3], failed, context, description;
      EXPECT_EQ("a &lt; &#x20ac;", call(component.get(), "Convert", {"UTF-8", "HTML", "a < \xe2\x82\xac"}, &result));
      call(component.get(), "openConverter", {"UTF-8", "UTF-16"}, &opened);
      ASSERT_EQ(zkVarObject, opened.type) << zkVariantTagName(opened.type);
      zkInterfacePtrT<zkIDispatch> converter;
      ASSERT_EQ(0u, converter.query(opened.value.objectValue, zkIID_IDispatch));
      // Texts end at the first zero byte; only the state's first call has a mark.
      EXPECT_EQ("\xfe\xff", call(converter.get(), "ConvertString", {"a"}, &result));
      EXPECT_EQ("", call(converter.get(), "ConvertString", {"a"}, &result));
      EXPECT_EQ("<zkVarInt>", call(converter.get(), "Reset", {}, &result));
      EXPECT_EQ(0, result.value.intValue);
      EXPECT_EQ("\xfe\xff", call(converter.get(), "ConvertString", {"a"}, &result));
      for (zkVariantS& argument : arguments) argument.setInt(7);
      ASSERT_EQ(1u, component->Invoke("Convert", kindMethod, 3, arguments, &failed, error.out()));
      zkInterfacePtrT<zkIComException> exception;
      ASSERT_EQ(0u, exception.query(error.get(), zkIID_IException));
      exception->GetContext(&context);
      exception->GetDescription(&description);
      EXPECT_EQ("methode:Convert(Para:3)", textOf(context)) << "the third argument is read first";
      EXPECT_EQ("Object call failed", textOf(description));
      EXPECT_EQ(zkVarEmpty, failed.type) << "a failed call leaves the result alone";
    }
    ASSERT_TRUE(module.unload());  // terminates first; the one factory is revoked then
    EXPECT_EQ(0u, engine.referenceCount());
  }
  const std::vector<fs::path> traces{fs::directory_iterator(directory), fs::directory_iterator()};
  ASSERT_EQ(1u, traces.size()) << "one trace file, written when the module unloaded";
  const std::string name = traces[0].filename().string();
  const std::string suffix = std::string(".") + ZK_TEST_MODULE_FILE + ".txt";
  EXPECT_TRUE(name.rfind("codetrack.", 0) == 0 && name.size() > suffix.size() &&
              name.rfind(suffix) == name.size() - suffix.size())
      << name;
  std::stringstream content;
  content << std::ifstream(traces[0], std::ios::binary).rdbuf();
  const std::string text = content.str();
  size_t from = 0;  // the four frame records, in the order they were made
  for (const char* marker :
       {"zkcomremote;141;Frame Enter(raVodInitRemote)", "zkcomremote;141;Frame Leave(raVodInitRemote)",
        "zkcomremote;100;Frame Enter(raVodTerminate)", "zkcomremote;100;Frame Leave(raVodTerminate)"}) {
    const size_t at = text.find(marker, from);
    ASSERT_NE(std::string::npos, at) << marker << " after byte " << from << " of\n" << text;
    from = at + 1;
  }
  fs::remove_all(directory);
}

// A text the module hands out is a str of the module's: the deleting
// destructor in slot 2 of its table is the module's code, so clearing the
// variant gives the str back to the module's heap and leaves the host's alone.
TEST_F(ModuleBinding, HandedOutTextIsFreedThroughTheModulesSlot) {
  ASSERT_TRUE(module.initialise(&engine));
  zkInterfacePtrT<zkIUnknown> object;
  zkInterfacePtrT<zkIDispatch> component;
  ASSERT_EQ(0u, engine.createObject("rozorevo.charsetconvert", true, object.out()));
  ASSERT_EQ(0u, component.query(object.get(), zkIID_IDispatch));
  zkVariantS result;
  ASSERT_EQ("a", call(component.get(), "Convert", {"UTF-8", "ASCII", "a"}, &result));
  const zkIMemManObject* text = result.value.stringValue;
  ASSERT_EQ(1, slotIndexOf(&zkIMemManObject::deletingDestructor));
  char file[1024] = "";
  describeModuleAt(slotAddress(text, 1), true, file, sizeof file);
  EXPECT_STREQ(ZK_TEST_MODULE_FILE, file);
  const std::uint64_t hostBlocks = modulePool().outstanding;
  result.clear();
  EXPECT_EQ(hostBlocks, modulePool().outstanding);
}

// A fresh load, then many host threads making their first calls at once: the
// first construction of each class fills its method table while the other
// threads already look members up in it. Every call must find its member and
// give its result. Each round loads the module afresh and lets the threads
// create their components through the registered factory at the same moment.
TEST_F(ModuleBinding, ConcurrentFirstCallsAfterAFreshLoad) {
  constexpr int kRounds = 8, kThreads = 16;
  for (int round = 0; round < kRounds; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    ASSERT_TRUE(round == 0 || module.load(moduleFile())) << module.error();
    ASSERT_TRUE(module.initialise(&recorder));
    zkInterfacePtrT<zkIComClassFactory> factory;
    ASSERT_EQ(0u, factory.query(recorder.registered, zkIID_IClassFactory));
    std::atomic<int> waiting{kThreads}, failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
      threads.emplace_back([&] {
        zkIIDS name = {0, "rozorevo.charsetconvert"};
        waiting.fetch_sub(1);
        while (waiting.load() > 0) std::this_thread::yield();
        zkInterfacePtrT<zkIUnknown> object;
        zkInterfacePtrT<zkIDispatch> component, converter;
        zkVariantS result, opened;
        if (factory->CreateInstance(&name, object.out()) != 0 || component.query(object.get(), zkIID_IDispatch) != 0) {
          ++failures;
          return;
        }
        if (call(component.get(), "Convert", {"UTF-8", "UTF-7", "\xC3\xA9"}, &result) != "+AOk-") ++failures;
        if (call(component.get(), "Convert", {"UTF-8", "HTML", "<\xC3\xA9"}, &result) != "&lt;&eacute;") ++failures;
        if (call(component.get(), "openConverter", {"UTF-8", "ISO-8859-1"}, &opened) == "failed" ||
            opened.type != zkVarObject || converter.query(opened.value.objectValue, zkIID_IDispatch) != 0 ||
            call(converter.get(), "ConvertString", {"\xC3\xA9"}, &result) != "\xE9") {
          ++failures;
        }
      });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(0, failures.load());
    factory.reset();
    ASSERT_TRUE(module.unload());
  }
}

// The two entry points called directly, without the host's bookkeeping.
TEST_F(ModuleBinding, UnmatchedTerminationsAndANullEngineDoNothing) {
  loadedModuleS* loaded = moduleOpen(moduleFile().c_str());
  auto init = reinterpret_cast<raVodInitRemoteEngineF>(moduleSymbol(loaded, kInitRemoteEngineName));
  auto term = reinterpret_cast<raVodTerminateRemoteEngineF>(moduleSymbol(loaded, kTerminateRemoteEngineName));
  ASSERT_TRUE(init != nullptr && term != nullptr) << "the module file and its entry points";
  // 't' terminates, 'e' initialises with the engine, '0' without one; then the engine's references.
  // A first initialisation without an engine counts: the second one's engine is not kept (had the
  // unmatched terminations wrapped the count, it would be).
  const struct {
    char call;
    uint32_t references;
  } steps[] = {{'t', 0}, {'t', 0}, {'0', 0}, {'e', 0}, {'t', 0}, {'t', 0}, {'e', 1}, {'t', 0}, {'t', 0}};
  for (size_t i = 0; i < sizeof steps / sizeof steps[0]; ++i) {
    SCOPED_TRACE("step " + std::to_string(i) + ": " + steps[i].call);
    EXPECT_EQ(0u, steps[i].call == 't' ? term() : init(steps[i].call == 'e' ? &engine : nullptr));
    EXPECT_EQ(steps[i].references, engine.referenceCount());
  }
  EXPECT_EQ((std::vector<uint32_t>{1}), engine.calls().revoked) << "no engine, nothing revoked";
  EXPECT_TRUE(moduleClose(loaded));
}

TEST_F(ModuleBinding, CallsOnTheEngineInOrderAndTheRegisteredFactory) {
  ASSERT_TRUE(module.initialise(&recorder));
  // The module's own reference, then one that lasts until the registration.
  EXPECT_EQ((logT{"AddRef", "AddRef", "QueryInterface ZKCOMENGFACT", "RegisterFactory ZKIIDCLSFAC flags 1", "Release",
                  "Release"}),
            recorder.log);
  EXPECT_EQ(1, recorder.refCount);
  // The registered factory creates the component; counted names match exactly.
  zkInterfacePtrT<zkIComClassFactory> factory;
  ASSERT_EQ(0u, factory.query(recorder.registered, zkIID_IClassFactory));
  const struct {
    const char* name;
    bool counted, created;
  } cases[] = {
      {"rozorevo.charsetconvert", true, true},  {"rozorevo.charsetconvert", false, true},
      {"ROZOREVO.CHARSETCONVERT", false, true}, {"ROZOREVO.CHARSETCONVERT", true, false},
      {"rozorevo.charsetconver", true, false},  {"rozorevo.charsetconvert2", false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.name) + (c.counted ? " (counted)" : " (uncounted)"));
    zkIIDS id = {c.counted ? static_cast<uint32_t>(std::strlen(c.name)) : 0u, {}};
    std::strncpy(id.name, c.name, sizeof id.name - 1);
    zkIUnknown* object = factory.get();
    EXPECT_EQ(c.created ? 0u : 1u, factory->CreateInstance(&id, &object));
    EXPECT_EQ(c.created, object != factory.get()) << "a refused name leaves the out slot alone";
    if (c.created && object != nullptr) object->Release();
  }
  recorder.log.clear();
  ASSERT_TRUE(module.terminate());
  EXPECT_EQ((logT{"AddRef", "QueryInterface ZKCOMENGFACT", "RevokeFactory 77", "Release", "Release", "Release"}),
            recorder.log);
  EXPECT_EQ(0, recorder.refCount);
}

// A host lists the members of the component and of a converter through the module file, and
// every reference it took comes back.
TEST_F(ModuleBinding, MembersThroughTypeInformation) {
  ASSERT_TRUE(module.initialise(&engine));
  zkInterfacePtrT<zkIUnknown> component;
  ASSERT_EQ(0u, engine.createObject("rozorevo.charsetconvert", true, component.out()));
  const auto references = [&component] {
    component->AddRef();
    return component->Release();
  };
  const uint32_t before = references();
  zkInterfacePtrT<zkIComTypeInfo> info;
  ASSERT_EQ(0u, info.query(component.get(), zkIID_ITypeInfo));
  zkInterfacePtrT<zkIComObjectCollection> members;
  ASSERT_EQ(0u, info->GetMembers(kindMethod | kindPropertyGet | kindPropertyPut, members.out()));
  EXPECT_EQ(before + 1 + 5, references()) << "the type information and each description hold one";
  EXPECT_EQ((std::vector<std::string>{"property AvailableCharsets read-only", "method Convert 3+0",
                                      "property LocaleCharset read-only", "method isValidCharset 1+0",
                                      "method openConverter 2+0"}),
            membertest::describeAll(members.get()));

  zkInterfacePtrT<ICharsetFactory> factory;
  zkInterfacePtrT<zkIUnknown> converter;
  ASSERT_EQ(0u, factory.query(component.get(), zkIID_ICharsetFactory));
  ASSERT_EQ(0u, factory->openConverter("UTF-8", "UTF-16", converter.out()));
  EXPECT_EQ((std::vector<std::string>{"method ConvertString 1+0", "method Reset 0+0"}),
            membertest::listMembers(converter.get(), kindMethod));
  converter.reset();
  factory.reset();
  members.reset();
  info.reset();
  EXPECT_EQ(before, references());
}

}  // namespace
