// Process queries for POSIX.
#include "platform/process.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

std::uint32_t processCurrentId() { return static_cast<std::uint32_t>(getpid()); }

bool processIsRunning(std::uint32_t processId) {
  // kill() takes 0 and negative values as process groups.
  if (processId == 0 || processId > static_cast<std::uint32_t>(INT_MAX)) return false;
  return kill(static_cast<pid_t>(processId), 0) == 0;
}

std::uint64_t processCreationTime() {
  char text[1024];
  const int file = open("/proc/self/stat", O_RDONLY | O_CLOEXEC);
  if (file < 0) return 0;
  std::size_t length = 0;
  for (;;) {
    const ssize_t got = read(file, text + length, sizeof text - 1 - length);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    length += static_cast<std::size_t>(got);
    if (length == sizeof text - 1) break;
  }
  close(file);
  text[length] = '\0';
  // The command name (field 2) may hold blanks and parentheses: the fields
  // are counted from its last closing parenthesis, which ends field 2.
  const char* at = std::strrchr(text, ')');
  if (at == nullptr) return 0;
  for (int field = 2; field < 22; ++field) {
    at = std::strchr(at + 1, ' ');
    if (at == nullptr) return 0;
  }
  return std::strtoull(at + 1, nullptr, 10);
}

std::uint64_t processResidentBytes() {
  char text[256];
  const int file = open("/proc/self/statm", O_RDONLY | O_CLOEXEC);
  if (file < 0) return 0;
  ssize_t got;
  do {
    got = read(file, text, sizeof text - 1);
  } while (got < 0 && errno == EINTR);
  close(file);
  if (got <= 0) return 0;
  text[got] = '\0';
  // "size resident shared ...", in pages.
  char* at = std::strchr(text, ' ');
  if (at == nullptr) return 0;
  const long pageSize = sysconf(_SC_PAGESIZE);
  return std::strtoull(at + 1, nullptr, 10) * static_cast<std::uint64_t>(pageSize > 0 ? pageSize : 0);
}

std::uint64_t processOpenHandleCount() {
  DIR* directory = opendir("/proc/self/fd");
  if (directory == nullptr) return 0;
  std::uint64_t count = 0;
  while (const dirent* entry = readdir(directory)) {
    if (entry->d_name[0] != '.') ++count;
  }
  closedir(directory);
  return count > 0 ? count - 1 : 0;  // the directory's own descriptor
}
