// Text files for POSIX: no line-end translation.
#include "platform/text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

std::FILE* openTextFileForAppend(const char* name) { return std::fopen(name, "a+"); }

std::FILE* openPrivateTextFileForAppend(const char* name) {
  // O_NONBLOCK: opening a FIFO planted under the name would otherwise wait
  // for a reader; the checks below refuse it anyway.
  const int descriptor = open(name, O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
  if (descriptor < 0) return nullptr;
  struct stat status;
  const bool ours = fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode) && status.st_uid == geteuid() &&
                    status.st_nlink == 1 && fcntl(descriptor, F_SETFL, O_APPEND) == 0;
  std::FILE* file = ours ? fdopen(descriptor, "a") : nullptr;
  if (file == nullptr) close(descriptor);
  return file;
}

const char* textFileLineEnd() { return "\n"; }
