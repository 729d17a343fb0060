// Fuzz target: a byte stream decoded into calls by name on the component
// and on the converters it hands out, and conversions of variants between
// every pair of tags.
//
// Each input starts with a fresh component. Operations (first byte of each):
//   0  Invoke on the component or on a held object: member name, kind,
//      argument count, arguments of every tag (texts, numbers, objects,
//      arrays), with or without a result and an error out-parameter; an
//      object result is held for later calls;
//   1  changeType and convertCopy of a variant into any tag;
//   2  release a held object.
// Properties: a failed Invoke leaves the result untouched and hands out an
// error object or nothing; a failed changeType leaves the variant as it
// was, a successful one gives the target tag; the arguments are unchanged
// by the call; once every object is released, the component's last Release
// answers 0 and the module heap holds as many blocks as before the input.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "abi/interface_id.h"
#include "abi/interfaces.h"
#include "charset/charset_factory.h"
#include "fuzz/converter_session.h"
#include "fuzz/fuzz_support.h"
#include "runtime/variant.h"

namespace {

constexpr std::size_t heldMost = 4;
constexpr std::size_t argumentsMost = 5;
constexpr int operationsMost = 64;

const char* const memberNames[] = {
    "Convert", "openConverter", "isValidCharset", "LocaleCharset", "AvailableCharsets", "ConvertString", "Reset",
    "",        "convert",       "Convert ",       nullptr,
};
const char* const texts[] = {"UTF-8", "HTML",    "HTMLWITHTAGS",         "ISO-8859-1",       "UTF-16", "SHIFT_JIS",
                             "UTF-7", "no-such", "caf\xc3\xa9 <b>&amp;", "&eacute;&#x20ac;", "",       "<<b>>"};
const std::uint32_t kinds[] = {kindMethod, kindPropertyGet, kindPropertyPut, kindAny, 0, 3};
const std::uint32_t tags[] = {zkVarEmpty, zkVarInt, zkVarDouble, zkVarString, zkVarObject, zkVarBool, zkVarArray, 3};

struct sessionS {
  zkIDispatch* component = nullptr;
  zkIUnknown* held[heldMost] = {};
  std::size_t heldCount = 0;
};

// A dispatch face of the component or of a held object (one reference), or
// null when the chosen object has none.
zkIDispatch* pickTarget(fuzzReaderC& reader, sessionS& session) {
  const std::size_t choice = reader.byte() % (session.heldCount + 1);
  zkIUnknown* object = choice == 0 ? session.component : session.held[choice - 1];
  void* answer = nullptr;
  if (object->QueryInterface(&zkIID_IDispatch, &answer) != 0) return nullptr;
  return static_cast<zkIDispatch*>(static_cast<zkIUnknown*>(answer));
}

std::string pickText(fuzzReaderC& reader) {
  const std::uint8_t choice = reader.byte();
  if (choice < 200) return texts[choice % (sizeof texts / sizeof texts[0])];
  std::string text = reader.bytes(24);
  const std::size_t zero = text.find('\0');
  return zero == std::string::npos ? text : text.substr(0, zero);
}

void makeVariant(fuzzReaderC& reader, sessionS& session, zkVariantS& v, int depth) {
  switch (reader.byte() % 8) {
    case 0:
      v.clear();
      break;
    case 1:
      v.setInt(static_cast<std::int32_t>(reader.u32()));
      break;
    case 2: {
      const std::uint64_t bits = reader.u64();
      double value;
      std::memcpy(&value, &bits, sizeof value);
      v.setDouble(value);
      break;
    }
    case 3:
    case 4:
      v.setString(pickText(reader).c_str());
      break;
    case 5:
      v.setBool(reader.byte());
      break;
    case 6: {
      const std::size_t choice = reader.byte() % (session.heldCount + 1);
      v.setObject(choice == 0 ? session.component : session.held[choice - 1]);
      break;
    }
    default: {
      variantArrayC* array = new variantArrayC;
      if (array == nullptr) return;
      const std::uint64_t count = depth > 2 ? 0 : reader.byte() % 4;
      array->resize(count);  // on failure the count stays 0
      for (std::uint64_t i = 0; i < array->count; ++i) makeVariant(reader, session, *array->at(i), depth + 1);
      v.setArray(array);
      break;
    }
  }
}

// A text description of a variant's tag and plain value, for before/after
// comparisons (objects and arrays by address).
std::string describe(const zkVariantS& v) {
  std::string text = std::to_string(v.type) + ":";
  const char* chars = nullptr;
  if (v.getString(&chars) == 0) return text + chars;
  return text + std::to_string(v.value.bits);
}

void hold(sessionS& session, zkVariantS& result) {
  zkIUnknown* object = nullptr;
  if (result.getObject(&object) != 0) return;
  if (session.heldCount < heldMost) {
    session.held[session.heldCount++] = object;
  } else {
    object->Release();
  }
}

void invoke(fuzzReaderC& reader, sessionS& session) {
  zkIDispatch* target = pickTarget(reader, session);
  if (target == nullptr) return;
  const std::uint8_t nameChoice = reader.byte();
  std::string ownName;
  const char* name = memberNames[nameChoice % (sizeof memberNames / sizeof memberNames[0])];
  if (nameChoice >= 240) {
    ownName = pickText(reader);
    name = ownName.c_str();
  }
  const std::uint32_t kind = kinds[reader.byte() % (sizeof kinds / sizeof kinds[0])];
  const std::uint32_t count = reader.byte() % (argumentsMost + 1);
  zkVariantS arguments[argumentsMost];
  std::string before[argumentsMost];
  for (std::uint32_t i = 0; i < count; ++i) {
    makeVariant(reader, session, arguments[i], 0);
    before[i] = describe(arguments[i]);
  }
  const std::uint8_t outs = reader.byte();
  zkVariantS result;
  result.setInt(4242);
  zkIUnknown* error = nullptr;
  const std::uint32_t status = target->Invoke(name, kind, count, count == 0 && (outs & 4) ? nullptr : arguments,
                                              (outs & 1) ? &result : nullptr, (outs & 2) ? &error : nullptr);
  for (std::uint32_t i = 0; i < count; ++i) {
    fuzzExpectBytes("an argument after the call", before[i], describe(arguments[i]));
  }
  if (status != 0) {
    fuzzExpectBytes("the result of a failed call", "1:4242", describe(result));
  } else {
    fuzzExpect("no error object after a successful call", error == nullptr);
  }
  if (error != nullptr) error->Release();
  hold(session, result);
  target->Release();
}

void changeTypes(fuzzReaderC& reader, sessionS& session) {
  zkVariantS v;
  makeVariant(reader, session, v, 0);
  const std::uint8_t choice = reader.byte();
  const std::uint32_t target = choice >= 250 ? reader.u32() : tags[choice % (sizeof tags / sizeof tags[0])];
  zkVariantS copy;
  copy.setInt(99);
  const std::uint32_t copyStatus = v.convertCopy(copy, target);
  if (copyStatus == 0) fuzzExpectNumber("convertCopy's tag", target, copy.type);
  const std::string before = describe(v);
  const std::uint32_t status = v.changeType(target);
  if (status == 0) {
    fuzzExpectNumber("changeType's tag", target, v.type);
  } else {
    fuzzExpectBytes("a variant after a failed changeType", before, describe(v));
  }
}

// The first calls build the classes' method tables, which stay; run them
// once before any input is measured.
void warmUp() {
  void* answer = nullptr;
  if (prxbaseICharsetFactoryC::createInstance(zkIID_IDispatch, &answer) != 0) return;
  zkIDispatch* component = static_cast<zkIDispatch*>(static_cast<zkIUnknown*>(answer));
  zkVariantS arguments[3], result;
  arguments[0].setString("UTF-8");
  arguments[1].setString("HTML");
  arguments[2].setString("x");
  component->Invoke("Convert", kindMethod, 3, arguments, &result, nullptr);
  component->Invoke("openConverter", kindMethod, 2, arguments, &result, nullptr);
  zkIUnknown* converter = nullptr;
  if (result.getObject(&converter) == 0) {
    if (converter->QueryInterface(&zkIID_IDispatch, &answer) == 0) {
      zkIDispatch* face = static_cast<zkIDispatch*>(static_cast<zkIUnknown*>(answer));
      face->Invoke("ConvertString", kindMethod, 1, arguments + 2, &result, nullptr);
      face->Release();
    }
    converter->Release();
  }
  zkIUnknown* error = nullptr;
  component->Invoke("nothing", kindMethod, 0, nullptr, &result, &error);
  if (error != nullptr) error->Release();
  component->Release();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  warmUp();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzReaderC reader(data, size);
  const std::uint64_t blocksBefore = fuzzOutstandingBlocks();
  sessionS session;
  void* answer = nullptr;
  fuzzExpectNumber("createInstance", 0, prxbaseICharsetFactoryC::createInstance(zkIID_IDispatch, &answer));
  session.component = static_cast<zkIDispatch*>(static_cast<zkIUnknown*>(answer));
  for (int step = 0; step < operationsMost && !reader.empty(); ++step) {
    switch (reader.byte() % 3) {
      case 0:
        invoke(reader, session);
        break;
      case 1:
        changeTypes(reader, session);
        break;
      default:
        if (session.heldCount > 0) session.held[--session.heldCount]->Release();
        break;
    }
  }
  while (session.heldCount > 0) session.held[--session.heldCount]->Release();
  fuzzExpectNumber("the component's last Release", 0, session.component->Release());
  fuzzExpectNumber("module heap blocks after the input", blocksBefore, fuzzOutstandingBlocks());
  return 0;
}
