// Module loading on Windows: LoadLibraryA, GetProcAddress, FreeLibrary.
#include "platform/module_loader.h"

#include <stdio.h>
#include <string.h>
#include <windows.h>

namespace {
thread_local DWORD tLastError;
}

loadedModuleS* moduleOpen(const char* path) {
  HMODULE handle = LoadLibraryA(path);
  if (handle == nullptr) tLastError = GetLastError();
  return reinterpret_cast<loadedModuleS*>(handle);
}

void* moduleSymbol(loadedModuleS* module, const char* name) {
  if (module == nullptr) return nullptr;
  return reinterpret_cast<void*>(GetProcAddress(reinterpret_cast<HMODULE>(module), name));
}

bool moduleClose(loadedModuleS* module) {
  if (module == nullptr) return true;
  return FreeLibrary(reinterpret_cast<HMODULE>(module)) != 0;
}

void moduleLoadError(char* buffer, size_t size) {
  if (size == 0) return;
  buffer[0] = '\0';
  if (tLastError == 0) return;
  char text[256];
  const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, tLastError,
                                      0, text, sizeof text, nullptr);
  // System messages end with a line break; the caller prints its own.
  DWORD end = length;
  while (end > 0 && (text[end - 1] == '\r' || text[end - 1] == '\n' || text[end - 1] == ' ')) --end;
  text[end] = '\0';
  snprintf(buffer, size, "error %lu%s%s", static_cast<unsigned long>(tLastError), end > 0 ? ": " : "", text);
}

const char* moduleFileSuffix() { return ".dll"; }
