// File services on Windows: MoveFileExA replaces an existing target, which
// rename does not; the C runtime's standard streams start in text mode.
#include "platform/files.h"

#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <windows.h>

bool replaceFile(const char* from, const char* to) {
  return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool removeFile(const char* path) { return DeleteFileA(path) != 0; }

void setStandardStreamsBinary() {
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
}
