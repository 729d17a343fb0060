// The plain converter through its native face: one library call per
// conversion into 8 bytes per input byte, state kept between calls, Reset.
#include "charset/charset_converter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "charset_test_support.h"

namespace {

using charsettest::convertBuffer;
using charsettest::convertString;
using charsettest::hexBytes;
using charsettest::libraryProbeC;
using charsettest::openNative;
using charsettest::referenceConvert;

// The reference as ConvertString reports it: up to the first zero byte.
std::string upToZero(const std::string& bytes) { return bytes.substr(0, bytes.find('\0')); }

TEST(CharsetConverter, ConvertStringMatchesDirectLibiconv) {
  const struct {
    const char* from;
    const char* to;
    std::string text;
  } cases[] = {
      {"ISO-8859-1", "UTF-8", "caf\xE9 \xA0\xFF"},
      {"UTF-8", "ISO-8859-1", "caf\xC3\xA9"},
      {"CP1252", "UTF-8", "\x80 \x85 \x93quoted\x94"},
      {"UTF-8", "ISO-2022-JP", "\xE6\x97\xA5\xE6\x9C\xAC"},  // stateful target, no closing shift
      {"UTF-8", "ASCII//TRANSLIT", "\xC2\xBC \xE2\x80\xA6"},
      {"ISO-8859-1", "UTF-16", "ab"},  // stops at the first zero byte of the output
      {"CP856", "UTF-8", "\x80\x9A"},  // an extra encoding
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.from) + " -> " + c.to);
    std::string expected;
    ASSERT_TRUE(referenceConvert(c.to, c.from, c.text, &expected));
    auto converter = openNative(c.from, c.to);
    ASSERT_TRUE(converter);
    EXPECT_EQ(hexBytes(upToZero(expected)), hexBytes(convertString(converter.get(), c.text)));
  }
}

TEST(CharsetConverter, EmptyTextGivesEmptyTextWithoutLibraryCall) {
  libraryProbeC probe;
  auto converter = openNative("ISO-8859-1", "UTF-8");
  ASSERT_TRUE(converter);
  zkVariantS out;
  ASSERT_EQ(0u, converter->ConvertString("", &out));
  EXPECT_EQ("zkVarString \"\"", charsettest::describe(out));
  ASSERT_EQ(0u, converter->ConvertString(nullptr, &out));
  EXPECT_EQ("zkVarString \"\"", charsettest::describe(out));
  EXPECT_EQ(0, probe.converts);
}

TEST(CharsetConverter, OneLibraryCallIntoEightBytesPerInputByte) {
  libraryProbeC probe;
  {
    auto converter = openNative("ISO-8859-1", "UTF-8");
    ASSERT_TRUE(converter);
    EXPECT_EQ("Gr\xC3\xBC\xC3\x9F" "e", convertString(converter.get(), "Gr\xFC\xDF" "e"));
    EXPECT_EQ(1, probe.converts);
    EXPECT_EQ(8u * 5, probe.lastCapacity);
    EXPECT_EQ(0, probe.closes);
  }
  EXPECT_EQ(1, probe.opens);
  EXPECT_EQ(1, probe.closes) << "releasing the converter closes its handle";
}

TEST(CharsetConverter, OutputOfExactlyEightBytesPerByteFits) {
  // "UTF-32" writes a four-byte mark before the first character.
  auto converter = openNative("ISO-8859-1", "UTF-32");
  ASSERT_TRUE(converter);
  zkVariantS out;
  EXPECT_EQ(0u, converter->ConvertString("a", &out));
}

TEST(CharsetConverter, ConvertBufferNeedsRoomForTheWholeOutput) {
  auto converter = openNative("ISO-8859-1", "UTF-8");
  ASSERT_TRUE(converter);
  EXPECT_EQ("FAIL", convertBuffer(converter.get(), "\xE9\xE9", 3));
  auto fresh = openNative("ISO-8859-1", "UTF-8");
  EXPECT_EQ("C3 A9 C3 A9", hexBytes(convertBuffer(fresh.get(), "\xE9\xE9", 4)));
}

TEST(CharsetConverter, ConvertBufferTerminatesAfterTheProducedBytes) {
  auto converter = openNative("ISO-8859-1", "UTF-8");
  ASSERT_TRUE(converter);
  char out[16];
  std::memset(out, 'x', sizeof out);
  uint32_t length = 8;
  ASSERT_EQ(0u, converter->ConvertBuffer("\xE9", 1, out, &length));
  EXPECT_EQ(2u, length);
  EXPECT_EQ("C3 A9 00 78", hexBytes(std::string(out, 4)));
}

