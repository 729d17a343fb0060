// The module file end to end: loaded through the reference host, bound to a
// recording engine, its component created by class name and called by
// member name, then unbound and unloaded.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "charset/charset_interfaces.h"
#include "host/component_module.h"
#include "host/reference_engine.h"
#include "platform/module_loader.h"
#include "runtime/interface_ptr.h"
#include "runtime/variant.h"

namespace {

const char kClassName[] = "rozorevo.charsetconvert";

std::string moduleFile() { return std::string("./") + ZK_TEST_MODULE_FILE; }

std::string textOf(const zkVariantS& value) {
  const char* text = nullptr;
  return value.getString(&text) == 0 ? std::string(text) : std::string("<") + zkVariantTagName(value.type) + ">";
}

class ModuleBinding : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(module.load(moduleFile())) << module.error(); }

  // The host's order: terminate, drop the module's factories, unload.
  void TearDown() override {
    module.terminateAll();
    engine.releaseFactories();
    module.unload();
  }

  // Creates the component by class name; empty when the engine refuses.
  zkInterfacePtrT<zkIDispatch> createComponent(const char* name = kClassName, bool counted = true) {
    zkInterfacePtrT<zkIDispatch> component;
    zkIUnknown* object = nullptr;
    if (engine.createObject(name, counted, &object) == 0) {
      component.query(object, zkIID_IDispatch);
      object->Release();
    }
    return component;
  }

  // Invokes a method with text arguments; answers the status.
  static uint32_t call(zkIDispatch* object, const char* name, std::vector<std::string> texts,
                       zkVariantS* result, zkIUnknown** error = nullptr) {
    std::vector<zkVariantS> arguments(texts.size());
    for (size_t i = 0; i < texts.size(); ++i) arguments[i].setString(texts[i].c_str());
    return object->Invoke(name, kindMethod, static_cast<uint32_t>(arguments.size()),
                          arguments.data(), result, error);
  }

  referenceEngineC engine;
  componentModuleC module;
};

TEST_F(ModuleBinding, OneBindingRegistersAndRevokesOneFactory) {
  ASSERT_TRUE(module.initialise(&engine));
  EXPECT_EQ(1u, engine.referenceCount()) << "the module keeps one engine reference";
  EXPECT_EQ(1u, engine.registeredFactoryCount());
  {
    zkInterfacePtrT<zkIDispatch> component = createComponent();
    ASSERT_TRUE(component);
    zkVariantS result;
    ASSERT_EQ(0u, call(component.get(), "Convert", {"ISO-8859-1", "UTF-8", "caf\xe9"}, &result));
    EXPECT_EQ("caf\xc3\xa9", textOf(result));
  }
  ASSERT_TRUE(module.terminate());
  const referenceEngineC::callRecordS calls = engine.calls();
  ASSERT_EQ(1u, calls.registered.size());
  EXPECT_EQ(1u, calls.registerFlags);
  EXPECT_EQ(calls.registered, calls.revoked) << "the registered cookie is the one revoked";
  EXPECT_EQ(0u, engine.registeredFactoryCount());
  EXPECT_EQ(0u, engine.referenceCount()) << "every engine reference is given back";
}

TEST_F(ModuleBinding, TwoBindingsKeepOneEngineReference) {
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
}

TEST_F(ModuleBinding, EngineWithoutFactoryRegistryStillBinds) {
  engine.setAnswersEngineFactory(false);
  ASSERT_TRUE(module.initialise(&engine));
  EXPECT_EQ(0u, engine.calls().registerCalls);
  EXPECT_EQ(1u, engine.referenceCount());
  ASSERT_TRUE(module.terminate());
  EXPECT_EQ(0u, engine.referenceCount());
  EXPECT_TRUE(engine.calls().revoked.empty());
}

