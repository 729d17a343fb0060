// The entity text walks over UTF-16 units, without the charset library.
#include "charset/html_codec.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>
#include "tests/support/hex_bytes.h"

namespace {

std::string units(std::initializer_list<uint16_t> codes) {
  std::string bytes;
  for (uint16_t code : codes) {
    bytes += static_cast<char>(code >> 8);
    bytes += static_cast<char>(code & 0xFF);
  }
  return bytes;
}

std::string encode(const std::string& utf16, bool withTags) {
  std::vector<char> out(utf16.size() * htmlEncodedBytesPerUnitByte + 1);
  const size_t n = encodeHtmlUnits(reinterpret_cast<const unsigned char*>(utf16.data()),
                                   utf16.size(), withTags, out.data());
  return std::string(out.data(), n);
}

// Decodes and answers the units after the mark, or "FAIL".
std::string decode(const std::string& text, bool withTags) {
  std::vector<unsigned char> out(text.size() * 4 + 3);
  size_t written = 12345;
  if (!decodeHtmlUnits(text.data(), text.size(), withTags, out.data(), &written)) {
    EXPECT_EQ(12345u, written) << "written must stay untouched on failure";
    return "FAIL";
  }
  EXPECT_LE(written, out.size());
  std::string bytes(reinterpret_cast<const char*>(out.data()), written);
  EXPECT_EQ("FE FF", hexBytes(bytes.substr(0, 2)));
  return bytes.substr(2);
}

TEST(EncodeHtmlUnits, OneUnitAtATime) {
  const struct {
    const char* label;
    std::string utf16;
    bool withTags;
    std::string expected;
  } cases[] = {
      {"surrogate pair", units({0xD83D, 0xDE00}), false, "&#xd83d;&#xde00;"},
      {"three in a row", units({'<', '<', '<'}), true, "<&lt;"},
      {"mixed pair is no tag", units({'<', '>'}), true, "&lt;&gt;"},
      {"pairs without tags", units({'<', '<'}), false, "&lt;&lt;"},
      {"unit 0x013C is not '<'", units({'<', 0x013C}), true, "&lt;&#x013c;"},
      {"zero unit", units({0, 'a'}), false, std::string("\0a", 2)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(hexBytes(c.expected), hexBytes(encode(c.utf16, c.withTags)));
  }
}

TEST(EncodeHtmlUnits, TrailingOddByteIsIgnored) {
  EXPECT_EQ("a", encode(units({'a'}) + "\x01", false));
  EXPECT_EQ("&lt;", encode(units({'<'}) + std::string(1, '\0'), true));
}

TEST(EncodeHtmlUnits, WorstCaseFitsTheBound) {
  const std::string utf16 = units({977, 977, 977});  // "&thetasym;" three times
  EXPECT_EQ(30u, encode(utf16, false).size());
  EXPECT_EQ(utf16.size() * htmlEncodedBytesPerUnitByte, 30u);
}

TEST(DecodeHtmlUnits, EntitiesAndPlainBytes) {
  const struct {
    const char* label;
    std::string text;
    bool withTags;
    std::string expected;  // units after the mark, or "FAIL"
  } cases[] = {
      {"numeric forms", "&#233;&#xe9;&e9;&41;", false, units({233, 233, 233, 'A'})},
      {"bytes above 127 stay single characters", "\xC3\xA9", false, units({0xC3, 0xA9})},
      {"tags doubled", "<b>", true, units({'<', '<', 'b', '>', '>'})},
      {"tags untouched without tags", "<b>", false, units({'<', 'b', '>'})},
      {"entity 65601 wraps to A", "&#65601;", false, units({'A'})},
      {"18-byte name is read", "&#00000000000000065;", false, units({'A'})},
      {"19-byte name is too long", "&#000000000000000065;", false, "FAIL"},
      {"ampersand at the end", "abc&", false, "FAIL"},
      {"name cut by the end", "&amp", false, "FAIL"},
      {"empty name", "&;", false, "FAIL"},
      {"mark as entity", "&#xfeff;", false, "FAIL"},
      {"reversed mark as entity", "&#xfffe;", false, "FAIL"},
      {"empty input", "", false, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const std::string actual = decode(c.text, c.withTags);
    EXPECT_EQ(c.expected == "FAIL" ? c.expected : hexBytes(c.expected),
              actual == "FAIL" ? actual : hexBytes(actual));
  }
}

TEST(DecodeHtmlUnits, WorstCaseFitsTheBound) {
  const std::string text(1000, '<');
  std::vector<unsigned char> out(text.size() * 4 + 3);
  size_t written = 0;
  ASSERT_TRUE(decodeHtmlUnits(text.data(), text.size(), true, out.data(), &written));
  EXPECT_EQ(2 + 4 * text.size(), written);
}

}  // namespace
