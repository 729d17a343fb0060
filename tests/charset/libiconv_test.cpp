// The charset library as linked into the module: GNU libiconv with its extra
// encodings, big-endian "UTF-16" with the mark FE FF, and a locale_charset
// that names a character set iconv_open accepts.
#include "charset_test_support.h"
#include "platform/locale_charset.h"

TEST(Libiconv, Utf16ExtraEncodingsAndTheLocaleCharset) {
  const char* locale = locale_charset();
  ASSERT_TRUE(locale != nullptr && *locale != '\0') << "locale_charset() gives no name";
  // "" is resolved through locale_charset; a stub answering "" would fail.
  for (const char* from : {"ISO-8859-1", "", "DEC-KANJI", "DEC-HANYU", "CP856", "CP922", locale}) {
    SCOPED_TRACE(std::string("from \"") + from + "\"");
    std::string output;
    ASSERT_TRUE(charsettest::referenceConvert("UTF-16", from, "a", &output));
    EXPECT_EQ("FE FF 00 61", hexBytes(output));
  }
  EXPECT_EQ(invalidConversionHandle(), iconv_open("UTF-8", "NO-SUCH-CHARSET"));
}

// Inputs found by fuzzing that make the library shift into the sign bit of
// an int (its UTF-32, UCS-4, TCVN and VISCII converters); compiled as we
// compile it, they convert as its authors meant, with no report from the
// undefined-behaviour sanitizer.
TEST(Libiconv, FuzzedInputsThatShiftIntoTheSignBit) {
  const struct {
    const char *from, *to;
    std::string input;
    const char* expected;  // hex bytes, or "FAIL"
  } cases[] = {
      {"UTF-32", "UTF-8", std::string("\xFF\xFE\x00\x00\x78\x00\x00\x00", 8), "78"},  // little-endian mark, 'x'
      {"UTF-32", "UTF-8", std::string("\x80\x00\x00\x00", 4), "FAIL"},
      {"UCS-4", "UTF-8", std::string("\xFF\xFE\x00\x00\x00\x00\x00\x80", 8), "FAIL"},
      {"UCS-4", "UTF-8", std::string("\x80\x00\x00\x00", 4), "FAIL"},
      {"UTF-8", "TCVN", "\x1F", "1F"},
      {"UTF-8", "VISCII", "\x1F", "1F"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.from) + " -> " + c.to + ": " + hexBytes(c.input));
    auto converter = charsettest::openNative(c.from, c.to);
    ASSERT_TRUE(converter);
    const std::string output = charsettest::convertBuffer(converter.get(), c.input, 64);
    EXPECT_EQ(c.expected, output == "FAIL" ? output : hexBytes(output));
  }
}
