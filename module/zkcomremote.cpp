// The module's exported entry points: the host engine binds the module with
// raVodInitRemoteEngine and unbinds it with raVodTerminateRemoteEngine.
//
// Initialisation counts the call, keeps a reference to the engine from the
// first call on and registers a class factory for "rozorevo.charsetconvert"
// with the engine's factory registry ("ZKCOMENGFACT"). Termination revokes
// the registration and, at the last call, runs the module hooks and releases
// the engine. Both answer 0 in every case: a registration that fails leaves
// the module initialised without a factory.
#include <atomic>
#include <cstdint>

#include "abi/engine_binding.h"
#include "abi/interface_ptr.h"
#include "diagnostics/code_track.h"
#include "module/charset_class_factory.h"
#include "module/module_globals.h"
#include "module/module_hook.h"
#include "platform/module_export.h"

namespace {

uint64_t initCount;       // initialisations not yet terminated; engine lock
zkIUnknown* boundEngine;  // one reference held while initCount > 0; engine lock
// The cookie of the latest registration. Written by initialisation and read
// by termination outside the engine lock, so it is atomic.
std::atomic<uint32_t> factoryCookie;

// The engine with a reference added for the caller, or an empty holder when
// none is bound.
zkInterfacePtrT<zkIUnknown> takeEngine() {
  lockGuardC guard(engineLock());
  return zkInterfacePtrT<zkIUnknown>(boundEngine);
}

// Registration and revocation hold a temporary engine reference and the
// registry until the registry call is done; the holders release the
// registry first, then the engine.
void registerClassFactory() {
  charsetClassFactoryC* factory = charsetClassFactoryC::create();
  if (factory == nullptr) return;
  factory->AddRef();
  zkInterfacePtrT<zkIUnknown> unknown;
  if (unknown.query(factory, zkIID_IUnknown) == 0) {
    const zkInterfacePtrT<zkIUnknown> engine = takeEngine();
    zkInterfacePtrT<zkIComEngineFactory> registry;
    if (registry.query(engine.get(), zkIID_IEngineFactory) == 0) {
      uint32_t cookie = 0;
      if (registry->RegisterFactory(&zkIID_IClassFactory, unknown.get(), 1, &cookie) == 0) {
        factoryCookie.store(cookie);
      }
    }
  }
  unknown.reset();
  factory->Release();
}

void revokeClassFactory() {
  const zkInterfacePtrT<zkIUnknown> engine = takeEngine();
  zkInterfacePtrT<zkIComEngineFactory> registry;
  if (registry.query(engine.get(), zkIID_IEngineFactory) == 0) {
    registry->RevokeFactory(factoryCookie.load());
  }
}

}  // namespace

ZK_MODULE_EXPORT uint32_t raVodInitRemoteEngine(zkIUnknown* engine) {
  {
    lockGuardC guard(engineLock());
    codeTrackFrameScopeC frame("zkcomremote", 141, "raVodInitRemote");
    if (initCount++ == 0) {
      // A host that hands over no engine still gets a counted
      // initialisation; there is just nothing to register with.
      if (engine != nullptr) engine->AddRef();
      boundEngine = engine;
      runFirstInitialisationHooks();
    }
  }
  registerClassFactory();
  return 0;
}

ZK_MODULE_EXPORT uint32_t raVodTerminateRemoteEngine() {
  revokeClassFactory();
  lockGuardC guard(engineLock());
  codeTrackFrameScopeC frame("zkcomremote", 100, "raVodTerminate");
  // A termination without a matching initialisation does nothing.
  if (initCount == 0) return 0;
  if (--initCount == 0) {
    runLastTerminationHooks();
    if (boundEngine != nullptr) boundEngine->Release();
    boundEngine = nullptr;
  }
  return 0;
}
