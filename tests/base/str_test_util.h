// Readable forms of str values for test failures: <no storage>, or the text
// in quotes with non-printable bytes as \xHH.
#ifndef ZK_TESTS_BASE_STR_TEST_UTIL_H
#define ZK_TESTS_BASE_STR_TEST_UTIL_H

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "base/str.h"

inline std::string shown(const char* bytes, int n) {
  std::string text = "\"";
  for (int i = 0; i < n; ++i) {
    const unsigned char c = static_cast<unsigned char>(bytes[i]);
    if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
      text += static_cast<char>(c);
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      text += hex;
    }
  }
  return text + "\"";
}

inline std::string shown(const str& s) {
  if (!s.hasStorage()) return "<no storage>";
  return shown(s.data(), static_cast<int>(s.storageSize()) - 1);
}

// expected null: no storage; otherwise exactly that text with its zero and
// an exact-fit storage.
inline ::testing::AssertionResult strIs(const char* expected, const str& actual) {
  if (expected == nullptr) {
    if (!actual.hasStorage()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "expected <no storage>, got " << shown(actual);
  }
  const std::string wanted(expected);
  if (actual.hasStorage() && actual.storageSize() == wanted.size() + 1 &&
      std::string(actual.data(), wanted.size()) == wanted && actual.data()[wanted.size()] == '\0')
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "expected " << shown(wanted.data(), static_cast<int>(wanted.size()))
                                       << ", got " << shown(actual);
}

#endif
