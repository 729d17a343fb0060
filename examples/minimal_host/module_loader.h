// Loading a module file into the process: the only part of the host that
// differs between systems (module_loader_posix.cpp, module_loader_win32.cpp).
#pragma once

// The loaded module, or null; *error then holds the system's reason.
void* loadModule(const char* path, const char** error);
// The address of the exported function `name`, or null.
void* findExport(void* module, const char* name);
void unloadModule(void* module);
