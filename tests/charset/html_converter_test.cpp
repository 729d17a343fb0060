// The HTML side: entity name lookup and the converters to and from entity
// text, with every code unit of the table through ConvertBuffer.
#include <cstdio>

#include "charset/html_codec.h"
#include "charset/html_entities.h"
#include "charset_test_support.h"

namespace {

using namespace charsettest;

TEST(EntityCodeForName, FixedNamesNumbersAndFailures) {
  const struct {
    std::string name;
    uint16_t code;
  } cases[] = {
      {"quot", 34},
      {"amp", 38},
      {"lt", 60},
      {"gt", 62},
      {"eacute", 233},
      {"Eacute", 201},
      {"#233", 233},
      {"#xe9", 233},
      {"e9", 233},
      {"#x41", 65},
      {"FFFF", 0xFFFF},
      {"0x41", 65},  // 'x' at position 1 is a mode switch, not a digit
      {"#x1000000041", 0x41},
      {"#1a", 0},
      {"#", 0},
      {"#x", 0},
      {"", 0},
      {"AMP", 0},
      {"x41", 0},
      {"4#1", 0},
      {std::string("amp\0x", 5), 0},
      {std::string("41\0", 3), 0},  // zero bytes
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.code, entityCodeForName(c.name.data(), c.name.size()));
    const bool hasZero = c.name.find('\0') != std::string::npos;
    EXPECT_EQ(c.code, hasZero ? c.code : entityCodeForName(c.name.c_str())) << "zero-terminated";
  }
  EXPECT_EQ(38, entityCodeForName("amp;rest", 3));
  EXPECT_EQ(0, entityCodeForName(nullptr));
}

// Every name of the table gives the code of the first row holding it, and
// its prefix does not.
TEST(EntityCodeForName, EveryTableName) {
  for (size_t row = 0; row < htmlEntityCount; ++row) {
    const std::string name = htmlEntityTable[row].name;
    SCOPED_TRACE(name);
    uint16_t first = 0;
    for (size_t other = 0; other < htmlEntityCount && first == 0; ++other) {
      if (name == htmlEntityTable[other].name) first = htmlEntityTable[other].code;
    }
    EXPECT_EQ(first, entityCodeForName(name.data(), name.size()));
    EXPECT_NE(first, entityCodeForName(name.data(), name.size() - 1)) << "a prefix";
    EXPECT_NE('#', name[0]) << "a name starting with '#' would be read as a number";
  }
}

// The measured length of every code unit's name is the length written.
TEST(EntityNameLength, EveryCodeUnit) {
  const uint8_t* lengths = entityNameLengths();
  for (uint32_t code = 0; code <= 0xFFFF; ++code) {
    char name[8];
    const size_t written = writeEntityName(static_cast<uint16_t>(code), name);
    if (written != lengths[code]) {
      ADD_FAILURE() << "code " << code << ": writes " << written << ", measures " << int{lengths[code]};
      return;
    }
  }
}

TEST(HtmlCodec, WorstCasesFitTheirBounds) {
  const unsigned char thetasym[] = {0x03, 0xD1};  // the longest entity text
  std::vector<char> encoded(sizeof thetasym * htmlEncodedBytesPerUnitByte);
  EXPECT_EQ(encoded.size(), encodeHtmlUnits(thetasym, sizeof thetasym, false, encoded.data()));
  std::vector<unsigned char> decoded(htmlDecodedBytesPerInputByte + htmlDecodedExtraBytes);
  size_t written = 0;
  ASSERT_TRUE(decodeHtmlUnits("<", 1, true, decoded.data(), &written));  // mark and "<<"
  EXPECT_EQ(6u, written);
}

