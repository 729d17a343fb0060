// The HTML converter and the codec operations that join the entity text
// walks to the charset library.
#include "charset/html_converter.h"

#include <atomic>
#include <climits>
#include <cstring>
#include <typeinfo>

#include "charset/buffer_size.h"
#include "charset/html_codec.h"
#include "charset/iconv_library.h"
#include "runtime/variant.h"

namespace {

constexpr uint32_t outputBytesPerInputByte = 8;
// UTF-16 bytes a closing call may add when encoding: a character the source
// decoder held back (two units at most) behind the mark.
constexpr uint32_t closingUnitBytes = 16;

// The class's own table with the converter rows, filled at the first
// construction.
proxyMethodTableS htmlConverterTable;
std::atomic<bool> htmlConverterTableBuilt{false};

const proxyMethodEntryS* htmlConverterRows() {
  return htmlConverterTable.rowsFilledOnce(charsetConverterRows, htmlConverterTableBuilt);
}

}  // namespace

prxbasezkIHtmlConverterC::prxbasezkIHtmlConverterC(iconv_t handle, const char* fromName, const char* toName,
                                                   bool htmlTarget, bool tags)
    : prxbasezkICharsetConverterC(htmlConverterRows(), handle, fromName, toName),
      htmlIsTarget(htmlTarget ? 1 : 0),
      withTags(tags ? 1 : 0),
      utf16MarkPending(1) {}

const char* prxbasezkIHtmlConverterC::getNativeTypeName() { return typeid(prxbasezkIHtmlConverterC*).name(); }

uint32_t encodeHtml(prxbasezkIHtmlConverterC& converter, const char* in, uint32_t inLength, str& out, bool close) {
  if (!isOpenConversionHandle(converter.conversionHandle) || (in == nullptr && inLength != 0)) {
    return 1;
  }
  uint32_t capacity = 0;
  size_t bytes = 0;
  if (!scaledBufferSize(inLength, outputBytesPerInputByte, close ? closingUnitBytes : 0, &capacity) ||
      !bytesWithTerminator(capacity, &bytes)) {
    return 1;
  }
  memManDataPoolC<unsigned char> units;
  if (!units.allocate(bytes)) return 1;
  char* const unitBuffer = reinterpret_cast<char*>(units.data);
  size_t produced = 0;
  bool converted = (in == nullptr && close) || converter.convertOnce(in, inLength, unitBuffer, capacity, &produced);
  if (converted && close) {
    size_t closing = 0;
    converted = converter.closeOnce(unitBuffer + produced, capacity - produced, &closing);
    produced += closing;
  }
  // The library writes its mark with the first unit of a conversion state,
  // also in a call that then fails; only that output starts with it.
  size_t start = 0;
  if (converter.utf16MarkPending != 0 && produced >= 2) {
    if (units.data[0] == 0xFE && units.data[1] == 0xFF) start = 2;
    converter.utf16MarkPending = 0;
  }
  if (!converted) return 1;

  // The text is measured first, so that it is written once, straight into
  // storage of its exact size.
  const unsigned char* const first = units.data + start;
  const size_t unitBytes = produced - start;
  const bool withTags = converter.withTags != 0;
  const uint64_t length = encodedHtmlLength(first, unitBytes, withTags);
  if (length == 0) return 0;
  const int before = out.length();
  if (length >= static_cast<uint64_t>(INT_MAX - before)) return 1;
  const int total = before + static_cast<int>(length);
  char* const text = out.buffer(total + 1);
  if (text == nullptr) return 1;
  encodeHtmlUnits(first, unitBytes, withTags, text + before);
  text[total] = 0;
  return 0;
}

uint32_t decodeHtml(prxbasezkIHtmlConverterC& converter, const char* in, uint32_t inLength, char* out,
                    uint32_t* outLength, bool close) {
  if (!isOpenConversionHandle(converter.conversionHandle) || out == nullptr || outLength == nullptr ||
      (in == nullptr && inLength != 0)) {
    return 1;
  }
  size_t produced = 0;
  if (in == nullptr && close) {
    if (!converter.closeOnce(out, *outLength, &produced)) return 1;
    out[produced] = 0;
    *outLength = static_cast<uint32_t>(produced);
    return 0;
  }
  uint32_t unitCapacity = 0;
  size_t outBytes = 0;
  if (!scaledBufferSize(inLength, htmlDecodedBytesPerInputByte, htmlDecodedExtraBytes, &unitCapacity) ||
      !bytesWithTerminator(*outLength, &outBytes)) {
    return 1;
  }
  memManDataPoolC<unsigned char> units;
  if (!units.allocate(unitCapacity)) return 1;
  size_t written = 0;
  if (!decodeHtmlUnits(in != nullptr ? in : "", inLength, converter.withTags != 0, units.data, &written)) {
    return 1;
  }
  if (!converter.convertOnce(reinterpret_cast<const char*>(units.data), written, out, *outLength, &produced)) {
    return 1;
  }
  if (close) {
    size_t closing = 0;
    if (!converter.closeOnce(out + produced, *outLength - produced, &closing)) return 1;
    produced += closing;
  }
  out[produced] = 0;
  *outLength = static_cast<uint32_t>(produced);
  return 0;
}

uint32_t prxbasezkIHtmlConverterC::ConvertBuffer(const char* in, uint32_t inLength, char* out, uint32_t* outLength) {
  const bool closing = in == nullptr && inLength == 0;
  if (htmlIsTarget == 0) return decodeHtml(*this, in, inLength, out, outLength, closing);
  if (out == nullptr || outLength == nullptr) return 1;
  str text;
  if (encodeHtml(*this, in, inLength, text, closing) != 0) return 1;
  const uint32_t length = static_cast<uint32_t>(text.length());
  if (length > *outLength) return 1;
  if (length > 0) std::memcpy(out, text.data(), length);
  *outLength = length;
  return 0;
}

uint32_t prxbasezkIHtmlConverterC::ConvertString(const char* in, zkVariantS* out) {
  return convertHtmlText(in, out, false);
}

uint32_t prxbasezkIHtmlConverterC::convertStringAndClose(const char* in, zkVariantS* out) {
  return convertHtmlText(in, out, true);
}

uint32_t prxbasezkIHtmlConverterC::convertHtmlText(const char* in, zkVariantS* out, bool close) {
  if (!isOpenConversionHandle(conversionHandle) || out == nullptr) return 1;
  if (in == nullptr || in[0] == 0) return storeTextResult("", out);
  const size_t n = std::strlen(in);
  uint32_t capacity = 0;
  size_t bytes = 0;
  if (!scaledBufferSize(n, outputBytesPerInputByte, 0, &capacity) || !bytesWithTerminator(capacity, &bytes)) {
    return 1;
  }
  const uint32_t inLength = static_cast<uint32_t>(n);
  if (htmlIsTarget != 0) {
    str text;
    if (encodeHtml(*this, in, inLength, text, close) != 0) return 1;
    return storeTextResult(text, out);
  }
  memManDataPoolC<char> scratch;
  if (!scratch.allocate(bytes)) return 1;
  uint32_t produced = capacity;
  if (decodeHtml(*this, in, inLength, scratch.data, &produced, close) != 0) return 1;
  return storeTextResult(scratch.data, out);
}
