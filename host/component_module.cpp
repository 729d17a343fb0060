// Loading, binding and unloading a component module.
#include "host/component_module.h"

#include "platform/module_loader.h"

componentModuleC::~componentModuleC() {
  if (module != nullptr) unload();
}

bool componentModuleC::load(const std::string& path) {
  if (module != nullptr) {
    lastError = "a module is already loaded";
    return false;
  }
  loadedModuleS* loaded = moduleOpen(path.c_str());
  if (loaded == nullptr) {
    char reason[512];
    moduleLoadError(reason, sizeof reason);
    lastError = "cannot load module " + path + (reason[0] != '\0' ? ": " : "") + reason;
    return false;
  }
  auto init = reinterpret_cast<raVodInitRemoteEngineF>(moduleSymbol(loaded, kInitRemoteEngineName));
  auto term = reinterpret_cast<raVodTerminateRemoteEngineF>(moduleSymbol(loaded, kTerminateRemoteEngineName));
  if (init == nullptr || term == nullptr) {
    moduleClose(loaded);
    lastError = path + " is not a component module (no " +
                (init == nullptr ? kInitRemoteEngineName : kTerminateRemoteEngineName) + ")";
    return false;
  }
  module = loaded;
  initEntry = init;
  terminateEntry = term;
  initCount = 0;
  lastError.clear();
  return true;
}

bool componentModuleC::initialise(zkIUnknown* engine) {
  if (module == nullptr) {
    lastError = "no module loaded";
    return false;
  }
  initEntry(engine);
  ++initCount;
  return true;
}

bool componentModuleC::terminate() {
  if (module == nullptr || initCount == 0) {
    lastError = "no initialisation to undo";
    return false;
  }
  terminateEntry();
  --initCount;
  return true;
}

bool componentModuleC::unload() {
  if (module == nullptr) {
    lastError = "no module loaded";
    return false;
  }
  terminateAll();
  const bool closed = moduleClose(module);
  module = nullptr;
  initEntry = nullptr;
  terminateEntry = nullptr;
  if (!closed) lastError = "the platform refused to unload the module";
  return closed;
}

void componentModuleC::terminateAll() {
  while (initCount > 0) terminate();
}

std::string componentModuleC::defaultModuleFile(const std::string& directory) {
  std::string path = directory;
  if (!path.empty() && path.back() != '/' && path.back() != '\\') path += '/';
  return path + "zkcomiconvdll" + moduleFileSuffix();
}
