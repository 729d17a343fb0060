// Fuzz target: arbitrary bytes in several source character sets into HTML
// entity text.
//
// Input: one control byte (bits 0-2: the source character set; bit 3:
// HTMLWITHTAGS instead of HTML), then the source bytes. Properties:
//   - ConvertBuffer succeeds exactly when libiconv converts the bytes to
//     UTF-16 directly, and then gives the model's entity text for those
//     units;
//   - the unit walks round-trip: decoding the encoder's text gives the units
//     back, unless they hold U+FEFF or U+FFFE, which the decoder refuses;
//   - decoding the entity text back into the source character set gives
//     what libiconv gives for the same units (so the input itself wherever
//     libiconv maps it one to one), and fails exactly when libiconv does or
//     the units hold U+FEFF or U+FFFE;
//   - every block the conversions took from the module heap is given back.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "charset/html_codec.h"
#include "fuzz/converter_session.h"
#include "fuzz/fuzz_support.h"
#include "fuzz/html_model.h"

namespace {

constexpr std::size_t longestText = 1 << 13;

struct sourceS {
  const char* name;
};

const sourceS sources[] = {
    {"UTF-8"}, {"UTF-16BE"}, {"UTF-16LE"}, {"ISO-8859-1"}, {"SHIFT_JIS"}, {"UTF-16"}, {"CP1252"}, {"EUC-JP"},
};

bool holdsByteOrderUnit(const std::string& units) {
  for (std::size_t k = 0; k + 1 < units.size(); k += 2) {
    const unsigned char high = static_cast<unsigned char>(units[k]), low = static_cast<unsigned char>(units[k + 1]);
    if ((high == 0xFE && low == 0xFF) || (high == 0xFF && low == 0xFE)) return true;
  }
  return false;
}

void checkUnitRoundTrip(const std::string& units, bool withTags) {
  std::vector<char> encoded(units.size() * htmlEncodedBytesPerUnitByte + 1);
  const std::size_t length =
      encodeHtmlUnits(reinterpret_cast<const unsigned char*>(units.data()), units.size(), withTags, encoded.data());
  const std::string text(encoded.data(), length);
  fuzzExpectBytes("encodeHtmlUnits against the model", modelEncode(units, withTags), text);
  std::vector<unsigned char> decoded(text.size() * htmlDecodedBytesPerInputByte + htmlDecodedExtraBytes);
  std::size_t written = 0;
  const bool back = decodeHtmlUnits(text.data(), text.size(), withTags, decoded.data(), &written);
  if (holdsByteOrderUnit(units)) {
    fuzzExpect("the decoder refuses the units of a byte-order mark", !back);
    return;
  }
  fuzzExpect("the encoder's text decodes", back);
  fuzzExpectBytes("decode(encode(units))", "\xFE\xFF" + units,
                  std::string(reinterpret_cast<const char*>(decoded.data()), written));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  for (const sourceS& source : sources) {
    fuzzWarmUp(source.name, "HTML", "a\xe9");
    fuzzWarmUp("HTMLWITHTAGS", source.name, "&eacute;");
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2 || size > longestText) return 0;
  fuzzReaderC reader(data, size);
  const std::uint8_t control = reader.byte();
  const sourceS& source = sources[control % (sizeof sources / sizeof sources[0])];
  const bool withTags = (control & 8) != 0;
  const char* html = withTags ? "HTMLWITHTAGS" : "HTML";
  const std::string input = reader.takeAll();

  std::string utf16;
  const bool expectSuccess = fuzzReferenceConvert(source.name, "UTF-16", input, &utf16);
  const std::uint64_t blocksBefore = fuzzOutstandingBlocks();
  zkICharsetConverter* encoder = fuzzOpenConverter(source.name, html);
  fuzzExpect("the HTML encoder opens", encoder != nullptr);
  std::string text;
  const std::uint32_t capacity = static_cast<std::uint32_t>(input.size() * 40 + 64);
  const bool encoded = fuzzConvertBuffer(encoder, input, capacity, &text);
  fuzzExpectNumber("the encoder's last reference", 0, encoder->Release());
  if (encoded != expectSuccess) {
    fuzzFail("ConvertBuffer succeeds exactly when libiconv does", expectSuccess ? "success" : "failure",
             encoded ? "success" : "failure");
  }
  if (!encoded) {
    fuzzExpectNumber("module heap blocks after a refused encoding", blocksBefore, fuzzOutstandingBlocks());
    return 0;
  }
  // libiconv writes the mark with the first character: input without one
  // (nothing, or only marks of a source that reads them) gives no bytes.
  fuzzExpect("libiconv's UTF-16 is empty or starts with the mark FE FF",
             utf16.empty() || (utf16.size() >= 2 && utf16.compare(0, 2, "\xFE\xFF") == 0));
  const std::string units = utf16.empty() ? std::string() : utf16.substr(2);
  fuzzExpectBytes("ConvertBuffer against the model on libiconv's units", modelEncode(units, withTags), text);
  checkUnitRoundTrip(units, withTags);

  // Back into the source character set: what libiconv makes of the same
  // units (the input itself wherever libiconv maps the text one to one).
  std::string expectedBack;
  const bool backExpected =
      !holdsByteOrderUnit(units) && fuzzReferenceConvert("UTF-16", source.name, utf16, &expectedBack);
  zkICharsetConverter* decoder = fuzzOpenConverter(html, source.name);
  fuzzExpect("the HTML decoder opens", decoder != nullptr);
  std::string back;
  const bool decoded = fuzzConvertBuffer(decoder, text, static_cast<std::uint32_t>(text.size() * 8 + 16), &back);
  fuzzExpectNumber("the decoder's last reference", 0, decoder->Release());
  if (decoded != backExpected) {
    fuzzFail("the entity text decodes exactly when libiconv converts its units back",
             backExpected ? "success" : "failure", decoded ? "success" : "failure");
  }
  if (decoded) {
    fuzzExpectBytes("HTML -> source against libiconv", expectedBack, back);
  }
  fuzzExpectNumber("module heap blocks after the conversions", blocksBefore, fuzzOutstandingBlocks());
  return 0;
}
