// Module loading on POSIX: dlopen with local symbol scope, so that nothing
// the module defines can be bound by another module in the process.
#include "platform/module_loader.h"

#include <dlfcn.h>
#include <string.h>

namespace {
thread_local char tLastError[512];
}

loadedModuleS* moduleOpen(const char* path) {
  void* handle = dlopen(path, RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* reason = dlerror();
    strncpy(tLastError, reason != nullptr ? reason : "", sizeof tLastError - 1);
    tLastError[sizeof tLastError - 1] = '\0';
  }
  return static_cast<loadedModuleS*>(handle);
}

void* moduleSymbol(loadedModuleS* module, const char* name) {
  if (module == nullptr) return nullptr;
  return dlsym(module, name);
}

bool moduleClose(loadedModuleS* module) {
  if (module == nullptr) return true;
  return dlclose(module) == 0;
}

void moduleLoadError(char* buffer, size_t size) {
  if (size == 0) return;
  strncpy(buffer, tLastError, size - 1);
  buffer[size - 1] = '\0';
}

const char* moduleFileSuffix() { return ".so"; }
