// The environment of the process itself, as every module of the process sees
// it: the place where the modules of the framework find each other.
//
// Backend contract (platform/<posix|win32>/process_environment.cpp):
// - win32: the process environment block through GetEnvironmentVariableA and
//   SetEnvironmentVariableA (a null value removes), never the runtime
//   library's copy, which each runtime library of the process keeps apart.
// - posix: the process has one environment: getenv, setenv (overwriting) and
//   unsetenv.
// processEnvironmentRead copies the value, zero-terminated, into buffer and
// answers true; it answers false (buffer then holds an unspecified text)
// when the variable is absent or its value needs more than size - 1
// characters. Write and remove answer whether the platform succeeded;
// removing an absent variable succeeds. Changing variables while another
// thread reads them is not safe on POSIX.
#pragma once

#include <cstddef>

bool processEnvironmentRead(const char* name, char* buffer, std::size_t size);
bool processEnvironmentWrite(const char* name, const char* value);
bool processEnvironmentRemove(const char* name);
