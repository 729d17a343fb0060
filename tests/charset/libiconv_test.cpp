// The charset library as linked into the module: GNU libiconv with its extra
// encodings, big-endian "UTF-16" with the mark FE FF, and a locale_charset
// that names a character set iconv_open accepts.
#include <iconv.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/locale_charset.h"
#include "tests/support/hex_bytes.h"

namespace {

const iconv_t kInvalidHandle = reinterpret_cast<iconv_t>(-1);

// Converts `input` in one iconv call; answers false when the library fails.
bool convertOnce(const char* to, const char* from, const std::string& input, std::string* output) {
  iconv_t handle = iconv_open(to, from);
  if (handle == kInvalidHandle) return false;
  std::string buffer(input.size() * 8 + 8, '\0');
  const char* in = input.data();
  size_t inLeft = input.size();
  char* out = &buffer[0];
  size_t outLeft = buffer.size();
  const size_t result = iconv(handle, &in, &inLeft, &out, &outLeft);
  iconv_close(handle);
  if (result == static_cast<size_t>(-1)) return false;
  output->assign(buffer.data(), buffer.size() - outLeft);
  return true;
}

TEST(Libiconv, Utf16IsBigEndianWithMark) {
  std::string output;
  ASSERT_TRUE(convertOnce("UTF-16", "ISO-8859-1", "a", &output));
  EXPECT_EQ("FE FF 00 61", hexBytes(output));
}

TEST(Libiconv, ExtraEncodingsOpen) {
  for (const char* name : {"DEC-KANJI", "DEC-HANYU", "CP856", "CP922"}) {
    SCOPED_TRACE(name);
    iconv_t handle = iconv_open("UTF-8", name);
    EXPECT_NE(kInvalidHandle, handle);
    if (handle != kInvalidHandle) iconv_close(handle);
  }
}

TEST(Libiconv, UnknownNameFails) {
  EXPECT_EQ(kInvalidHandle, iconv_open("UTF-8", "NO-SUCH-CHARSET"));
}

TEST(Libiconv, LocaleCharsetIsAcceptedByIconvOpen) {
  const char* name = locale_charset();
  ASSERT_NE(nullptr, name);
  ASSERT_STRNE("", name);
  iconv_t handle = iconv_open("UTF-8", name);
  EXPECT_NE(kInvalidHandle, handle) << "locale_charset() = " << name;
  if (handle != kInvalidHandle) iconv_close(handle);
}

TEST(Libiconv, EmptyNameMeansLocaleCharset) {
  // The library resolves "" through locale_charset; a stub answering ""
  // there would make every such open fail.
  std::string output;
  ASSERT_TRUE(convertOnce("UTF-16", "", "a", &output));
  EXPECT_EQ("FE FF 00 61", hexBytes(output));
}

}  // namespace
