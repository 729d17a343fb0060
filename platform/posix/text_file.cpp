// Text files for POSIX: no line-end translation.
#include "platform/text_file.h"

std::FILE* openTextFileForAppend(const char* name) { return std::fopen(name, "a+"); }

const char* textFileLineEnd() { return "\n"; }
