// The plain converter: its native operations, its dispatch members and its
// class method table.
#include "charset/charset_converter.h"

#include <atomic>
#include <cstring>
#include <typeinfo>
#include <utility>

#include "abi/status.h"
#include "charset/buffer_size.h"
#include "charset/iconv_library.h"
#include "runtime/proxy_arguments.h"
#include "runtime/query_interface.h"
#include "runtime/variant.h"

namespace {

// Bytes of output a conversion may produce per input byte.
constexpr uint32_t outputBytesPerInputByte = 8;

zkICharsetConverter* nativeFace(void* owner) {
  return static_cast<prxbasezkICharsetConverterC*>(static_cast<proxyObjectC*>(owner));
}

// "Reset"(): the status of the native Reset as an integer.
uint32_t resetHandler(void* owner, proxyAutoParaListC*, proxyAutoTypeCastC* result) {
  result->setInt(static_cast<int32_t>(nativeFace(owner)->Reset()));
  return 0;
}

// "ConvertString"(text): the converted text, or the empty value when the
// conversion failed (the native status is not looked at).
uint32_t convertStringHandler(void* owner, proxyAutoParaListC* args, proxyAutoTypeCastC* result) {
  proxyAutoTypeCastC& textArgument = args->argAt(0);
  const char* text = textArgument.getString();
  zkVariantS converted;
  nativeFace(owner)->ConvertString(text, &converted);
  converted.moveTo(*result);
  return 0;
}

// The class's table, filled at the first construction.
proxyMethodTableS plainConverterTable;
std::atomic<bool> plainConverterTableBuilt{false};

const proxyMethodEntryS* plainConverterRows() {
  return plainConverterTable.rowsFilledOnce(charsetConverterRows, plainConverterTableBuilt);
}

}  // namespace

const proxyMethodEntryS charsetConverterRows[] = {
    {"Reset", kindMethod, 0, resetHandler},
    {"ConvertString", kindMethod, 1, convertStringHandler},
    {nullptr, 0, 0, nullptr},
};

prxbasezkICharsetConverterC::prxbasezkICharsetConverterC(iconv_t handle, const char* fromName, const char* toName)
    : prxbasezkICharsetConverterC(plainConverterRows(), handle, fromName, toName) {}

prxbasezkICharsetConverterC::prxbasezkICharsetConverterC(const proxyMethodEntryS* rows, iconv_t handle,
                                                         const char* fromName, const char* toName)
    : proxyObjectC(rows, false), conversionHandle(handle), fromCharset(fromName), toCharset(toName) {}

prxbasezkICharsetConverterC::~prxbasezkICharsetConverterC() {
  if (isOpenConversionHandle(conversionHandle)) charsetLibrary().close(conversionHandle);
  conversionHandle = nullptr;
}

uint32_t prxbasezkICharsetConverterC::QueryInterface(const zkIIDS* id, void** out) {
  static const queryInterfaceRowS<prxbasezkICharsetConverterC> rows[] = {
      {&zkIID_ICharsetConverter,
       [](prxbasezkICharsetConverterC* self) -> zkIUnknown* { return static_cast<zkICharsetConverter*>(self); }},
  };
  if (id != nullptr && out != nullptr && queryInterfaceTable(this, rows, *id, out)) return statusOk;
  return proxyObjectC::QueryInterface(id, out);
}

uint32_t prxbasezkICharsetConverterC::AddRef() { return proxyObjectC::AddRef(); }

uint32_t prxbasezkICharsetConverterC::Release() { return proxyObjectC::Release(); }

const char* prxbasezkICharsetConverterC::getNativeTypeName() { return typeid(prxbasezkICharsetConverterC*).name(); }

uint32_t prxbasezkICharsetConverterC::Reset() {
  if (isOpenConversionHandle(conversionHandle)) charsetLibrary().close(conversionHandle);
  conversionHandle = charsetLibrary().open(toCharset.c_str(), fromCharset.c_str());
  if (conversionHandle == invalidConversionHandle()) return 1;
  onHandleReset();
  return 0;
}

bool prxbasezkICharsetConverterC::convertOnce(const char* in, size_t inLength, char* out, size_t capacity,
                                              size_t* produced) {
  const char* input = in != nullptr ? in : "";
  size_t inLeft = in != nullptr ? inLength : 0;
  char* output = out;
  size_t outLeft = capacity;
  const size_t status = charsetLibrary().convert(conversionHandle, &input, &inLeft, &output, &outLeft);
  *produced = capacity - outLeft;
  return status != static_cast<size_t>(-1);
}

bool prxbasezkICharsetConverterC::closeOnce(char* out, size_t capacity, size_t* produced) {
  char* output = out;
  size_t outLeft = capacity;
  const size_t status = charsetLibrary().convert(conversionHandle, nullptr, nullptr, &output, &outLeft);
  *produced = capacity - outLeft;
  return status != static_cast<size_t>(-1);
}

uint32_t prxbasezkICharsetConverterC::ConvertBuffer(const char* in, uint32_t inLength, char* out, uint32_t* outLength) {
  if (!isOpenConversionHandle(conversionHandle) || outLength == nullptr || out == nullptr ||
      (in == nullptr && inLength != 0)) {
    return 1;
  }
  size_t produced = 0;
  const bool converted =
      in == nullptr ? closeOnce(out, *outLength, &produced) : convertOnce(in, inLength, out, *outLength, &produced);
  if (!converted) return 1;
  out[produced] = 0;
  *outLength = static_cast<uint32_t>(produced);
  return 0;
}

uint32_t prxbasezkICharsetConverterC::ConvertString(const char* in, zkVariantS* out) {
  return convertText(in, out, false);
}

uint32_t prxbasezkICharsetConverterC::convertStringAndClose(const char* in, zkVariantS* out) {
  return convertText(in, out, true);
}

uint32_t prxbasezkICharsetConverterC::convertText(const char* in, zkVariantS* out, bool close) {
  if (!isOpenConversionHandle(conversionHandle) || out == nullptr) return 1;
  if (in == nullptr || in[0] == 0) return storeTextResult("", out);
  uint32_t capacity = 0;
  size_t bytes = 0;
  const size_t n = std::strlen(in);
  if (!scaledBufferSize(n, outputBytesPerInputByte, 0, &capacity) || !bytesWithTerminator(capacity, &bytes)) {
    return 1;
  }
  memManDataPoolC<char> scratch;
  if (!scratch.allocate(bytes)) return 1;
  size_t produced = 0;
  if (!convertOnce(in, n, scratch.data, capacity, &produced)) return 1;
  if (close) {
    size_t closing = 0;
    if (!closeOnce(scratch.data + produced, capacity - produced, &closing)) return 1;
    produced += closing;
  }
  scratch.data[produced] = 0;
  return storeTextResult(scratch.data, out);
}

uint32_t prxbasezkICharsetConverterC::storeTextResult(str& text, zkVariantS* out) {
  if (!text.hasStorage() || std::memchr(text.data(), 0, static_cast<size_t>(text.length())) != nullptr) {
    return storeTextResult(text.c_str(), out);
  }
  str* const owned = new str(std::move(text));
  if (owned == nullptr) return 1;
  zkVariantS converted;
  converted.adoptString(owned);
  converted.moveTo(*out);
  return 0;
}

uint32_t prxbasezkICharsetConverterC::storeTextResult(const char* text, zkVariantS* out) {
  zkVariantS converted;
  if (converted.setString(text) != 0) return 1;
  converted.moveTo(*out);
  return 0;
}