TEST(CharsetConverter, InvalidOrIncompleteInputAtTheEndFails) {
  const struct {
    const char* label;
    const char* from;
    const char* to;
    std::string text;
  } cases[] = {
      {"incomplete UTF-8 sequence", "UTF-8", "ISO-8859-1", "abc\xC3"},
      {"invalid UTF-8 byte", "UTF-8", "ISO-8859-1", "abc\xFF"},
      {"character the target lacks", "UTF-8", "ASCII", "caf\xC3\xA9"},
      {"half a UTF-16 unit", "UTF-16BE", "UTF-8", std::string("\x00\x61\x00", 3)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    auto converter = openNative(c.from, c.to);
    ASSERT_TRUE(converter);
    EXPECT_EQ("FAIL", convertBuffer(converter.get(), c.text, 64));
    auto again = openNative(c.from, c.to);
    if (c.text.find('\0') == std::string::npos) {
      EXPECT_EQ("FAIL", convertString(again.get(), c.text));
    }
  }
}

TEST(CharsetConverter, ZeroBytesInOutputAndInput) {
  // Output: ConvertString stops at the first zero byte, ConvertBuffer
  // reports everything.
  auto toUtf16 = openNative("ISO-8859-1", "UTF-16");
  ASSERT_TRUE(toUtf16);
  EXPECT_EQ("FE FF", hexBytes(convertString(toUtf16.get(), "ab")));
  auto toUtf16Buffer = openNative("ISO-8859-1", "UTF-16");
  EXPECT_EQ("FE FF 00 61 00 62", hexBytes(convertBuffer(toUtf16Buffer.get(), "ab", 16)));

  // Input: ConvertString sees the text up to its zero, ConvertBuffer the
  // whole length.
  auto plain = openNative("ISO-8859-1", "UTF-8");
  EXPECT_EQ("a", convertString(plain.get(), std::string("a\0b", 3)));
  EXPECT_EQ("61 00 62", hexBytes(convertBuffer(plain.get(), std::string("a\0b", 3), 16)));
}

TEST(CharsetConverter, StateIsKeptBetweenCalls) {
  // The mark of "UTF-16" belongs to the start of the state only.
  auto toUtf16 = openNative("ISO-8859-1", "UTF-16");
  ASSERT_TRUE(toUtf16);
  EXPECT_EQ("FE FF 00 61", hexBytes(convertBuffer(toUtf16.get(), "a", 16)));
  EXPECT_EQ("00 62", hexBytes(convertBuffer(toUtf16.get(), "b", 16)));

  // A stateful target does not repeat its shift sequence.
  const std::string first = "\xE6\x97\xA5", second = "\xE6\x9C\xAC";
  std::string whole;
  ASSERT_TRUE(referenceConvert("ISO-2022-JP", "UTF-8", first + second, &whole));
  auto jis = openNative("UTF-8", "ISO-2022-JP");
  ASSERT_TRUE(jis);
  const std::string a = convertString(jis.get(), first);
  const std::string b = convertString(jis.get(), second);
  EXPECT_EQ(hexBytes(whole), hexBytes(a + b));
  EXPECT_EQ(2u, b.size()) << "the second call continues in the shifted state";
}

TEST(CharsetConverter, ResetStartsTheStateAfresh) {
  auto converter = openNative("ISO-8859-1", "UTF-16");
  ASSERT_TRUE(converter);
  EXPECT_EQ(0u, converter->Reset()) << "Reset on a fresh converter";
  EXPECT_EQ("FE FF 00 61", hexBytes(convertBuffer(converter.get(), "a", 16)));
  EXPECT_EQ("00 62", hexBytes(convertBuffer(converter.get(), "b", 16)));
  EXPECT_EQ(0u, converter->Reset());
  EXPECT_EQ("FE FF 00 63", hexBytes(convertBuffer(converter.get(), "c", 16)));
}

TEST(CharsetConverter, AfterAFailedResetNothingTouchesTheLibrary) {
  libraryProbeC probe;
  auto converter = openNative("ISO-8859-1", "UTF-8");
  ASSERT_TRUE(converter);
  probe.failOpen = true;
  EXPECT_EQ(1u, converter->Reset());
  EXPECT_EQ("UTF-8", probe.lastTo);
  EXPECT_EQ("ISO-8859-1", probe.lastFrom);
  EXPECT_EQ(1, probe.closes) << "the old handle is closed";

  EXPECT_EQ("FAIL", convertString(converter.get(), "abc"));
  EXPECT_EQ("FAIL", convertString(converter.get(), ""));
  EXPECT_EQ("FAIL", convertBuffer(converter.get(), "abc", 16));
  EXPECT_EQ(0, probe.converts);

  EXPECT_EQ(1u, converter->Reset()) << "a second failed Reset closes nothing";
  EXPECT_EQ(1, probe.closes);

  probe.failOpen = false;
  EXPECT_EQ(0u, converter->Reset());
  EXPECT_EQ("abc", convertString(converter.get(), "abc"));
  converter.reset();
  EXPECT_EQ(2, probe.closes);
}

TEST(CharsetConverter, FailedResetThenReleaseClosesNothing) {
  libraryProbeC probe;
  auto converter = openNative("ISO-8859-1", "UTF-8");
  ASSERT_TRUE(converter);
  probe.failOpen = true;
  EXPECT_EQ(1u, converter->Reset());
  converter.reset();
  EXPECT_EQ(1, probe.closes);
}

TEST(CharsetConverter, BadArgumentsFailCleanly) {
  auto converter = openNative("ISO-8859-1", "UTF-8");
  ASSERT_TRUE(converter);
  char out[8];
  uint32_t length = 7;
  EXPECT_EQ(1u, converter->ConvertBuffer("a", 1, out, nullptr));
  EXPECT_EQ(1u, converter->ConvertBuffer("a", 1, nullptr, &length));
  EXPECT_EQ(1u, converter->ConvertBuffer(nullptr, 1, out, &length));
  EXPECT_EQ(1u, converter->ConvertString("a", nullptr));
  EXPECT_EQ(0u, converter->ConvertBuffer(nullptr, 0, out, &length));
  EXPECT_EQ(0u, length);
}

}  // namespace
