// The charset component: its native face, openConverter and the five
// dispatch members (the queries included).
#include "charset/charset_factory.h"

#include <atomic>
#include <cstring>
#include <typeinfo>

#include "abi/interface_ptr.h"
#include "abi/status.h"
#include "base/str.h"
#include "charset/charset_converter.h"
#include "charset/html_converter.h"
#include "charset/iconv_library.h"
#include "platform/locale_charset.h"
#include "runtime/proxy_arguments.h"
#include "runtime/query_interface.h"
#include "runtime/variant.h"

namespace {

const char htmlName[] = "HTML";
const char htmlWithTagsName[] = "HTMLWITHTAGS";
const char utf16Name[] = "UTF-16";

ICharsetFactory* nativeFace(void* owner) {
  return static_cast<prxbaseICharsetFactoryC*>(static_cast<proxyObjectC*>(owner));
}

// "AvailableCharsets": the native operation's object, which it never gives.
uint32_t availableCharsetsHandler(void* owner, proxyAutoParaListC*, proxyAutoTypeCastC* result) {
  zkInterfacePtrT<zkIUnknown> list;
  if (nativeFace(owner)->AvailableCharsets(list.out()) == 0 && list) {
    result->setObject(list.get());
  } else {
    result->clear();
  }
  return 0;
}

// "openConverter"(from, to): reads argument 1, then argument 0.
uint32_t openConverterHandler(void* owner, proxyAutoParaListC* args, proxyAutoTypeCastC* result) {
  proxyAutoTypeCastC& toArgument = args->argAt(1);
  const char* toCharset = toArgument.getString();
  proxyAutoTypeCastC& fromArgument = args->argAt(0);
  const char* fromCharset = fromArgument.getString();
  zkInterfacePtrT<zkIUnknown> converter;
  zkInterfacePtrT<zkIDispatch> dispatch;
  if (nativeFace(owner)->openConverter(fromCharset, toCharset, converter.out()) == 0 &&
      dispatch.query(converter.get(), zkIID_IDispatch) == 0) {
    result->setObject(dispatch.get());
  } else {
    result->clear();
  }
  return 0;
}

// "isValidCharset"(name): reads the name; the answer is 0 for every name.
uint32_t isValidCharsetHandler(void*, proxyAutoParaListC* args, proxyAutoTypeCastC* result) {
  proxyAutoTypeCastC& nameArgument = args->argAt(0);
  nameArgument.getString();
  result->setInt(0);
  return 0;
}

// "LocaleCharset": whatever the native operation stored, whatever its status.
uint32_t localeCharsetHandler(void* owner, proxyAutoParaListC*, proxyAutoTypeCastC* result) {
  zkVariantS name;
  nativeFace(owner)->LocaleCharset(&name);
  name.moveTo(*result);
  return 0;
}

// "Convert"(from, to, text): reads argument 2, then 1, then 0.
uint32_t convertHandler(void* owner, proxyAutoParaListC* args, proxyAutoTypeCastC* result) {
  proxyAutoTypeCastC& textArgument = args->argAt(2);
  const char* text = textArgument.getString();
  proxyAutoTypeCastC& toArgument = args->argAt(1);
  const char* toCharset = toArgument.getString();
  proxyAutoTypeCastC& fromArgument = args->argAt(0);
  const char* fromCharset = fromArgument.getString();
  zkInterfacePtrT<zkIUnknown> converter;
  if (nativeFace(owner)->openConverter(fromCharset, toCharset, converter.out()) != 0) {
    result->setInt(0);
    return 0;
  }
  // The one conversion ends with the library's closing call, so that a
  // stateful target returns to its initial state and a character the source
  // decoder still holds is not lost.
  zkVariantS converted;
  static_cast<prxbasezkICharsetConverterC*>(static_cast<zkICharsetConverter*>(converter.get()))
      ->convertStringAndClose(text, &converted);
  converted.moveTo(*result);
  return 0;
}

// The class's table, filled at the first construction.
proxyMethodTableS factoryTable;
std::atomic<bool> factoryTableBuilt{false};

const proxyMethodEntryS* factoryRows() { return factoryTable.rowsFilledOnce(charsetFactoryRows, factoryTableBuilt); }

}  // namespace

