// Debugger output on POSIX: standard error, unbuffered.
#include "platform/debug_output.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

void debugOutputWrite(const char* text) {
  if (text == nullptr) return;
  std::size_t remaining = std::strlen(text);
  while (remaining > 0) {
    const ssize_t written = ::write(STDERR_FILENO, text, remaining);
    if (written < 0) {
      if (errno == EINTR) continue;
      return;
    }
    text += written;
    remaining -= static_cast<std::size_t>(written);
  }
}
