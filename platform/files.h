// File services the command-line tool needs beyond standard C++.
//
// Backend contract (platform/<posix|win32>/files.cpp):
// - replaceFile(from, to) moves `from` over `to`, replacing an existing `to`
//   in one step where the platform allows it; on failure it answers false
//   and both files are as they were.
// - removeFile(path) answers false when the file could not be removed.
// - setStandardStreamsBinary() switches standard input and output to binary
//   mode, so that bytes pass through unchanged (a no-op where text and
//   binary mode are the same).
// - resolveLinkedPath(path, out, size) follows symbolic links from `path`,
//   every level, and writes the path of the file they finally name into
//   `out` (`path` itself when it is no link). The final file need not exist
//   (a link may point to a file not yet created). Answers false when a link
//   cannot be read, the links loop or nest deeper than 40, or the result
//   does not fit in `size` bytes; `out` is unspecified then. Windows asks
//   the system for the final path of a reparse point and leaves a path it
//   cannot open as it is.
// - fileKindAt(path, mode) tells what is at `path`, following links:
//   nothing, a regular file, or anything else (device, FIFO, socket,
//   directory). For a regular file *mode holds its permission bits (POSIX;
//   0 on Windows); otherwise *mode is untouched.
// - createExclusiveTemporary(beside, name, size) creates a new, empty file
//   whose name is `beside` followed by ".zkconv-" and a unique suffix, so it
//   lies in the directory of `beside`. It is created exclusively: an
//   existing file or symbolic link of that name is never opened (another
//   name is tried), so a link planted there leads nowhere. Only the owner
//   may read and write it (POSIX mode 0600). Answers a stream open for
//   binary writing and the name in `name`, or null (nothing created) when
//   no name fits in `size` bytes or the directory refuses.
// - keepFileAttributes(file, original) gives the open `file` the permission
//   bits of the existing regular file `original`, and on POSIX also its
//   owner and group where the process may (a failed change of owner is not
//   a failure). Answers false when the mode could not be set. Windows keeps
//   nothing and answers true.
// - createFifo(path) makes a named pipe at `path` (POSIX mkfifo, mode
//   0600); Windows has no such files in its file system and answers false.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

bool replaceFile(const char* from, const char* to);
bool removeFile(const char* path);
void setStandardStreamsBinary();

bool resolveLinkedPath(const char* path, char* out, std::size_t size);

enum fileKindE { fileMissing, fileRegular, fileOther };
fileKindE fileKindAt(const char* path, std::uint32_t* mode);

std::FILE* createExclusiveTemporary(const char* beside, char* name, std::size_t size);
bool keepFileAttributes(std::FILE* file, const char* original);
bool createFifo(const char* path);
