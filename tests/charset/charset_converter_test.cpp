// The converters through their native face: one library call per conversion
// into 8 bytes per input byte, state kept between calls, Reset.
#include <utility>
#include <vector>

#include "charset_test_support.h"

namespace {

using namespace charsettest;

std::string shown(const std::string& bytes) { return bytes == "FAIL" ? bytes : hexBytes(bytes); }

TEST(CharsetConverter, MatchesDirectLibiconv) {
  // ConvertString stops at the first zero byte; UTF-32 "a" takes exactly 8
  // bytes per input byte; the last four rows end in invalid or incomplete input.
  const struct {
    const char* from;
    const char* to;
    std::string text;
  } cases[] = {
      {"ISO-8859-1", "UTF-8", "caf\xE9 \xA0\xFF"},
      {"UTF-8", "ISO-8859-1", "caf\xC3\xA9"},
      {"CP1252", "UTF-8", "\x80 \x85 \x93quoted\x94"},
      {"CP856", "UTF-8", "\x80\x9A"},
      {"UTF-8", "ISO-2022-JP", "\xE6\x97\xA5\xE6\x9C\xAC"},  // stateful target, no closing shift
      {"UTF-8", "ASCII//TRANSLIT", "\xC2\xBC \xE2\x80\xA6"},
      {"ISO-8859-1", "UTF-16", "ab"},
      {"ISO-8859-1", "UTF-32", "a"},
      {"ISO-8859-1", "UTF-8", std::string("a\0b", 3)},
      {"UTF-8", "ISO-8859-1", "abc\xC3"},
      {"UTF-8", "ISO-8859-1", "abc\xFF"},
      {"UTF-8", "ASCII", "caf\xC3\xA9"},
      {"UTF-16BE", "UTF-8", std::string("\x00\x61\x00", 3)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.from) + " -> " + c.to + ": " + hexBytes(c.text));
    std::string whole, text;
    if (!referenceConvert(c.to, c.from, c.text, &whole)) whole = "FAIL";
    if (!referenceConvert(c.to, c.from, c.text.substr(0, c.text.find('\0')), &text)) text = "FAIL";
    auto converter = openNative(c.from, c.to), fresh = openNative(c.from, c.to);
    ASSERT_TRUE(converter && fresh);
    EXPECT_EQ(shown(whole), shown(convertBuffer(converter.get(), c.text, 64)));
    EXPECT_EQ(shown(text.substr(0, text.find('\0'))), shown(convertString(fresh.get(), c.text)));
  }
}

TEST(CharsetConverter, OneLibraryCallIntoEightBytesPerInputByteAndBufferBounds) {
  libraryProbeC probe;
  auto converter = openNative("ISO-8859-1", "UTF-8");
  ASSERT_TRUE(converter);
  zkVariantS empty;
  ASSERT_EQ(0u, converter->ConvertString(nullptr, &empty));
  EXPECT_EQ("zkVarString \"\"", describeVariant(empty));
  EXPECT_EQ("", convertString(converter.get(), ""));
  EXPECT_EQ(0, probe.converts) << "empty text needs no library call";
  EXPECT_EQ(
      "Gr\xC3\xBC\xC3\x9F"
      "e",
      convertString(converter.get(),
                    "Gr\xFC\xDF"
                    "e"));
  EXPECT_EQ(1, probe.converts);
  EXPECT_EQ(8u * 5, probe.lastCapacity);
  EXPECT_EQ("FAIL", convertBuffer(converter.get(), "\xE9\xE9", 3));
  char out[] = "xxxxxxxxxxxxxxx";
  uint32_t length = 4;
  ASSERT_EQ(0u, converter->ConvertBuffer("\xE9\xE9", 2, out, &length));
  EXPECT_EQ("C3 A9 C3 A9 00 78", hexBytes(std::string(out, 6))) << "zero after the output";
  EXPECT_EQ(4u, length);
  EXPECT_EQ(1u, converter->ConvertBuffer("a", 1, out, nullptr));
  EXPECT_EQ(1u, converter->ConvertBuffer("a", 1, nullptr, &length));
  EXPECT_EQ(1u, converter->ConvertBuffer(nullptr, 1, out, &length));
  EXPECT_EQ(1u, converter->ConvertString("a", nullptr));
  const int converts = probe.converts;
  EXPECT_EQ(0u, converter->ConvertBuffer("", 0, out, &length)) << "empty input stays input";
  EXPECT_EQ(converts + 1, probe.converts);
  EXPECT_EQ(0u, converter->ConvertBuffer(nullptr, 0, out, &length)) << "the closing call";
  EXPECT_EQ(1, probe.closings);
  EXPECT_EQ(0u, length);
  EXPECT_EQ(0, probe.closes);
  converter.reset();
  EXPECT_EQ(1, probe.opens);
  EXPECT_EQ(1, probe.closes) << "releasing the converter closes its handle";
}

