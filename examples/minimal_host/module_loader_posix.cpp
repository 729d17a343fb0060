// Module files on POSIX systems: dlopen.
#include <dlfcn.h>

#include "module_loader.h"

void* loadModule(const char* path, const char** error) {
  void* module = dlopen(path, RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) *error = dlerror();
  return module;
}

void* findExport(void* module, const char* name) { return dlsym(module, name); }

void unloadModule(void* module) { dlclose(module); }
