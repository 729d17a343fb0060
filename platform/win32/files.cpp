// File services on Windows: MoveFileExA replaces an existing target, which
// rename does not; the C runtime's standard streams start in text mode;
// temporaries are created with CREATE_NEW, which fails on any existing name,
// links included.
#include "platform/files.h"

#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <windows.h>

#include <cerrno>
#include <cstring>

namespace {

bool copyText(const char* text, char* out, std::size_t size) {
  const std::size_t length = std::strlen(text);
  if (length >= size) return false;
  std::memcpy(out, text, length + 1);
  return true;
}

// A name suffix that differs between processes, calls and moments.
unsigned long long temporarySuffix(unsigned attempt) {
  static volatile LONG counter = 0;
  LARGE_INTEGER ticks;
  QueryPerformanceCounter(&ticks);
  unsigned long long value = static_cast<unsigned long long>(ticks.QuadPart);
  value ^= static_cast<unsigned long long>(GetCurrentProcessId()) << 32;
  value ^= static_cast<unsigned long long>(InterlockedIncrement(&counter)) * 0x9E3779B97F4A7C15ull;
  value ^= attempt;
  // A final mix so that neighbouring inputs give unrelated names.
  value ^= value >> 31;
  value *= 0xBF58476D1CE4E5B9ull;
  value ^= value >> 29;
  return value;
}

constexpr unsigned temporaryAttempts = 100;

}  // namespace

bool replaceFile(const char* from, const char* to) {
  return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool removeFile(const char* path) { return DeleteFileA(path) != 0; }

void setStandardStreamsBinary() {
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
}

bool resolveLinkedPath(const char* path, char* out, std::size_t size) {
  const DWORD attributes = GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
    return copyText(path, out, size);
  }
  HANDLE handle = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return copyText(path, out, size);
  char final[MAX_PATH * 4];
  const DWORD length = GetFinalPathNameByHandleA(handle, final, sizeof final, FILE_NAME_NORMALIZED);
  CloseHandle(handle);
  if (length == 0 || length >= sizeof final) return false;
  // The system answers "\\?\C:\dir\file"; the plain form serves every call here.
  const char* plain = std::strncmp(final, "\\\\?\\", 4) == 0 ? final + 4 : final;
  return copyText(plain, out, size);
}

fileKindE fileKindAt(const char* path, std::uint32_t* mode) {
  HANDLE handle = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? fileMissing : fileOther;
  }
  const DWORD type = GetFileType(handle);
  CloseHandle(handle);
  if (type != FILE_TYPE_DISK) return fileOther;
  *mode = 0;
  return fileRegular;
}

std::FILE* createExclusiveTemporary(const char* beside, char* name, std::size_t size) {
  const std::size_t length = std::strlen(beside);
  for (unsigned attempt = 0; attempt < temporaryAttempts; ++attempt) {
    char suffix[32];
    const int written =
        snprintf(suffix, sizeof suffix, ".zkconv-%012llx", temporarySuffix(attempt) & 0xFFFFFFFFFFFFull);
    if (written <= 0 || length + static_cast<std::size_t>(written) >= size) return nullptr;
    std::memcpy(name, beside, length);
    std::memcpy(name + length, suffix, static_cast<std::size_t>(written) + 1);
    HANDLE handle = CreateFileA(name, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      const DWORD error = GetLastError();
      if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) continue;
      // Callers report the reason as the C runtime's errno.
      errno = error == ERROR_PATH_NOT_FOUND || error == ERROR_FILE_NOT_FOUND ? ENOENT
              : error == ERROR_ACCESS_DENIED                                 ? EACCES
                                                                             : EIO;
      return nullptr;
    }
    const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_BINARY | _O_WRONLY);
    if (descriptor < 0) {
      CloseHandle(handle);
      DeleteFileA(name);
      return nullptr;
    }
    std::FILE* file = _fdopen(descriptor, "wb");
    if (file == nullptr) {
      _close(descriptor);
      DeleteFileA(name);
    }
    return file;
  }
  return nullptr;
}

bool keepFileAttributes(std::FILE*, const char*) { return true; }

bool createFifo(const char*) { return false; }
