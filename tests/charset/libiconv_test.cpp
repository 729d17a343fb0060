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
