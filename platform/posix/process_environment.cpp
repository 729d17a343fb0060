// The process environment on POSIX: the one environment of the C library.
#include "platform/process_environment.h"

#include <stdlib.h>

#include <cstring>

bool processEnvironmentRead(const char* name, char* buffer, std::size_t size) {
  const char* value = getenv(name);
  if (value == nullptr || size == 0) return false;
  const std::size_t length = std::strlen(value);
  if (length >= size) return false;
  std::memcpy(buffer, value, length + 1);
  return true;
}

bool processEnvironmentWrite(const char* name, const char* value) { return setenv(name, value, 1) == 0; }

bool processEnvironmentRemove(const char* name) { return unsetenv(name) == 0; }
