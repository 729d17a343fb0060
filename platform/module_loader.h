// Loading a module file into the process and finding its exported entry
// points; the host side of binding a component module.
//
// moduleOpen answers an opaque handle, or null when the file cannot be
// loaded; then moduleLoadError describes why. moduleSymbol answers the
// address of an exported function, or null when the module has no such
// export. moduleClose unloads a handle from moduleOpen (null is ignored) and
// answers false when the platform refuses. Nothing here throws.
#pragma once

#include <cstddef>

struct loadedModuleS;  // opaque: the platform's module handle

loadedModuleS* moduleOpen(const char* path);
void* moduleSymbol(loadedModuleS* module, const char* name);
bool moduleClose(loadedModuleS* module);

// Writes the reason the last moduleOpen on this thread failed into buffer
// (zero-terminated, cut to size), or "" when nothing is known.
void moduleLoadError(char* buffer, size_t size);

// The ending of a module file's name on this platform: ".so" or ".dll".
const char* moduleFileSuffix();
