// Bytes as readable hex for test failure messages: "FE FF 00 61".
#pragma once

#include <string>

inline std::string hexBytes(const std::string& bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string text;
  for (unsigned char byte : bytes) {
    if (!text.empty()) text += ' ';
    text += digits[byte >> 4];
    text += digits[byte & 15];
  }
  return text;
}
