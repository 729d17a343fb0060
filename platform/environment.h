// The runtime library's copy of the process environment, as getenv sees it,
// and the directory used for temporary files when no variable names one.
//
// Backend contract (platform/<posix|win32>/environment.cpp):
// - getRuntimeEnvironmentVariable() answers getenv(name): the value, or null
//   when the variable does not exist. The text stays valid until the
//   variable is changed.
// - setRuntimeEnvironmentVariable() sets the variable in the runtime
//   library's environment (POSIX setenv; Windows _putenv_s, which also sets
//   the process environment). Answers true on success; on failure the
//   environment is unchanged. On Windows an empty value removes the variable,
//   because the runtime library keeps no empty variables there; names are
//   case-insensitive on Windows and case-sensitive on POSIX.
// - unsetRuntimeEnvironmentVariable() removes the variable; removing a
//   variable that does not exist succeeds. Answers true on success.
// - defaultTempDirectory() answers the fallback directory for temporary
//   files, ending in a separator: "c:/" on Windows, "/tmp/" on POSIX.
//
// Changing variables while another thread reads them is not safe on either
// platform; only single-threaded set-up code and tests change them.
#pragma once

const char* getRuntimeEnvironmentVariable(const char* name);
bool setRuntimeEnvironmentVariable(const char* name, const char* value);
bool unsetRuntimeEnvironmentVariable(const char* name);
const char* defaultTempDirectory();
