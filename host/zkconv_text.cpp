// Escaping and formatting of the names and values zkconv's messages show.
#include "host/zkconv_text.h"

#include <cstdio>

std::string escapedName(const std::string& name) {
  std::string text;
  text.reserve(name.size());
  for (const char c : name) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (c == '\n') {
      text += "\\n";
    } else if (c == '\r') {
      text += "\\r";
    } else if (c == '\t') {
      text += "\\t";
    } else if (byte < 32 || byte == 127) {
      char escape[5];
      std::snprintf(escape, sizeof escape, "\\x%02x", byte);
      text += escape;
    } else {
      text += c;
    }
  }
  return text;
}

std::string describeInput(const std::string& name) {
  return name == "-" ? std::string("standard input") : escapedName(name);
}

std::string codePointText(std::uint32_t codePoint) {
  char text[16];
  std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(codePoint));
  return text;
}
