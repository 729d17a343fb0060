// componentModuleC: one component module file loaded into the host process.
//
// load() maps the file and finds its two entry points; initialise() and
// terminate() call them; unload() first terminates as often as this object
// initialised, then unmaps the file. The destructor unloads. Every operation
// answers false (with a one-line reason from error()) instead of throwing.
//
// Nothing of the module may be used after unload(): a host releases the
// objects it holds and has the engine drop the module's factories
// (referenceEngineC::releaseFactories) after the last termination and before
// unloading.
#pragma once

#include <cstdint>
#include <string>

#include "abi/engine_binding.h"

struct loadedModuleS;

class componentModuleC {
 public:
  componentModuleC() = default;
  componentModuleC(const componentModuleC&) = delete;
  componentModuleC& operator=(const componentModuleC&) = delete;
  ~componentModuleC();

  // Loads the module file at `path`. Fails when a module is already loaded,
  // when the file cannot be loaded, or when it lacks an entry point (the
  // file is then unloaded again).
  bool load(const std::string& path);

  // Binds the module to `engine`; false when nothing is loaded.
  bool initialise(zkIUnknown* engine);
  // Undoes one initialise(); false when there is none left to undo.
  bool terminate();

  // Undoes every outstanding initialise().
  void terminateAll();

  // Terminates every outstanding initialisation and unloads the file.
  // Answers false when nothing was loaded or the platform refused.
  bool unload();

  bool isLoaded() const { return module != nullptr; }
  uint32_t initialisations() const { return initCount; }
  const std::string& error() const { return lastError; }

  // The module file installed beside the running program, for hosts that
  // ship next to the module: `directory` + "zkcomiconvdll" + ".so"/".dll".
  static std::string defaultModuleFile(const std::string& directory);

 private:
  loadedModuleS* module = nullptr;
  raVodInitRemoteEngineF initEntry = nullptr;
  raVodTerminateRemoteEngineF terminateEntry = nullptr;
  uint32_t initCount = 0;
  std::string lastError;
};
