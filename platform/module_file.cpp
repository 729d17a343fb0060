// The module's own file name and path, computed once.
#include "platform/module_file.h"

#include <cstdio>
#include <cstring>

#include "platform/process.h"

namespace {

constexpr std::size_t ownTextSize = 1024;

const void* ownCodeAddress() { return reinterpret_cast<const void*>(&describeModuleAt); }

}  // namespace

void describeModuleAt(const void* address, bool nameOnly, char* buffer, std::size_t size) {
  const std::uint32_t low = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(address));
  std::snprintf(buffer, size, "%d", static_cast<int>(low));
  if (!findModuleFileName(processCurrentId(), address, buffer, size)) return;
  if (!nameOnly) return;
  const char* name = buffer;
  for (const char* c = buffer; *c; ++c)
    if (isModuleDirectorySeparator(*c)) name = c + 1;
  std::memmove(buffer, name, std::strlen(name) + 1);
}

const char* ownModuleName() {
  static char text[ownTextSize];
  static const bool computed = (describeModuleAt(ownCodeAddress(), true, text, ownTextSize - 1), true);
  (void)computed;
  return text;
}

const char* ownModulePath() {
  static char text[ownTextSize];
  static const bool computed = (describeModuleAt(ownCodeAddress(), false, text, ownTextSize - 1), true);
  (void)computed;
  return text;
}