TEST_F(ModuleBinding, ClassNameComparison) {
  struct caseS {
    const char* name;
    bool counted;
    bool created;
  };
  const caseS cases[] = {
      {"rozorevo.charsetconvert", true, true},
      {"rozorevo.charsetconvert", false, true},
      {"ROZOREVO.CHARSETCONVERT", false, true},   // uncounted: letter case ignored
      {"ROZOREVO.CHARSETCONVERT", true, false},   // counted: byte for byte
      {"rozorevo.charsetconver", true, false},
      {"rozorevo.charsetconvert2", false, false},
  };
  ASSERT_TRUE(module.initialise(&engine));
  for (const caseS& c : cases) {
    SCOPED_TRACE(std::string(c.name) + (c.counted ? " (counted)" : " (uncounted)"));
    EXPECT_EQ(c.created, static_cast<bool>(createComponent(c.name, c.counted)));
  }
}

TEST_F(ModuleBinding, ConverterThroughInvoke) {
  ASSERT_TRUE(module.initialise(&engine));
  zkInterfacePtrT<zkIDispatch> component = createComponent();
  ASSERT_TRUE(component);
  zkVariantS opened;
  ASSERT_EQ(0u, call(component.get(), "openConverter", {"UTF-8", "UTF-16"}, &opened));
  ASSERT_EQ(zkVarObject, opened.type) << zkVariantTagName(opened.type);
  zkInterfacePtrT<zkIDispatch> converter;
  ASSERT_EQ(0u, converter.query(opened.value.objectValue, zkIID_IDispatch));

  // The text result ends at the first zero byte: the mark FE FF, then 00.
  zkVariantS first;
  ASSERT_EQ(0u, call(converter.get(), "ConvertString", {"a"}, &first));
  EXPECT_EQ("\xfe\xff", textOf(first));
  // The state persists: no second mark, so the text starts with 00 and is empty.
  zkVariantS second;
  ASSERT_EQ(0u, call(converter.get(), "ConvertString", {"a"}, &second));
  EXPECT_EQ("", textOf(second));
  zkVariantS reset;
  ASSERT_EQ(0u, call(converter.get(), "Reset", {}, &reset));
  ASSERT_EQ(zkVarInt, reset.type);
  EXPECT_EQ(0, reset.value.intValue);
  zkVariantS third;
  ASSERT_EQ(0u, call(converter.get(), "ConvertString", {"a"}, &third));
  EXPECT_EQ("\xfe\xff", textOf(third)) << "Reset starts a new conversion state";
}

TEST_F(ModuleBinding, FailedCallHandsOutErrorObject) {
  ASSERT_TRUE(module.initialise(&engine));
  zkInterfacePtrT<zkIDispatch> component = createComponent();
  ASSERT_TRUE(component);
  zkVariantS arguments[3];
  for (zkVariantS& argument : arguments) argument.setInt(7);
  zkVariantS result;
  zkIUnknown* error = nullptr;
  ASSERT_EQ(1u, component->Invoke("Convert", kindMethod, 3, arguments, &result, &error));
  ASSERT_NE(nullptr, error);
  zkInterfacePtrT<zkIComException> exception;
  ASSERT_EQ(0u, exception.query(error, zkIID_IException));
  error->Release();
  zkVariantS context, description;
  ASSERT_EQ(0u, exception->GetContext(&context));
  ASSERT_EQ(0u, exception->GetDescription(&description));
  EXPECT_EQ("methode:Convert(Para:3)", textOf(context)) << "the third argument is read first";
  EXPECT_EQ("Object call failed", textOf(description));
  EXPECT_EQ(zkVarEmpty, result.type) << "a failed call leaves the result alone";
}

TEST_F(ModuleBinding, NativeFaceConvertsBuffersWithZeroBytes) {
  ASSERT_TRUE(module.initialise(&engine));
  zkIUnknown* object = nullptr;
  ASSERT_EQ(0u, engine.createObject(kClassName, true, &object));
  zkInterfacePtrT<ICharsetFactory> factory;
  ASSERT_EQ(0u, factory.query(object, zkIID_ICharsetFactory));
  object->Release();
  zkIUnknown* opened = nullptr;
  ASSERT_EQ(0u, factory->openConverter("ISO-8859-1", "UTF-16", &opened));
  zkInterfacePtrT<zkICharsetConverter> converter;
  converter.attach(static_cast<zkICharsetConverter*>(opened));
  char out[17] = {};
  uint32_t length = 16;
  ASSERT_EQ(0u, converter->ConvertBuffer("ab", 2, out, &length));
  EXPECT_EQ(std::string("\xfe\xff\x00\x61\x00\x62", 6), std::string(out, length));
}

