// Child processes on POSIX: fork and exec with redirected descriptors; the
// parent reads the output pipe and collects the child with wait4.
#include "platform/child_process.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// In the forked child: points descriptor `target` at `path` opened with
// `flags`; false when it cannot be opened.
bool redirect(int target, const char* path, int flags) {
  const int descriptor = open(path, flags, 0600);
  if (descriptor < 0) return false;
  if (descriptor != target) {
    if (dup2(descriptor, target) < 0) return false;
    close(descriptor);
  }
  return true;
}

}  // namespace

bool runChildProcess(const childRunS& run, childResultS* result) {
  int output[2];
  if (pipe(output) != 0) return false;
  const pid_t child = fork();
  if (child < 0) {
    close(output[0]);
    close(output[1]);
    return false;
  }
  if (child == 0) {
    // Only async-signal-safe calls from here to exec.
    close(output[0]);
    if (dup2(output[1], 1) < 0) _exit(126);
    close(output[1]);
    if (!redirect(0, run.inputPath != nullptr ? run.inputPath : "/dev/null", O_RDONLY) ||
        !redirect(2, run.errorPath != nullptr ? run.errorPath : "/dev/null", O_WRONLY | O_CREAT | O_TRUNC)) {
      _exit(126);
    }
    if (run.memoryLimit > 0) {
      struct rlimit limit;
      limit.rlim_cur = static_cast<rlim_t>(run.memoryLimit);
      limit.rlim_max = static_cast<rlim_t>(run.memoryLimit);
      if (setrlimit(RLIMIT_AS, &limit) != 0) _exit(126);
    }
    execv(run.arguments[0], const_cast<char* const*>(run.arguments));
    _exit(127);
  }
  close(output[1]);
  char buffer[65536];
  for (;;) {
    const ssize_t got = read(output[0], buffer, sizeof buffer);
    if (got > 0) {
      run.onOutput(run.context, buffer, static_cast<std::size_t>(got));
    } else if (got == 0 || errno != EINTR) {
      break;
    }
  }
  close(output[0]);
  int status = 0;
  struct rusage usage;
  pid_t waited;
  do {
    waited = wait4(child, &status, 0, &usage);
  } while (waited < 0 && errno == EINTR);
  if (waited != child) return false;
  result->exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  // Linux counts ru_maxrss in kilobytes.
  result->peakMemoryBytes = static_cast<std::uint64_t>(usage.ru_maxrss) * 1024;
  return true;
}
