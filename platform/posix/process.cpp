// Process queries for POSIX.
#include "platform/process.h"

#include <signal.h>
#include <unistd.h>

#include <climits>

std::uint32_t processCurrentId() { return static_cast<std::uint32_t>(getpid()); }

bool processIsRunning(std::uint32_t processId) {
  // kill() takes 0 and negative values as process groups.
  if (processId == 0 || processId > static_cast<std::uint32_t>(INT_MAX)) return false;
  return kill(static_cast<pid_t>(processId), 0) == 0;
}
