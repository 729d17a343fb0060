// The runtime environment for POSIX: getenv, setenv and unsetenv.
#include "platform/environment.h"

#include <stdlib.h>

const char* getRuntimeEnvironmentVariable(const char* name) { return getenv(name); }

bool setRuntimeEnvironmentVariable(const char* name, const char* value) { return setenv(name, value, 1) == 0; }

bool unsetRuntimeEnvironmentVariable(const char* name) { return unsetenv(name) == 0; }

const char* defaultTempDirectory() { return "/tmp/"; }
