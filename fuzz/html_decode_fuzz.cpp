// Fuzz target: arbitrary bytes as HTML entity text.
//
// Input: one control byte (bit 0: HTMLWITHTAGS instead of HTML; bit 1: into
// UTF-16 instead of UTF-8), then the entity text. Properties:
//   - the unit walk answers exactly what the model answers (refusal, or the
//     same UTF-16 with its mark);
//   - a fresh converter's ConvertBuffer succeeds exactly when the model and
//     a direct libiconv conversion of the model's UTF-16 do, with the same
//     bytes;
//   - every block the conversion took from the module heap is given back.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "charset/html_codec.h"
#include "fuzz/converter_session.h"
#include "fuzz/fuzz_support.h"
#include "fuzz/html_model.h"

namespace {

constexpr std::size_t longestText = 1 << 14;

void checkUnitWalk(const std::string& text, bool withTags) {
  std::string expected;
  const bool modelDecoded = modelDecode(text, withTags, &expected);
  std::vector<unsigned char> out(text.size() * htmlDecodedBytesPerInputByte + htmlDecodedExtraBytes, 0x55);
  std::size_t written = 7777;
  const bool decoded = decodeHtmlUnits(text.data(), text.size(), withTags, out.data(), &written);
  if (decoded != modelDecoded) {
    fuzzFail("decodeHtmlUnits refuses exactly what the model refuses", modelDecoded ? "decoded" : "refused",
             decoded ? "decoded" : "refused");
  }
  if (!decoded) {
    fuzzExpectNumber("a refused text leaves the written count alone", 7777, written);
    return;
  }
  fuzzExpectBytes("decodeHtmlUnits against the model", expected,
                  std::string(reinterpret_cast<const char*>(out.data()), written));
}

void checkConverter(const std::string& text, bool withTags, bool intoUtf16) {
  const char* target = intoUtf16 ? "UTF-16" : "UTF-8";
  std::string units, expected;
  const bool expectSuccess =
      !text.empty() && modelDecode(text, withTags, &units) && fuzzReferenceConvert("UTF-16", target, units, &expected);
  const std::uint64_t blocksBefore = fuzzOutstandingBlocks();
  zkICharsetConverter* converter = fuzzOpenConverter(withTags ? "HTMLWITHTAGS" : "HTML", target);
  fuzzExpect("the HTML decoder opens", converter != nullptr);
  std::string actual;
  const std::uint32_t capacity = static_cast<std::uint32_t>(text.size() * 8 + 16);
  const bool converted = fuzzConvertBuffer(converter, text, capacity, &actual);
  fuzzExpectNumber("the converter's last reference", 0, converter->Release());
  fuzzExpectNumber("module heap blocks after the conversion", blocksBefore, fuzzOutstandingBlocks());
  if (text.empty()) return;
  if (converted != expectSuccess) {
    fuzzFail("ConvertBuffer succeeds exactly when the model and libiconv do", expectSuccess ? "success" : "failure",
             converted ? "success" : "failure");
  }
  if (converted) fuzzExpectBytes("ConvertBuffer against libiconv on the model's units", expected, actual);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  for (const char* html : {"HTML", "HTMLWITHTAGS"}) {
    fuzzWarmUp(html, "UTF-8", "&eacute; & <b>");
    fuzzWarmUp(html, "UTF-16", "&eacute;");
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0 || size > longestText) return 0;
  fuzzReaderC reader(data, size);
  const std::uint8_t control = reader.byte();
  const std::string text = reader.takeAll();
  const bool withTags = (control & 1) != 0;
  checkUnitWalk(text, withTags);
  checkConverter(text, withTags, (control & 2) != 0);
  return 0;
}