// The library's closing call ends a conversion: it shifts UTF-7 and ISO-2022
// targets back to their initial state and releases the last letter that
// CP1258 and TCVN hold back until they know no combining mark follows.
// ConvertBuffer and then the closing call give what libiconv driven directly
// with its closing call gives, byte for byte; so does "Convert" (up to the
// first zero byte), whose result converts back to the input.
TEST(CharsetConverter, ClosingCallCompletesTheConversion) {
  const struct {
    const char *from, *to;
    std::string text;
    bool roundTrip;
  } cases[] = {
      {"UTF-8", "UTF-7", "\xC3\xA9", true},  // "+AO" without it
      {"UTF-8", "UTF-7", "a\xC3\xA9\xE2\x82\xAC", true},
      {"UTF-8", "ISO-2022-JP", "\xE6\x97\xA5\xE6\x9C\xAC", true},  // ESC ( B at the end
      {"UTF-8", "ISO-2022-KR", "\xED\x95\x9C", true},              // SI at the end
      {"UTF-8", "ISO-8859-1", "caf\xC3\xA9", true},                // stateless: nothing added
      {"CP1258", "UTF-8", "abc", true},                            // "ab" without it
      {"TCVN", "UTF-8", "abc", true},
      {"CP1258", "UTF-16", "abc", false},  // the text stops at the first zero byte
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.from) + " -> " + c.to + ": " + hexBytes(c.text));
    std::string expected, unclosed;
    ASSERT_TRUE(referenceConvert(c.to, c.from, c.text, &expected, true));
    ASSERT_TRUE(referenceConvert(c.to, c.from, c.text, &unclosed));
    auto converter = openNative(c.from, c.to);
    ASSERT_TRUE(converter);
    const std::string converted = convertBuffer(converter.get(), c.text, 64);
    EXPECT_EQ(hexBytes(unclosed), hexBytes(converted));
    EXPECT_EQ(hexBytes(expected), hexBytes(converted + closeBuffer(converter.get(), 64)));
    EXPECT_EQ("", closeBuffer(converter.get(), 64)) << "back in the initial state";
    const std::string text = expected.substr(0, expected.find('\0'));
    EXPECT_EQ(hexBytes(text), hexBytes(convertByName(c.from, c.to, c.text)));
    if (c.roundTrip) {
      EXPECT_EQ(hexBytes(c.text), hexBytes(convertByName(c.to, c.from, text)));
    }
  }
  // Room for the closing bytes is part of the capacity.
  auto converter = openNative("UTF-8", "UTF-7");
  ASSERT_TRUE(converter);
  EXPECT_EQ("+AO", convertBuffer(converter.get(), "\xC3\xA9", 64));
  EXPECT_EQ("FAIL", closeBuffer(converter.get(), 1));
}

TEST(CharsetConverter, SuccessiveCallsKeepTheStateUntilReset) {
  // "RESET" gives Reset's status. A mark starts each state only; HTML encoding
  // keeps a later call's first character, decoding lets no mark through.
  using callsT = std::vector<std::pair<std::string, std::string>>;  // input, expected
  const struct {
    const char *from, *to;
    callsT calls;
  } cases[] = {
      {"ISO-8859-1", "UTF-16", {{"RESET", "0"}, {"a", "\xFE\xFF"}, {"b", ""}, {"RESET", "0"}, {"c", "\xFE\xFF"}}},
      {"ISO-8859-1", "HTML", {{"a", "a"}, {"\xE9x", "&eacute;x"}, {"RESET", "0"}, {"c", "c"}}},
      {"UTF-8", "HTML", {{"a\xFF", "FAIL"}, {"b", "b"}}},  // the mark came with 'a'
      {"UTF-8", "HTML", {{"\xEF\xBB\xBFx", "&#xfeff;x"}, {"\xEF\xBB\xBF", "&#xfeff;"}}},
      {"HTML", "UTF-8", {{"caf&eacute;", "caf\xC3\xA9"}, {"&eacute;", "\xC3\xA9"}}},
      {"HTML", "UTF-8", {{"x", "x"}, {"&nosuch;", "FAIL"}, {"z", "z"}}},
      {"HTML", "UTF-16", {{"a", "\xFE\xFF"}, {"b", ""}}},  // the target's own mark, once
  };
  for (const auto& c : cases) {
    auto converter = openNative(c.from, c.to);
    ASSERT_TRUE(converter);
    for (const auto& call : c.calls) {
      SCOPED_TRACE(std::string(c.from) + " -> " + c.to + ": " + hexBytes(call.first));
      EXPECT_EQ(call.second, call.first == "RESET" ? std::to_string(converter->Reset())
                                                   : convertString(converter.get(), call.first));
    }
  }
}

TEST(CharsetConverter, AfterAFailedResetNothingTouchesTheLibrary) {
  libraryProbeC probe;  // fails any call on a handle that is not open
  auto converter = openNative("ISO-8859-1", "UTF-8");
  ASSERT_TRUE(converter);
  probe.failOpen = true;
  EXPECT_EQ(1u, converter->Reset());
  EXPECT_EQ("ISO-8859-1 -> UTF-8", probe.lastNames);
  EXPECT_EQ(1, probe.closes) << "the old handle is closed";
  EXPECT_EQ("FAIL", convertString(converter.get(), "abc"));
  EXPECT_EQ("FAIL", convertString(converter.get(), ""));
  EXPECT_EQ("FAIL", convertBuffer(converter.get(), "abc", 16));
  EXPECT_EQ(0, probe.converts);
  EXPECT_EQ(1u, converter->Reset());
  probe.failOpen = false;
  EXPECT_EQ(0u, converter->Reset());
  EXPECT_EQ("abc", convertString(converter.get(), "abc"));
  probe.failOpen = true;
  EXPECT_EQ(1u, converter->Reset());
  converter.reset();
  EXPECT_EQ(2, probe.closes) << "each handle that opened is closed once, nothing else";
}

}  // namespace
