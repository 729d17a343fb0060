// File services on POSIX: rename replaces atomically; streams are binary;
// temporaries come from mkostemp, which creates with O_EXCL (and so never
// through a link) and mode 0600.
#include "platform/files.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

namespace {

// Copies `text` into out[0..size), terminated; false when it does not fit.
bool copyText(const char* text, char* out, std::size_t size) {
  const std::size_t length = std::strlen(text);
  if (length >= size) return false;
  std::memcpy(out, text, length + 1);
  return true;
}

constexpr int maxLinkDepth = 40;

}  // namespace

bool replaceFile(const char* from, const char* to) { return rename(from, to) == 0; }

bool removeFile(const char* path) { return remove(path) == 0; }

void setStandardStreamsBinary() {}

bool resolveLinkedPath(const char* path, char* out, std::size_t size) {
  char current[PATH_MAX];
  if (!copyText(path, current, sizeof current)) return false;
  for (int depth = 0; depth <= maxLinkDepth; ++depth) {
    struct stat info;
    if (lstat(current, &info) != 0 || !S_ISLNK(info.st_mode)) return copyText(current, out, size);
    char target[PATH_MAX];
    const ssize_t length = readlink(current, target, sizeof target - 1);
    if (length < 0) return false;
    target[length] = '\0';
    if (target[0] == '/') {
      std::memcpy(current, target, static_cast<std::size_t>(length) + 1);
      continue;
    }
    // A relative target is read from the link's own directory.
    const char* slash = std::strrchr(current, '/');
    const std::size_t directory = slash == nullptr ? 0 : static_cast<std::size_t>(slash - current) + 1;
    if (directory + static_cast<std::size_t>(length) >= sizeof current) return false;
    std::memcpy(current + directory, target, static_cast<std::size_t>(length) + 1);
  }
  return false;
}

fileKindE fileKindAt(const char* path, std::uint32_t* mode) {
  struct stat info;
  if (stat(path, &info) != 0) return errno == ENOENT ? fileMissing : fileOther;
  if (!S_ISREG(info.st_mode)) return fileOther;
  *mode = static_cast<std::uint32_t>(info.st_mode & 07777);
  return fileRegular;
}

std::FILE* createExclusiveTemporary(const char* beside, char* name, std::size_t size) {
  const int length = snprintf(name, size, "%s.zkconv-XXXXXX", beside);
  if (length < 0 || static_cast<std::size_t>(length) >= size) return nullptr;
  const int descriptor = mkostemp(name, O_CLOEXEC);
  if (descriptor < 0) return nullptr;
  std::FILE* file = fdopen(descriptor, "wb");
  if (file == nullptr) {
    close(descriptor);
    unlink(name);
  }
  return file;
}

bool keepFileAttributes(std::FILE* file, const char* original) {
  struct stat info;
  const int descriptor = fileno(file);
  if (stat(original, &info) != 0) return false;
  // Owner first: changing the owner may clear set-id bits, which the mode
  // then restores. Only a privileged process may give the file away; the
  // group alone may still be kept. Neither failure stops the replacement.
  const bool owned =
      fchown(descriptor, info.st_uid, info.st_gid) == 0 || fchown(descriptor, static_cast<uid_t>(-1), info.st_gid) == 0;
  static_cast<void>(owned);
  return fchmod(descriptor, info.st_mode & 07777) == 0;
}

bool createFifo(const char* path) { return mkfifo(path, 0600) == 0; }