const proxyMethodEntryS charsetFactoryRows[] = {
    {"AvailableCharsets", kindPropertyGet, 0, availableCharsetsHandler},
    {"openConverter", kindMethod, 2, openConverterHandler},
    {"isValidCharset", kindMethod, 1, isValidCharsetHandler},
    {"LocaleCharset", kindPropertyGet, 0, localeCharsetHandler},
    {"Convert", kindMethod, 3, convertHandler},
    {nullptr, 0, 0, nullptr},
};

prxbaseICharsetFactoryC::prxbaseICharsetFactoryC() : proxyObjectC(factoryRows(), false) {}

uint32_t prxbaseICharsetFactoryC::createInstance(const zkIIDS& id, void** out) {
  if (out == nullptr) return 1;
  *out = nullptr;
  prxbaseICharsetFactoryC* component = new prxbaseICharsetFactoryC();
  if (component == nullptr) return 1;
  component->AddRef();
  const uint32_t status = component->QueryInterface(&id, out);
  component->Release();
  if (status != 0) {
    *out = nullptr;
    return 1;
  }
  return 0;
}

uint32_t prxbaseICharsetFactoryC::QueryInterface(const zkIIDS* id, void** out) {
  static const queryInterfaceRowS<prxbaseICharsetFactoryC> rows[] = {
      {&zkIID_ICharsetFactory,
       [](prxbaseICharsetFactoryC* self) -> zkIUnknown* { return static_cast<ICharsetFactory*>(self); }},
  };
  if (id != nullptr && out != nullptr && queryInterfaceTable(this, rows, *id, out)) return statusOk;
  return proxyObjectC::QueryInterface(id, out);
}

uint32_t prxbaseICharsetFactoryC::AddRef() { return proxyObjectC::AddRef(); }

uint32_t prxbaseICharsetFactoryC::Release() { return proxyObjectC::Release(); }

const char* prxbaseICharsetFactoryC::getNativeTypeName() { return typeid(prxbaseICharsetFactoryC*).name(); }

uint32_t prxbaseICharsetFactoryC::AvailableCharsets(zkIUnknown**) { return 1; }

uint32_t prxbaseICharsetFactoryC::LocaleCharset(zkVariantS* out) {
  if (out == nullptr) return 1;
  return out->setString(locale_charset());
}

uint32_t prxbaseICharsetFactoryC::openConverter(const char* fromCharset, const char* toCharset, zkIUnknown** out) {
  if (fromCharset == nullptr || toCharset == nullptr || out == nullptr) return 1;
  const char* source = fromCharset;
  const char* target = toCharset;
  bool html = false;
  bool htmlTarget = false;
  bool tags = false;

  if (std::strcmp(source, htmlName) == 0 && std::strcmp(target, htmlName) == 0) return 1;
  if (std::strcmp(source, htmlName) == 0) {
    source = utf16Name;
    html = true;
    htmlTarget = false;
    tags = false;
  } else if (std::strcmp(target, htmlName) == 0) {
    target = utf16Name;
    html = true;
    htmlTarget = true;
    tags = false;
  }
  if (std::strcmp(source, htmlWithTagsName) == 0 && std::strcmp(target, htmlWithTagsName) == 0) {
    return 1;
  }
  if (std::strcmp(source, htmlWithTagsName) == 0) {
    source = utf16Name;
    html = true;
    htmlTarget = false;
    tags = true;
  } else if (std::strcmp(target, htmlWithTagsName) == 0) {
    target = utf16Name;
    html = true;
    htmlTarget = true;
    tags = true;
  }

  const iconv_t handle = charsetLibrary().open(target, source);
  if (handle == invalidConversionHandle()) return 1;
  prxbasezkICharsetConverterC* converter = html ? new prxbasezkIHtmlConverterC(handle, source, target, htmlTarget, tags)
                                                : new prxbasezkICharsetConverterC(handle, source, target);
  if (converter == nullptr) {
    charsetLibrary().close(handle);
    return 1;
  }
  // The creation reference keeps the converter alive through the query and
  // is dropped afterwards, leaving the caller the only reference.
  converter->AddRef();
  const uint32_t status = converter->QueryInterface(&zkIID_ICharsetConverter, reinterpret_cast<void**>(out));
  converter->Release();
  return status;
}
