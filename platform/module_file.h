// The file of the module that contains a code address, and the module's own
// file name and path, as the memory reports and the code-track file name
// carry them.
//
// Backend contract (platform/<posix|win32>/module_file.cpp):
// - findModuleImageRange(address, base, end): finds the module of the
//   current process whose image holds address strictly inside, that is
//   base < address < end, and answers its bounds (Windows: lpBaseOfDll and
//   lpBaseOfDll + SizeOfImage; POSIX: the lowest and highest address of its
//   loadable segments). False when no module matches; base and end are then
//   untouched.
// - findModuleFileName(processId, address, buffer, size): writes the full
//   path of the module containing address (strictly, as above) into buffer,
//   truncated to size - 1 characters and terminated. False if the process
//   cannot be opened or its modules enumerated, if no module contains the
//   address, or if the name cannot be read; buffer is then untouched.
//   Windows opens the process with access 0x410, enumerates at most 1024
//   modules with EnumProcessModules, tests each with GetModuleInformation
//   and reads the name through the opened process (GetModuleFileNameExA),
//   so the name is right for other processes too. POSIX examines only the
//   current process (dl_iterate_phdr; the main program's path comes from
//   /proc/self/exe) and answers false for any other process id.
// - isModuleDirectorySeparator(c): c separates directories in the paths
//   findModuleFileName writes (Windows: backslash or slash; POSIX: slash).
//
// ownModuleName() and ownModulePath() (platform/module_file.cpp) answer a
// static text computed once, on the first call: the name without directory
// and the full path of the module holding this code. The first computation is
// guarded against two threads calling at the same moment (the second waits
// for the first); the text is read without a lock afterwards. When the
// lookup fails the text is the module's own code address, its low 32 bits as
// signed decimal, and later calls answer it without trying again.
#pragma once

#include <cstddef>
#include <cstdint>

bool findModuleImageRange(const void* address, std::uintptr_t& base, std::uintptr_t& end);
bool findModuleFileName(std::uint32_t processId, const void* address, char* buffer, std::size_t size);
bool isModuleDirectorySeparator(char c);

// Describes the module of the current process containing address into
// buffer (at least 1 byte): its path, or only its name when nameOnly is
// true; when no module contains address, the decimal text of the address's
// low 32 bits as a signed number. ownModuleName and ownModulePath are this,
// computed once for the module's own code.
void describeModuleAt(const void* address, bool nameOnly, char* buffer, std::size_t size);

const char* ownModuleName();
const char* ownModulePath();
