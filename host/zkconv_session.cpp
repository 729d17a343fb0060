// The module, its component and native converters as zkconv uses them.
#include "host/zkconv_session.h"

#include <cstdint>

#include "host/host_variant.h"

namespace {

const char kClassName[] = "rozorevo.charsetconvert";

// Output room per input byte. Entity text can be far longer than its input:
// the HTML converter converts into at most 8 bytes of UTF-16 per input byte,
// and each 2-byte unit becomes at most 10 bytes ("&thetasym;"). Other
// targets stay well within 16 bytes per input byte (4-byte units with a
// character held back, escapes of "\u" form, shift sequences around single
// characters).
constexpr std::size_t htmlRoomPerByte = 40;
constexpr std::size_t plainRoomPerByte = 16;
// Room for a byte-order mark and a closing call's return to the initial state.
constexpr std::size_t extraRoom = 256;

}  // namespace

void byteBufferC::reserve(std::size_t size) {
  if (size <= capacity) return;
  storage.reset(new char[size]);
  capacity = size;
}

bool isHtmlCharset(const std::string& name) { return name == "HTML" || name == "HTMLWITHTAGS"; }

componentSessionC::~componentSessionC() {
  object.reset();
  module.terminateAll();
  engine.releaseFactories();
  if (module.isLoaded()) module.unload();
}

bool componentSessionC::open(const std::string& modulePath, std::string* error) {
  if (!module.load(modulePath)) {
    *error = module.error();
    return false;
  }
  module.initialise(&engine);
  zkIUnknown* created = nullptr;
  if (engine.createObject(kClassName, true, &created) != 0) {
    *error = modulePath + " does not offer " + kClassName;
    return false;
  }
  object.attach(created);
  return true;
}

bool componentSessionC::localeCharset(std::string* name) {
  zkInterfacePtrT<ICharsetFactory> factory;
  if (factory.query(object.get(), zkIID_ICharsetFactory) != 0) return false;
  hostVariantC value;
  factory->LocaleCharset(value.out());
  *name = value.text();
  return true;
}

bool componentSessionC::openConverter(const std::string& from, const std::string& to,
                                      zkInterfacePtrT<zkICharsetConverter>* converter) {
  zkInterfacePtrT<ICharsetFactory> factory;
  zkIUnknown* opened = nullptr;
  if (factory.query(object.get(), zkIID_ICharsetFactory) != 0 ||
      factory->openConverter(from.c_str(), to.c_str(), &opened) != 0 || opened == nullptr) {
    return false;
  }
  converter->attach(static_cast<zkICharsetConverter*>(opened));
  return true;
}

componentSessionC::convertAnswerE componentSessionC::convertByName(const std::string& from, const std::string& to,
                                                                   const std::string& text, std::string* result) {
  zkInterfacePtrT<zkIDispatch> dispatch;
  if (dispatch.query(object.get(), zkIID_IDispatch) != 0) return callFailed;
  hostTextC fromText(from), toText(to), textText(text);
  const zkVariantRecordS arguments[3] = {fromText.argument(), toText.argument(), textText.argument()};
  hostVariantC value;
  if (dispatch->Invoke("Convert", kindMethod, 3, variantsIn(arguments), value.out(), nullptr) != 0) return callFailed;
  switch (value.type()) {
    case zkVarString:
      *result = value.text();
      return answeredText;
    case zkVarEmpty:
      return answeredEmpty;
    case zkVarInt:
      return answeredUnknown;
    default:
      return callFailed;
  }
}

bool nativeConverterC::open(componentSessionC& session, const std::string& from, const std::string& to) {
  htmlTarget = isHtmlCharset(to);
  return session.openConverter(from, to, &converter);
}

std::size_t nativeConverterC::roomFor(std::size_t length) const {
  return length * (htmlTarget ? htmlRoomPerByte : plainRoomPerByte) + extraRoom;
}

// The converter may write a terminating zero after the room it is given.
void nativeConverterC::makeRoom(std::size_t length, byteBufferC& out) const { out.reserve(roomFor(length) + 1); }

bool nativeConverterC::convert(const char* in, std::size_t length, byteBufferC& out, std::size_t* produced) {
  if (!isOpen() || length > UINT32_MAX / htmlRoomPerByte) return false;
  const std::size_t room = roomFor(length);
  makeRoom(length, out);
  uint32_t written = static_cast<uint32_t>(room);
  if (converter->ConvertBuffer(in, static_cast<uint32_t>(length), out.data(), &written) != 0) return false;
  *produced = written;
  return true;
}
