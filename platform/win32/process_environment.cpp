// The process environment on Windows: the process environment block.
#include "platform/process_environment.h"

#include <windows.h>

bool processEnvironmentRead(const char* name, char* buffer, std::size_t size) {
  if (size == 0 || size > MAXDWORD) return false;
  // The answer is the length copied, or the room needed (terminating zero
  // included) when the buffer is too small, or 0 when the variable is absent.
  const DWORD length = GetEnvironmentVariableA(name, buffer, static_cast<DWORD>(size));
  return length != 0 && length < size;
}

bool processEnvironmentWrite(const char* name, const char* value) {
  return SetEnvironmentVariableA(name, value) != FALSE;
}

bool processEnvironmentRemove(const char* name) {
  return SetEnvironmentVariableA(name, nullptr) != FALSE || GetLastError() == ERROR_ENVVAR_NOT_FOUND;
}
