// File services on POSIX: rename replaces atomically; streams are binary.
#include "platform/files.h"

#include <stdio.h>

bool replaceFile(const char* from, const char* to) { return rename(from, to) == 0; }

bool removeFile(const char* path) { return remove(path) == 0; }

void setStandardStreamsBinary() {}