TEST(HtmlConverter, ConvertString) {
  const struct {
    const char* from;
    const char* to;
    std::string input, expected;
  } cases[] = {
      {"ISO-8859-1", "HTML", "a < b & c \"it's\" <<b>>", "a &lt; b &amp; c &quot;it's&quot; &lt;&lt;b&gt;&gt;"},
      {"UTF-8", "HTML", "\xC3\xA9\xC2\xA0\xE2\x82\xAC\xE2\x88\xA7\xE2\x8A\xA5\xCE\xB1\xC5\x92",
       "&eacute;&nbsp;&#x20ac;&and;&perp;&alpha;&#x0152;"},
      {"UTF-8", "HTML", "\xF0\x9F\x98\x80", "&#xd83d;&#xde00;"},  // surrogates: two entities
      {"UTF-7", "HTML", "a+AAA-b", "a"},                          // U+0000 encodes as a zero byte, which ends the text
      {"UTF-8", "HTMLWITHTAGS", "<<b>>bold<</b>> a<b <<< <\xC4\xBC",  // unit 013C is no '<'
       "<b>bold</b> a&lt;b <&lt; &lt;&#x013c;"},
      // Tags stay single, bytes are Latin-1 characters, bare digits are
      // hexadecimal, numbers are taken modulo 65536, a name has up to 18 bytes.
      {"HTML", "UTF-8", "<b>caf&eacute; &amp;lt; \xC3\xA9 &41;&#65601;&#00000000000000065;",
       "<b>caf\xC3\xA9 &lt; \xC3\x83\xC2\xA9 AAA"},
      {"HTML", "UTF-8", "&#xd83d;&#xde00;", "\xF0\x9F\x98\x80"},
      {"HTML", "UTF-8", "&#xd83d;x", "FAIL"},  // lone surrogate
      {"HTML", "UTF-8", "a & b", "FAIL"},
      {"HTML", "UTF-8", "&#X41;", "FAIL"},
      {"HTML", "UTF-8", "&#0;", "FAIL"},
      {"HTML", "UTF-8", "&#65536;", "FAIL"},
      {"HTML", "UTF-8", "&#000000000000000065;", "FAIL"},
      {"HTML", "UTF-8", "abc&", "FAIL"},
      {"HTML", "UTF-8", "&amp", "FAIL"},
      {"HTML", "ISO-8859-1", "&euro;", "FAIL"},  // not in the target
      {"HTML", "CP1252", "&#x20ac;", "\x80"},
      {"HTMLWITHTAGS", "ISO-8859-1", "<p>caf&eacute; &lt;3 &amp; <i>x</i></p>", "<<p>>caf\xE9 <3 & <<i>>x<</i>><</p>>"},
      {"ISO-8859-1", "HTMLWITHTAGS", "<<p>>caf\xE9 <3 & <<i>>x<</i>><</p>>", "<p>caf&eacute; &lt;3 &amp; <i>x</i></p>"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.from) + " -> " + c.to + ": " + hexBytes(c.input));
    auto converter = openNative(c.from, c.to);
    ASSERT_TRUE(converter);
    const std::string actual = convertString(converter.get(), c.input);
    EXPECT_EQ(c.expected, actual) << hexBytes(c.expected) << " vs " << hexBytes(actual);
  }
}

TEST(HtmlConverter, ConvertBuffer) {
  // "HTML" to "HTMLWITHTAGS" encodes UTF-16; the reverse decodes into it.
  const std::string utf16(
      "\xFE\xFF\x00<\x00<\x00"
      "b\x00>\x00>\x00\xE9",
      14);
  EXPECT_EQ("<b>&eacute;", convertBuffer(openNative("HTML", "HTMLWITHTAGS").get(), utf16, 64));
  EXPECT_EQ("FE FF 00 3C 00 3C 00 62 00 3E 00 3E",
            hexBytes(convertBuffer(openNative("HTMLWITHTAGS", "HTML").get(), "<b>", 64)));

  auto converter = openNative("ISO-8859-1", "HTML");
  ASSERT_TRUE(converter);
  char out[] = "xxxxxxxxxxxxxxx";
  uint32_t length = 7;
  EXPECT_EQ(1u, converter->ConvertBuffer("\xE9", 1, out, &length)) << "&eacute; needs 8 bytes";
  EXPECT_EQ(7u, length);
  EXPECT_EQ(std::string(15, 'x') + '\0', std::string(out, sizeof out));
  length = 8;
  EXPECT_EQ(0u, converter->ConvertBuffer("\xE9", 1, out, &length));
  EXPECT_EQ("&eacute;x", std::string(out, length + 1)) << "no terminating zero is written";
  EXPECT_EQ("00 61", hexBytes(convertBuffer(converter.get(), std::string("\0a", 2), 16)));
}

