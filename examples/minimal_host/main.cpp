// A minimal host for the zkcomiconvdll module: it loads the module file,
// binds it to an engine of its own, creates "rozorevo.charsetconvert", calls
// its "Convert" member by name and unloads it again.
//
//   minimal_host [MODULE-FILE]     (default: the installed module)
//
// It prints the text "caf\xc3\xa9 <b>" converted from UTF-8 to HTML and
// answers 0, or prints what failed and answers 1.
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "abi/engine_binding.h"
#include "abi/interfaces.h"
#include "abi/mem_man_object.h"
#include "abi/text_object.h"
#include "abi/variant.h"
#include "module_loader.h"

namespace {

// The engine the module binds to: an object answering "ZKIIDUNK" and
// "ZKCOMENGFACT", with a registry that keeps the one class factory the
// module registers. It lives on the host's stack, so its count only records.
class engineC final : public zkIComEngineFactory {
 public:
  uint32_t QueryInterface(const zkIIDS* id, void** out) override {
    if (!id->equal(zkIID_IUnknown) && !id->equal(zkIID_IEngineFactory)) {
      *out = nullptr;
      return 1;
    }
    AddRef();
    *out = static_cast<zkIComEngineFactory*>(this);
    return 0;
  }
  uint32_t AddRef() override { return ++references; }
  uint32_t Release() override { return --references; }

  uint32_t RegisterFactory(const zkIIDS*, zkIUnknown* factory, uint32_t, uint32_t* cookie) override {
    factory->AddRef();
    dropFactory();
    registered = factory;
    *cookie = 1;
    return 0;
  }
  uint32_t RevokeFactory(uint32_t) override {
    dropFactory();
    return 0;
  }

  // The registered factory as a class factory (one reference), or null.
  zkIComClassFactory* classFactory() {
    void* factory = nullptr;
    if (registered == nullptr || registered->QueryInterface(&zkIID_IClassFactory, &factory) != 0) return nullptr;
    return static_cast<zkIComClassFactory*>(static_cast<zkIUnknown*>(factory));
  }

  void dropFactory() {
    if (registered != nullptr) registered->Release();
    registered = nullptr;
  }

 private:
  zkIUnknown* registered = nullptr;
  uint32_t references = 0;
};

// An object of the memory-manager kind that nobody frees: the host's text
// arguments and their buffers live on its stack.
class hostObjectC : public zkIMemManObject {
 public:
  memManSystemC* getMemManager(bool) override { return nullptr; }
  void* deletingDestructor(uint32_t) override { return this; }
};

// A text argument in the layout of a string object (abi/text_object.h): the
// module reads and copies its characters.
class hostTextC final : public hostObjectC {
 public:
  explicit hostTextC(const char* text) : buffer(text) {}

 private:
  struct bufferC final : hostObjectC {
    explicit bufferC(const char* text) : data(const_cast<char*>(text)), size(std::strlen(text) + 1) {}
    char* data;
    uint64_t size;
  } buffer;
};
static_assert(sizeof(hostTextC) == sizeof(zkTextObjectRecordS), "a text argument has the string object's layout");

zkVariantRecordS textArgument(hostTextC& text) {
  zkVariantRecordS value{};
  value.value.stringValue = &text;
  value.type = zkVarString;
  return value;
}

int fail(const char* what) {
  std::fprintf(stderr, "minimal_host: %s\n", what);
  return 1;
}

// Creates the component, calls "Convert" and prints its text.
int convert(engineC& engine) {
  zkIComClassFactory* factory = engine.classFactory();
  if (factory == nullptr) return fail("the module registered no class factory");
  const zkIIDS className = {23, "rozorevo.charsetconvert"};
  zkIUnknown* component = nullptr;
  const uint32_t created = factory->CreateInstance(&className, &component);
  factory->Release();
  if (created != 0) return fail("the factory does not make rozorevo.charsetconvert");

  void* answer = nullptr;
  const uint32_t asked = component->QueryInterface(&zkIID_IDispatch, &answer);
  component->Release();
  if (asked != 0) return fail("the component cannot be called by name");
  zkIDispatch* dispatch = static_cast<zkIDispatch*>(static_cast<zkIUnknown*>(answer));

  hostTextC from("UTF-8");
  hostTextC to("HTML");
  hostTextC text("caf\xc3\xa9 <b>");
  const zkVariantRecordS arguments[3] = {textArgument(from), textArgument(to), textArgument(text)};
  zkVariantRecordS result{};
  const uint32_t called = dispatch->Invoke("Convert", kindMethod, 3, reinterpret_cast<const zkVariantS*>(arguments),
                                           reinterpret_cast<zkVariantS*>(&result), nullptr);
  dispatch->Release();
  if (called != 0 || result.type != zkVarString) return fail("Convert gave no text");
  std::printf("%s\n", zkTextOf(result.value.stringValue));
  // The text belongs to the host now; the module that made it frees it.
  static_cast<zkIMemManObject*>(result.value.stringValue)->deletingDestructor(deleteStorageFlag);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const char* path = argc > 1 ? argv[1] : ZK_MODULE_FILE;
  const char* error = "";
  void* module = loadModule(path, &error);
  if (module == nullptr) {
    std::fprintf(stderr, "minimal_host: cannot load %s: %s\n", path, error);
    return 1;
  }
  auto initialise = reinterpret_cast<raVodInitRemoteEngineF>(findExport(module, kInitRemoteEngineName));
  auto terminate = reinterpret_cast<raVodTerminateRemoteEngineF>(findExport(module, kTerminateRemoteEngineName));
  int status = 1;
  if (initialise == nullptr || terminate == nullptr) {
    status = fail("the file is no component module");
  } else {
    engineC engine;
    initialise(&engine);
    status = convert(engine);
    terminate();
    // The factory's code lives in the module: let it go before unloading.
    engine.dropFactory();
  }
  unloadModule(module);
  return status;
}
