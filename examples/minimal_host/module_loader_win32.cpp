// Module files on Windows: LoadLibraryA.
#include <windows.h>

#include "module_loader.h"

void* loadModule(const char* path, const char** error) {
  HMODULE module = LoadLibraryA(path);
  if (module == nullptr) *error = "LoadLibraryA failed";
  return module;
}

void* findExport(void* module, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
}

void unloadModule(void* module) { FreeLibrary(static_cast<HMODULE>(module)); }