// The module file with its two entry points, called directly rather than
// through the host's bookkeeping; closed at the end of the scope.
class rawModuleC {
 public:
  rawModuleC() : loaded(moduleOpen(moduleFile().c_str())) {
    init = reinterpret_cast<raVodInitRemoteEngineF>(moduleSymbol(loaded, kInitRemoteEngineName));
    term = reinterpret_cast<raVodTerminateRemoteEngineF>(moduleSymbol(loaded, kTerminateRemoteEngineName));
  }
  ~rawModuleC() { close(); }
  rawModuleC(const rawModuleC&) = delete;
  rawModuleC& operator=(const rawModuleC&) = delete;

  bool ready() const { return loaded != nullptr && init != nullptr && term != nullptr; }
  bool close() {
    loadedModuleS* module = loaded;
    loaded = nullptr;
    return moduleClose(module);
  }

  raVodInitRemoteEngineF init = nullptr;
  raVodTerminateRemoteEngineF term = nullptr;

 private:
  loadedModuleS* loaded;
};

TEST(ModuleEntryPoints, TerminationWithoutInitialisationDoesNothing) {
  rawModuleC module;
  ASSERT_TRUE(module.ready());
  const raVodInitRemoteEngineF init = module.init;
  const raVodTerminateRemoteEngineF term = module.term;
  referenceEngineC engine;
  EXPECT_EQ(0u, term());
  EXPECT_EQ(0u, term());
  // Had the count wrapped, this initialisation would not be the first one
  // and the engine would never be referenced.
  EXPECT_EQ(0u, init(&engine));
  EXPECT_EQ(1u, engine.referenceCount());
  EXPECT_EQ(0u, term());
  EXPECT_EQ(0u, engine.referenceCount());
  EXPECT_EQ(0u, term());
  EXPECT_EQ((std::vector<uint32_t>{1}), engine.calls().revoked) << "no engine, nothing revoked";
  EXPECT_TRUE(module.close());
}

TEST(ModuleEntryPoints, NullEngineCountsWithoutRegistering) {
  rawModuleC module;
  ASSERT_TRUE(module.ready());
  const raVodInitRemoteEngineF init = module.init;
  const raVodTerminateRemoteEngineF term = module.term;
  referenceEngineC engine;
  EXPECT_EQ(0u, init(nullptr));
  // Not the first initialisation any more: this engine is not stored.
  EXPECT_EQ(0u, init(&engine));
  EXPECT_EQ(0u, engine.referenceCount());
  EXPECT_EQ(0u, engine.calls().registerCalls);
  EXPECT_EQ(0u, term());
  EXPECT_EQ(0u, term());
  EXPECT_TRUE(module.close());
}

