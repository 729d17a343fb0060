// The runtime environment for Windows: the C runtime's getenv and _putenv_s,
// which keeps the runtime's copy and the process environment in step.
#include "platform/environment.h"

#include <stdlib.h>

const char* getRuntimeEnvironmentVariable(const char* name) { return getenv(name); }

bool setRuntimeEnvironmentVariable(const char* name, const char* value) { return _putenv_s(name, value) == 0; }

// An empty value is how the runtime removes a variable.
bool unsetRuntimeEnvironmentVariable(const char* name) { return _putenv_s(name, "") == 0; }

const char* defaultTempDirectory() { return "c:/"; }
