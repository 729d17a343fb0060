// How the module's two entry points are exported.
//
// ZK_MODULE_EXPORT marks a function with C linkage that a host finds by name
// in the module file: exported from the DLL on Windows, given default
// visibility on POSIX (everything else in the module is hidden, and the
// linker's version script keeps it local).
#pragma once

#if defined(_WIN32)
#define ZK_MODULE_EXPORT extern "C" __declspec(dllexport)
#else
#define ZK_MODULE_EXPORT extern "C" __attribute__((visibility("default")))
#endif
