// The HTML converter: encoding into and decoding from entity text through
// the charset library, successive calls on one converter, and every code
// unit of the table through ConvertBuffer.
#include "charset/html_converter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "charset/html_entities.h"
#include "charset_test_support.h"

namespace {

using charsettest::convertBuffer;
using charsettest::convertString;
using charsettest::hexBytes;
using charsettest::libraryProbeC;
using charsettest::openNative;

struct caseS {
  const char* label;
  const char* from;
  const char* to;
  std::string input;
  std::string expected;  // "FAIL" for a failed conversion
};

void runCases(std::initializer_list<caseS> cases) {
  for (const caseS& c : cases) {
    SCOPED_TRACE(std::string(c.label) + ": " + c.from + " -> " + c.to);
    auto converter = openNative(c.from, c.to);
    ASSERT_TRUE(converter);
    const std::string actual = convertString(converter.get(), c.input);
    EXPECT_EQ(c.expected, actual) << "expected " << hexBytes(c.expected) << "\n  actual "
                                  << hexBytes(actual);
  }
}

TEST(HtmlConverter, Encodes) {
  runCases({
      {"markup", "ISO-8859-1", "HTML", "a < b & c", "a &lt; b &amp; c"},
      {"quotes", "ISO-8859-1", "HTML", "\"it's\"", "&quot;it's&quot;"},
      {"Latin-1 names", "ISO-8859-1", "HTML", "\xE9\xA0", "&eacute;&nbsp;"},
      {"euro, and, perp", "UTF-8", "HTML", "\xE2\x82\xAC\xE2\x88\xA7\xE2\x8A\xA5",
       "&#x20ac;&and;&perp;"},
      {"Greek and four hex digits", "UTF-8", "HTML", "\xCE\xB1\xC5\x92", "&alpha;&#x0152;"},
      {"surrogates as two entities", "UTF-8", "HTML", "\xF0\x9F\x98\x80", "&#xd83d;&#xde00;"},
      {"tags", "ISO-8859-1", "HTMLWITHTAGS", "<<b>>bold<</b>>", "<b>bold</b>"},
      {"single bracket with tags", "ISO-8859-1", "HTMLWITHTAGS", "a<b", "a&lt;b"},
      {"three in a row", "ISO-8859-1", "HTMLWITHTAGS", "<<<", "<&lt;"},
      {"doubled brackets without tags", "ISO-8859-1", "HTML", "<<b>>", "&lt;&lt;b&gt;&gt;"},
      {"invalid input", "UTF-8", "HTML", "a\xFF", "FAIL"},
  });
}

TEST(HtmlConverter, Decodes) {
  runCases({
      {"named entity", "HTML", "UTF-8", "caf&eacute;", "caf\xC3\xA9"},
      {"escaped entity", "HTML", "UTF-8", "&amp;lt;", "&lt;"},
      {"bare ampersand", "HTML", "UTF-8", "a & b", "FAIL"},
      {"unknown name", "HTML", "UTF-8", "&nosuch;", "FAIL"},
      {"upper-case X", "HTML", "UTF-8", "&#X41;", "FAIL"},
      {"bare hex digits", "HTML", "UTF-8", "&41;", "A"},
      {"zero", "HTML", "UTF-8", "&#0;", "FAIL"},
      {"65536", "HTML", "UTF-8", "&#65536;", "FAIL"},
      {"65601 wraps", "HTML", "UTF-8", "&#65601;", "A"},
      {"surrogate pair", "HTML", "UTF-8", "&#xd83d;&#xde00;", "\xF0\x9F\x98\x80"},
      {"lone surrogate", "HTML", "UTF-8", "&#xd83d;x", "FAIL"},
      {"bytes are Latin-1 characters", "HTML", "UTF-8", "\xC3\xA9", "\xC3\x83\xC2\xA9"},
      {"tags doubled", "HTMLWITHTAGS", "ISO-8859-1", "<b>", "<<b>>"},
      {"unmappable in target", "HTML", "ISO-8859-1", "&euro;", "FAIL"},
      {"euro into CP1252", "HTML", "CP1252", "&#x20ac;", "\x80"},
  });
}

TEST(HtmlConverter, TagsRoundTrip) {
  const std::string html = "<p>caf&eacute; &lt;3 &amp; <i>x</i></p>";
  auto decoder = openNative("HTMLWITHTAGS", "ISO-8859-1");
  auto encoder = openNative("ISO-8859-1", "HTMLWITHTAGS");
  ASSERT_TRUE(decoder && encoder);
  const std::string text = convertString(decoder.get(), html);
  EXPECT_EQ("<<p>>caf\xE9 <3 & <<i>>x<</i>><</p>>", text);
  EXPECT_EQ(html, convertString(encoder.get(), text));
}

TEST(HtmlConverter, SuccessiveEncodingsKeepTheirFirstCharacter) {
  auto converter = openNative("ISO-8859-1", "HTML");
  ASSERT_TRUE(converter);
  EXPECT_EQ("a", convertString(converter.get(), "a"));
  EXPECT_EQ("b", convertString(converter.get(), "b"));
  EXPECT_EQ("&eacute;x", convertString(converter.get(), "\xE9x"));
  EXPECT_EQ("&lt;", convertBuffer(converter.get(), "<", 16));
  EXPECT_EQ(0u, converter->Reset());
  EXPECT_EQ("c", convertString(converter.get(), "c"));
  EXPECT_EQ("d", convertString(converter.get(), "d"));
}

TEST(HtmlConverter, AFailedFirstEncodingStillConsumesTheMark) {
  // The library writes the mark with 'a' and then fails on the bad byte.
  auto converter = openNative("UTF-8", "HTML");
  ASSERT_TRUE(converter);
  EXPECT_EQ("FAIL", convertString(converter.get(), "a\xFF"));
  EXPECT_EQ("b", convertString(converter.get(), "b"));
}

TEST(HtmlConverter, ZeroWidthNoBreakSpaceIsACharacterNotAMark) {
  auto first = openNative("UTF-8", "HTML");
  ASSERT_TRUE(first);
  EXPECT_EQ("&#xfeff;x", convertString(first.get(), "\xEF\xBB\xBFx"));
  EXPECT_EQ("&#xfeff;", convertString(first.get(), "\xEF\xBB\xBF"));
}

TEST(HtmlConverter, SuccessiveDecodingsLetNoMarkThrough) {
  auto converter = openNative("HTML", "UTF-8");
  ASSERT_TRUE(converter);
  EXPECT_EQ("caf\xC3\xA9", convertString(converter.get(), "caf&eacute;"));
  EXPECT_EQ("\xC3\xA9", convertString(converter.get(), "&eacute;"));
  EXPECT_EQ("x", convertString(converter.get(), "x"));
  EXPECT_EQ("79", hexBytes(convertBuffer(converter.get(), "y", 16)));
  EXPECT_EQ("FAIL", convertString(converter.get(), "&zzz;"));
  EXPECT_EQ("z", convertString(converter.get(), "z"));

  // A "UTF-16" target writes its own mark once per state, like any
  // converter to "UTF-16".
  auto toUtf16 = openNative("HTML", "UTF-16");
  ASSERT_TRUE(toUtf16);
  EXPECT_EQ("FE FF 00 61", hexBytes(convertBuffer(toUtf16.get(), "a", 16)));
  EXPECT_EQ("00 62", hexBytes(convertBuffer(toUtf16.get(), "b", 16)));
}

TEST(HtmlConverter, BothSidesPseudo) {
  // "HTML" to "HTMLWITHTAGS": UTF-16 in, entity text with tags out.
  auto encoder = openNative("HTML", "HTMLWITHTAGS");
  ASSERT_TRUE(encoder);
  const std::string utf16("\xFE\xFF\x00<\x00<\x00" "b\x00>\x00>\x00\xE9", 14);
  EXPECT_EQ("<b>&eacute;", convertBuffer(encoder.get(), utf16, 64));

  // "HTMLWITHTAGS" to "HTML": entity text with tags in, UTF-16 out.
  auto decoder = openNative("HTMLWITHTAGS", "HTML");
  ASSERT_TRUE(decoder);
  EXPECT_EQ("FE FF 00 3C 00 3C 00 62 00 3E 00 3E",
            hexBytes(convertBuffer(decoder.get(), "<b>", 64)));
}

TEST(HtmlConverter, EncodingConvertBufferCopiesOnlyWhatFits) {
  auto converter = openNative("ISO-8859-1", "HTML");
  ASSERT_TRUE(converter);
  char out[16];
  std::memset(out, 'x', sizeof out);
  uint32_t length = 5;
  EXPECT_EQ(1u, converter->ConvertBuffer("\xE9", 1, out, &length)) << "&eacute; needs 8 bytes";
  EXPECT_EQ(5u, length);
  EXPECT_EQ(std::string(16, 'x'), std::string(out, 16));
  length = 8;
  EXPECT_EQ(0u, converter->ConvertBuffer("\xE9", 1, out, &length));
  EXPECT_EQ(8u, length);
  EXPECT_EQ("&eacute;x", std::string(out, 9)) << "no terminating zero is written";
}

TEST(HtmlConverter, OversizedInputsFailBeforeAnyBufferOrLibraryCall) {
  libraryProbeC probe;
  auto encoder = openNative("ISO-8859-1", "HTML");
  auto decoder = openNative("HTML", "ISO-8859-1");
  ASSERT_TRUE(encoder && decoder);
  // Only the length is oversized; nothing may be read from the input.
  char small[8] = "abc";
  char out[8];
  uint32_t length = sizeof out - 1;
  EXPECT_EQ(1u, encoder->ConvertBuffer(small, 0x20000000u, out, &length)) << "8 x n overflows";
  EXPECT_EQ(1u, decoder->ConvertBuffer(small, 0x40000000u, out, &length)) << "4 x n + 3 overflows";
  EXPECT_EQ(7u, length);
  EXPECT_EQ(0, probe.converts);
}

// What the encoder must write for one code unit.
std::string expectedEntityText(uint16_t unit) {
  switch (unit) {
    case '"': return "&quot;";
    case '&': return "&amp;";
    case '<': return "&lt;";
    case '>': return "&gt;";
  }
  if (unit < 128) return std::string(1, static_cast<char>(unit));
  for (const htmlEntityS& row : htmlEntityTable) {
    if (row.code == unit) return std::string("&") + row.name + ";";
  }
  char text[16];
  std::snprintf(text, sizeof text, "&#x%04x;", unit);
  return text;
}

TEST(HtmlConverter, EveryCodeUnitEncodesAndDecodesBack) {
  // One converter each way for all units: also a long run of successive
  // calls on one conversion state.
  auto encoder = openNative("UTF-16BE", "HTML");
  auto decoder = openNative("HTML", "UTF-16BE");
  ASSERT_TRUE(encoder && decoder);
  int mismatches = 0;
  for (uint32_t unit = 1; unit <= 0xFFFF && mismatches < 10; ++unit) {
    if (unit >= 0xD800 && unit <= 0xDFFF) continue;
    const std::string utf16{static_cast<char>(unit >> 8), static_cast<char>(unit & 0xFF)};
    const std::string encoded = convertBuffer(encoder.get(), utf16, 64);
    // The library's "UTF-16" writes U+FFFD for the noncharacter U+FFFE; it
    // reads units FEFF and FFFE as byte-order marks, so the decoder refuses
    // to hand them over.
    const bool markUnit = unit == 0xFEFF || unit == 0xFFFE;
    const std::string expected = unit == 0xFFFE ? "&#xfffd;" : expectedEntityText(unit);
    if (encoded != expected) {
      ADD_FAILURE() << "encoding U+" << hexBytes(utf16) << ": expected " << expected
                    << ", actual " << encoded;
      ++mismatches;
      continue;
    }
    const std::string entity = unit == 0xFFFE ? std::string("&#xfffe;") : encoded;
    const std::string decoded = convertBuffer(decoder.get(), entity, 16);
    const std::string back = markUnit ? std::string("FAIL") : utf16;
    if (decoded != back) {
      ADD_FAILURE() << "decoding " << entity << ": expected " << hexBytes(back) << ", actual "
                    << hexBytes(decoded);
      ++mismatches;
    }
  }
  EXPECT_EQ(0, mismatches);
}

}  // namespace
