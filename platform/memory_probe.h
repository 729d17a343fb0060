// Reading memory that may not be readable, without faulting: the tracker's
// way of looking at a block header or a link that may be corrupted, and the
// manager chain's way of looking at an address taken from the environment.
//
// Promises: memoryIsReadable(address, size) answers true when all size bytes
// from address could be read at the moment of the call; memorySafeRead
// copies size bytes from address into out and answers true, or answers false
// (out then holds an unspecified part of the bytes) when any of them cannot
// be read. Neither ever raises a fault or signal; a null address or a range
// that wraps around the address space answers false; size 0 answers true.
// Both are safe to call from many threads and allocate no memory from the
// module's heap.
//
// Backend contract (platform/<posix|win32>/memory_probe.cpp):
// - posix: process_vm_readv on the own process, which fails with EFAULT
//   instead of faulting; where the kernel refuses that call (ENOSYS, EPERM)
//   the bytes are written through a pipe created for the call, whose write
//   fails the same way, and read back.
// - win32: IsBadReadPtr over the range, then the copy.
#pragma once

#include <cstddef>

bool memoryIsReadable(const void* address, std::size_t size);
bool memorySafeRead(const void* address, void* out, std::size_t size);
