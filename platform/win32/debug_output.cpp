// Debugger output on Windows: OutputDebugStringA.
#include "platform/debug_output.h"

#include <windows.h>

void debugOutputWrite(const char* text) {
  if (text == nullptr) return;
  OutputDebugStringA(text);
}
