// Module lookup for Windows through the process status functions.
#include "platform/module_file.h"

#include <windows.h>
// psapi.h needs the types of windows.h.
#include <psapi.h>

#include "platform/process.h"

namespace {

constexpr DWORD queryAndReadAccess = 0x410;  // PROCESS_QUERY_INFORMATION | PROCESS_VM_READ
constexpr DWORD maximumModules = 1024;

// Calls found(process, module, info) for the first module of the process
// whose image holds address strictly inside; answers whether one did and
// found accepted.
template <class foundT>
bool searchModules(std::uint32_t processId, const void* address, foundT found) {
  HANDLE process = OpenProcess(queryAndReadAccess, FALSE, processId);
  if (!process) return false;
  HMODULE modules[maximumModules];
  DWORD needed = 0;
  if (!EnumProcessModules(process, modules, sizeof modules, &needed)) {
    CloseHandle(process);
    return false;
  }
  DWORD count = needed / sizeof(HMODULE);
  if (count > maximumModules) count = maximumModules;
  const std::uintptr_t wanted = reinterpret_cast<std::uintptr_t>(address);
  bool success = false;
  for (DWORD i = 0; i < count; ++i) {
    MODULEINFO info;
    if (!GetModuleInformation(process, modules[i], &info, sizeof info)) continue;
    const std::uintptr_t base = reinterpret_cast<std::uintptr_t>(info.lpBaseOfDll);
    if (!(base < wanted && wanted < base + info.SizeOfImage)) continue;
    success = found(process, modules[i], info);
    break;
  }
  CloseHandle(process);
  return success;
}

}  // namespace

bool findModuleImageRange(const void* address, std::uintptr_t& base, std::uintptr_t& end) {
  return searchModules(GetCurrentProcessId(), address, [&](HANDLE, HMODULE, const MODULEINFO& info) {
    base = reinterpret_cast<std::uintptr_t>(info.lpBaseOfDll);
    end = base + info.SizeOfImage;
    return true;
  });
}

bool findModuleFileName(std::uint32_t processId, const void* address, char* buffer, std::size_t size) {
  if (size == 0) return false;
  const DWORD bufferSize = size > MAXDWORD ? MAXDWORD : static_cast<DWORD>(size);
  // The name is read through the opened process: a module handle of another
  // process names nothing (or something else) in this one, so
  // GetModuleFileNameA would answer a wrong name there.
  return searchModules(processId, address, [&](HANDLE process, HMODULE module, const MODULEINFO&) {
    char path[MAX_PATH * 4];
    const DWORD length = GetModuleFileNameExA(process, module, path, sizeof path);
    if (length == 0 || length >= sizeof path) return false;
    const DWORD kept = length < bufferSize ? length : bufferSize - 1;
    memcpy(buffer, path, kept);
    buffer[kept] = '\0';
    return true;
  });
}

bool isModuleDirectorySeparator(char c) { return c == '\\' || c == '/'; }
