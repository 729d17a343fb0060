// Module lookup for POSIX: the loaded objects of the current process, as the
// dynamic linker lists them.
#include "platform/module_file.h"

#include <limits.h>
#include <link.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "platform/process.h"

namespace {

struct moduleSearchS {
  std::uintptr_t address;  // the address to find
  bool found;              // a module holds it
  std::uintptr_t base;     // that module's lowest loaded address
  std::uintptr_t end;      // one past its highest loaded address
  const char* name;        // its file name as the dynamic linker has it ("" for the main program)
};

int testModule(struct dl_phdr_info* info, size_t, void* context) {
  moduleSearchS* search = static_cast<moduleSearchS*>(context);
  bool anySegment = false;
  std::uintptr_t low = 0;
  std::uintptr_t high = 0;
  for (int i = 0; i < info->dlpi_phnum; ++i) {
    const ElfW(Phdr)& segment = info->dlpi_phdr[i];
    if (segment.p_type != PT_LOAD) continue;
    const std::uintptr_t start = info->dlpi_addr + segment.p_vaddr;
    const std::uintptr_t stop = start + segment.p_memsz;
    if (!anySegment || start < low) low = start;
    if (!anySegment || stop > high) high = stop;
    anySegment = true;
  }
  if (!anySegment || !(low < search->address && search->address < high)) return 0;
  search->found = true;
  search->base = low;
  search->end = high;
  search->name = info->dlpi_name ? info->dlpi_name : "";
  return 1;
}

bool searchModules(const void* address, moduleSearchS& search) {
  search = moduleSearchS{reinterpret_cast<std::uintptr_t>(address), false, 0, 0, nullptr};
  dl_iterate_phdr(testModule, &search);
  return search.found;
}

}  // namespace

bool findModuleImageRange(const void* address, std::uintptr_t& base, std::uintptr_t& end) {
  moduleSearchS search;
  if (!searchModules(address, search)) return false;
  base = search.base;
  end = search.end;
  return true;
}

bool findModuleFileName(std::uint32_t processId, const void* address, char* buffer, std::size_t size) {
  if (processId != processCurrentId() || size == 0) return false;
  moduleSearchS search;
  if (!searchModules(address, search)) return false;
  char path[PATH_MAX];
  if (search.name[0] != '\0') {
    std::strncpy(path, search.name, sizeof path - 1);
    path[sizeof path - 1] = '\0';
  } else {
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) return false;
    path[length] = '\0';
  }
  const std::size_t length = std::min(std::strlen(path), size - 1);
  std::memcpy(buffer, path, length);
  buffer[length] = '\0';
  return true;
}

bool isModuleDirectorySeparator(char c) { return c == '/'; }