// An engine that writes down every call the module makes on it, in order.
// Its registry is the engine object itself, as with the reference engine.
class recordingEngineC final : public zkIComEngineFactory {
 public:
  uint32_t QueryInterface(const zkIIDS* id, void** out) override {
    log.push_back(std::string("QueryInterface ") + (id != nullptr ? id->name : "(null)"));
    if (out == nullptr || id == nullptr || !id->equal(zkIID_IEngineFactory)) return 1;
    ++refCount;
    *out = static_cast<zkIComEngineFactory*>(this);
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
  uint32_t RegisterFactory(const zkIIDS* interfaceId, zkIUnknown* factory, uint32_t flags,
                           uint32_t* cookie) override {
    log.push_back(std::string("RegisterFactory ") + interfaceId->name + " flags " +
                  std::to_string(flags));
    // The factory answers its two identifiers and nothing else.
    void* answer = &answer;
    EXPECT_EQ(1u, factory->QueryInterface(&zkIID_IDispatch, &answer));
    EXPECT_EQ(nullptr, answer);
    void* classFactory = nullptr;
    EXPECT_EQ(0u, factory->QueryInterface(&zkIID_IClassFactory, &classFactory));
    if (classFactory != nullptr) {
      // An unknown class name leaves the out slot alone.
      zkIUnknown* untouched = reinterpret_cast<zkIUnknown*>(this);
      const zkIIDS other = {0, "rozorevo.other"};
      auto* creator = static_cast<zkIComClassFactory*>(classFactory);
      EXPECT_EQ(1u, creator->CreateInstance(&other, &untouched));
      EXPECT_EQ(reinterpret_cast<zkIUnknown*>(this), untouched);
      creator->Release();
    }
    factory->AddRef();
    registered = factory;
    *cookie = 77;
    return 0;
  }
  uint32_t RevokeFactory(uint32_t cookie) override {
    log.push_back("RevokeFactory " + std::to_string(cookie));
    if (registered != nullptr) registered->Release();
    registered = nullptr;
    return 0;
  }

  std::vector<std::string> log;
  int refCount = 0;
  zkIUnknown* registered = nullptr;  // one reference held
};

TEST(ModuleEntryPoints, CallsOnTheEngineInOrder) {
  rawModuleC module;
  ASSERT_TRUE(module.ready());
  const raVodInitRemoteEngineF init = module.init;
  const raVodTerminateRemoteEngineF term = module.term;
  recordingEngineC engine;
  EXPECT_EQ(0u, init(&engine));
  // The module's own reference, then a temporary one that lasts until the
  // registration is done.
  EXPECT_EQ((std::vector<std::string>{"AddRef", "AddRef", "QueryInterface ZKCOMENGFACT",
                                      "RegisterFactory ZKIIDCLSFAC flags 1", "Release",
                                      "Release"}),
            engine.log);
  EXPECT_EQ(1, engine.refCount);
  engine.log.clear();
  EXPECT_EQ(0u, term());
  EXPECT_EQ((std::vector<std::string>{"AddRef", "QueryInterface ZKCOMENGFACT", "RevokeFactory 77",
                                      "Release", "Release", "Release"}),
            engine.log);
  EXPECT_EQ(0, engine.refCount);
  EXPECT_EQ(nullptr, engine.registered);
  EXPECT_TRUE(module.close());
}

TEST(ModuleLifecycle, LoadUseUnloadAndLoadAgain) {
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    referenceEngineC engine;
    componentModuleC module;
    ASSERT_TRUE(module.load(moduleFile())) << module.error();
    ASSERT_TRUE(module.initialise(&engine));
    zkIUnknown* object = nullptr;
    ASSERT_EQ(0u, engine.createObject(kClassName, false, &object));
    zkInterfacePtrT<zkIDispatch> component;
    ASSERT_EQ(0u, component.query(object, zkIID_IDispatch));
    object->Release();
    zkVariantS arguments[3];
    arguments[0].setString("UTF-8");
    arguments[1].setString("HTML");
    arguments[2].setString("a < \xe2\x82\xac");
    zkVariantS result;
    ASSERT_EQ(0u, component->Invoke("Convert", kindMethod, 3, arguments, &result, nullptr));
    EXPECT_EQ("a &lt; &#x20ac;", textOf(result));
    component.reset();
    result.clear();
    module.terminateAll();
    engine.releaseFactories();
    ASSERT_TRUE(module.unload());
    EXPECT_EQ(0u, engine.referenceCount());
  }
}

TEST(ModuleLifecycle, MissingFileIsReported) {
  componentModuleC module;
  EXPECT_FALSE(module.load("./no-such-module-file"));
  EXPECT_NE(std::string::npos, module.error().find("no-such-module-file")) << module.error();
}

}  // namespace