// The closing call of an HTML converter closes the handle that writes toward
// the target: encoding, a letter the source decoder held back comes out as
// entity text; decoding, a stateful target returns to its initial state.
// "Convert" makes it after its one conversion.
TEST(HtmlConverter, ClosingCallCompletesTheConversion) {
  const struct {
    const char *from, *to, *input, *beforeClosing, *closing;
  } cases[] = {
      {"CP1258", "HTML",
       "a\xE0"
       "e",
       "a&agrave;", "e"},
      {"TCVN", "HTMLWITHTAGS", "<<b>>a", "<b>", "a"},
      {"HTML", "UTF-7", "&eacute;", "+AO", "k-"},
      {"HTML", "ISO-2022-JP", "&#x65e5;", "\x1B$BF|", "\x1B(B"},
      {"UTF-8", "HTML", "a", "a", ""},  // nothing held: nothing added
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.from) + " -> " + c.to + ": " + c.input);
    auto converter = openNative(c.from, c.to);
    ASSERT_TRUE(converter);
    EXPECT_EQ(hexBytes(c.beforeClosing), hexBytes(convertBuffer(converter.get(), c.input, 64)));
    EXPECT_EQ(hexBytes(c.closing), hexBytes(closeBuffer(converter.get(), 64)));
    EXPECT_EQ(hexBytes(std::string(c.beforeClosing) + c.closing), hexBytes(convertByName(c.from, c.to, c.input)));
  }
  EXPECT_EQ("", closeBuffer(openNative("CP1258", "HTML").get(), 64)) << "a fresh handle holds nothing";
  auto encoder = openNative("CP1258", "HTML");
  ASSERT_TRUE(encoder);
  EXPECT_EQ("", convertBuffer(encoder.get(), "\xEA", 64)) << "e with circumflex may take a tone mark";
  EXPECT_EQ("FAIL", closeBuffer(encoder.get(), 6)) << "&ecirc; needs 7 bytes";
}

TEST(HtmlConverter, OversizedInputsFailBeforeAnyBufferOrLibraryCall) {
  libraryProbeC probe;
  auto encoder = openNative("ISO-8859-1", "HTML"), decoder = openNative("HTML", "ISO-8859-1");
  ASSERT_TRUE(encoder && decoder);
  // Only the length is oversized; nothing may be read from the input.
  char small[8] = "abc", out[8];
  uint32_t length = sizeof out - 1;
  EXPECT_EQ(1u, encoder->ConvertBuffer(small, 0x20000000u, out, &length)) << "8 x n overflows";
  EXPECT_EQ(1u, decoder->ConvertBuffer(small, 0x40000000u, out, &length)) << "4 x n + 3 overflows";
  EXPECT_EQ(7u, length);
  EXPECT_EQ(0, probe.converts);
}

// What the encoder writes for one code unit.
std::string expectedEntityText(uint16_t unit) {
  switch (unit) {
    case '"':
      return "&quot;";
    case '&':
      return "&amp;";
    case '<':
      return "&lt;";
    case '>':
      return "&gt;";
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
  // One converter each way: also a long run of calls on one state.
  auto encoder = openNative("UTF-16BE", "HTML"), decoder = openNative("HTML", "UTF-16BE");
  ASSERT_TRUE(encoder && decoder);
  for (uint32_t unit = 1; unit <= 0xFFFF; ++unit) {
    if (unit >= 0xD800 && unit <= 0xDFFF) continue;
    const std::string utf16{static_cast<char>(unit >> 8), static_cast<char>(unit & 0xFF)};
    // U+FFFE encodes as U+FFFD; FEFF and FFFE do not decode (they read as marks).
    const std::string encoded = convertBuffer(encoder.get(), utf16, 64);
    ASSERT_EQ(unit == 0xFFFE ? "&#xfffd;" : expectedEntityText(unit), encoded) << hexBytes(utf16);
    const std::string entity = unit == 0xFFFE ? "&#xfffe;" : encoded;
    const std::string back = unit == 0xFEFF || unit == 0xFFFE ? "FAIL" : utf16;
    ASSERT_EQ(hexBytes(back), hexBytes(convertBuffer(decoder.get(), entity, 16))) << entity;
  }
}

}  // namespace
