// Fault-free reads on POSIX: process_vm_readv, with a pipe as the fallback.
#include "platform/memory_probe.h"

#include <fcntl.h>
#include <sys/uio.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>

namespace {

// Cleared once the kernel has refused process_vm_readv, so that every later
// read goes straight to the pipe.
std::atomic<bool> vmReadUsable{true};

bool rangeIsPlausible(const void* address, std::size_t size) {
  const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(address);
  return start != 0 && start + size >= start;
}

// 1: read; 0: not readable; -1: the kernel refuses the call.
int readWithVm(const void* address, void* out, std::size_t size) {
  char* to = static_cast<char*>(out);
  const char* from = static_cast<const char*>(address);
  while (size > 0) {
    iovec local{to, size};
    iovec remote{const_cast<char*>(from), size};
    const ssize_t got = process_vm_readv(getpid(), &local, 1, &remote, 1, 0);
    if (got < 0) {
      if (errno == EINTR) continue;
      return errno == ENOSYS || errno == EPERM ? -1 : 0;
    }
    // A partial read stops at the first unreadable page.
    if (got == 0) return 0;
    to += got;
    from += got;
    size -= static_cast<std::size_t>(got);
  }
  return 1;
}

bool readThroughPipe(const void* address, void* out, std::size_t size) {
  int ends[2];
  if (pipe2(ends, O_CLOEXEC) != 0) return false;
  bool ok = true;
  char* to = static_cast<char*>(out);
  const char* from = static_cast<const char*>(address);
  // Chunks below the pipe's capacity, so that a write never waits for a read.
  constexpr std::size_t chunk = 4096;
  while (ok && size > 0) {
    const std::size_t n = size < chunk ? size : chunk;
    const ssize_t written = write(ends[1], from, n);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      ok = false;
      break;
    }
    std::size_t pending = static_cast<std::size_t>(written);
    while (ok && pending > 0) {
      const ssize_t got = read(ends[0], to, pending);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) ok = false;
      if (got > 0) {
        to += got;
        pending -= static_cast<std::size_t>(got);
      }
    }
    from += written;
    size -= static_cast<std::size_t>(written);
  }
  close(ends[0]);
  close(ends[1]);
  return ok;
}

}  // namespace

bool memorySafeRead(const void* address, void* out, std::size_t size) {
  if (size == 0) return true;
  if (!rangeIsPlausible(address, size)) return false;
  if (vmReadUsable.load(std::memory_order_relaxed)) {
    const int result = readWithVm(address, out, size);
    if (result >= 0) return result == 1;
    vmReadUsable.store(false, std::memory_order_relaxed);
  }
  return readThroughPipe(address, out, size);
}

// Readability is decided per page, so one byte of every page touched tells.
bool memoryIsReadable(const void* address, std::size_t size) {
  if (size == 0) return true;
  if (!rangeIsPlausible(address, size)) return false;
  const std::uintptr_t pageSize = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
  const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(address);
  const std::uintptr_t last = start + size - 1;
  char byte;
  for (std::uintptr_t at = start; at <= last;) {
    if (!memorySafeRead(reinterpret_cast<const void*>(at), &byte, 1)) return false;
    const std::uintptr_t nextPage = (at | (pageSize - 1)) + 1;
    if (nextPage == 0) break;
    at = nextPage;
  }
  return true;
}
