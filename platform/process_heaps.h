// The consistency check of the process's own heaps, the last part of the
// memory check report.
//
// processHeapCheck(addLine, context) examines the heaps of the process and
// calls addLine(context, line) once for every fault found, with one
// zero-terminated line ending in "\n":
//   "Invalid Win32 Heap Block %08p\n"     an entry that HeapValidate rejects
//   "Invalid Win32 Heap Data Ptr %08p\n"  an entry whose data cannot be read
//                                         or written
//   "Invalid Win32 Heap Node %08p\n"      the walk ended with an error
//   "Invalid Win32 Heap Structure\n"      the heap could not be walked
// Pointers are printed as 16 upper-case hexadecimal digits. A fault ends the
// walk of its heap, so every heap adds at most one line. addLine runs after
// the heap has been unlocked again, so it may allocate.
//
// Backend contract (platform/<posix|win32>/process_heaps.cpp):
// - win32: GetProcessHeaps (at most 1024 heaps examined); for each heap
//   HeapLock, a HeapWalk from the start that stops at an entry repeating the
//   previous data pointer, passes over entries without the busy flag, and
//   stops the heap at the first entry that HeapValidate rejects or whose data
//   IsBadReadPtr / IsBadWritePtr reports; a walk that ends with another error
//   than ERROR_NO_MORE_ITEMS adds the node line; HeapUnlock. A heap that
//   cannot be locked adds the structure line.
// - posix: the runtime library offers no walk of its heap, so the check adds
//   no lines.
#pragma once

using processHeapLineFnT = void (*)(void* context, const char* line);

void processHeapCheck(processHeapLineFnT addLine, void* context);
