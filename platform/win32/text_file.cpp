// Text files for Windows: the runtime's text mode turns "\n" into "\r\n".
#include "platform/text_file.h"

std::FILE* openTextFileForAppend(const char* name) { return std::fopen(name, "at+"); }

std::FILE* openPrivateTextFileForAppend(const char* name) { return std::fopen(name, "at+"); }

const char* textFileLineEnd() { return "\r\n"; }
