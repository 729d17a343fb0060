// The component through Invoke with real variants: the five members, their
// failure shapes, argument read order, and the converters' two members.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "charset_test_support.h"
#include "platform/locale_charset.h"
#include "runtime/interfaces.h"

namespace {

using charsettest::describe;
using charsettest::libraryProbeC;
using charsettest::referenceConvert;
using charsettest::textOf;

zkVariantS text(const std::string& value) {
  zkVariantS v;
  v.setString(value.c_str());
  return v;
}

zkVariantS integer(int32_t value) {
  zkVariantS v;
  v.setInt(value);
  return v;
}

struct callS {
  uint32_t status = 99;
  zkVariantS result;
  std::string context;      // of the error object, when the call failed
  std::string description;
};

callS invoke(zkIDispatch* object, const char* name, uint32_t kind, std::vector<zkVariantS> args) {
  callS call;
  zkIUnknown* error = nullptr;
  call.status = object->Invoke(name, kind, static_cast<uint32_t>(args.size()), args.data(),
                               &call.result, &error);
  if (error != nullptr) {
    zkInterfacePtrT<zkIComException> exception;
    EXPECT_EQ(0u, exception.query(error, zkIID_IException));
    zkVariantS context, description;
    exception->GetContext(&context);
    exception->GetDescription(&description);
    call.context = textOf(context);
    call.description = textOf(description);
    error->Release();
  }
  return call;
}

zkInterfacePtrT<zkIDispatch> makeComponent() {
  void* answer = nullptr;
  EXPECT_EQ(0u, prxbaseICharsetFactoryC::createInstance(zkIID_IDispatch, &answer));
  zkInterfacePtrT<zkIDispatch> component;
  component.attach(static_cast<zkIDispatch*>(static_cast<zkIUnknown*>(answer)));
  return component;
}

TEST(CharsetComponent, ConvertResultShapes) {
  std::string cafe;
  ASSERT_TRUE(referenceConvert("UTF-8", "ISO-8859-1", "caf\xE9", &cafe));
  const struct {
    const char* label;
    const char* from;
    const char* to;
    std::string text;
    std::string expected;  // describe() of the result
  } cases[] = {
      {"converted", "ISO-8859-1", "UTF-8", "caf\xE9", "zkVarString \"" + cafe + "\""},
      {"unknown charset", "NO-SUCH-CHARSET", "UTF-8", "abc", "zkVarInt 0"},
      {"both HTML", "HTML", "HTML", "abc", "zkVarInt 0"},
      {"invalid input", "UTF-8", "ISO-8859-1", "abc\xFF", "zkVarEmpty"},
      {"empty text", "ISO-8859-1", "UTF-8", "", "zkVarString \"\""},
      {"to HTML", "ISO-8859-1", "HTML", "a < b", "zkVarString \"a &lt; b\""},
      {"from HTML", "HTML", "ISO-8859-1", "&#65;", "zkVarString \"A\""},
      {"bad entity", "HTML", "ISO-8859-1", "&nosuch;", "zkVarEmpty"},
  };
  auto component = makeComponent();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const callS call = invoke(component.get(), "Convert", kindMethod,
                              {text(c.from), text(c.to), text(c.text)});
    EXPECT_EQ(0u, call.status);
    EXPECT_EQ(c.expected, describe(call.result));
  }
}

TEST(CharsetComponent, ConvertOpensOneHandleAndClosesIt) {
  libraryProbeC probe;
  auto component = makeComponent();
  invoke(component.get(), "Convert", kindMethod, {text("ISO-8859-1"), text("UTF-8"), text("x")});
  invoke(component.get(), "Convert", kindMethod, {text("ISO-8859-1"), text("UTF-8"), text("")});
  EXPECT_EQ(2, probe.opens);
  EXPECT_EQ(1, probe.converts) << "the empty text needs no conversion";
  EXPECT_EQ(2, probe.closes);
}

TEST(CharsetComponent, ArgumentsAreReadLastToFirst) {
  const struct {
    const char* label;
    std::vector<zkVariantS> args;
    const char* context;
  } cases[] = {
      {"three integers name the third", {integer(1), integer(2), integer(3)},
       "methode:Convert(Para:3)"},
      {"text last, integer second", {text("UTF-8"), integer(2), text("x")},
       "methode:Convert(Para:2)"},
      {"only the first is no text", {integer(1), text("UTF-8"), text("x")},
       "methode:Convert(Para:1)"},
  };
  auto component = makeComponent();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const callS call = invoke(component.get(), "Convert", kindMethod, c.args);
    EXPECT_EQ(1u, call.status);
    EXPECT_EQ(c.context, call.context);
    EXPECT_EQ("Object call failed", call.description);
  }
  const callS open = invoke(component.get(), "openConverter", kindMethod, {integer(1), integer(2)});
  EXPECT_EQ(1u, open.status);
  EXPECT_EQ("methode:openConverter(Para:2)", open.context);
}

TEST(CharsetComponent, NamesIgnoreLetterCaseAndCountsMustFit) {
  auto component = makeComponent();
  for (const char* name : {"convert", "CONVERT", "cOnVeRt"}) {
    SCOPED_TRACE(name);
    const callS call =
        invoke(component.get(), name, kindMethod, {text("ISO-8859-1"), text("UTF-8"), text("a")});
    EXPECT_EQ(0u, call.status);
    EXPECT_EQ("zkVarString \"a\"", describe(call.result));
  }
  const callS oneArgument = invoke(component.get(), "openConverter", kindMethod, {text("UTF-8")});
  EXPECT_EQ(1u, oneArgument.status);
  EXPECT_EQ("methode:openConverter", oneArgument.context);
  EXPECT_EQ(1u, invoke(component.get(), "NoSuchMember", kindMethod, {}).status);
}

TEST(CharsetComponent, Queries) {
  auto component = makeComponent();
  for (int i = 0; i < 3; ++i) {
    const callS available = invoke(component.get(), "AvailableCharsets", kindPropertyGet, {});
    EXPECT_EQ(0u, available.status);
    EXPECT_EQ("zkVarEmpty", describe(available.result));
  }
  for (const char* name : {"UTF-8", "NO-SUCH-CHARSET", ""}) {
    SCOPED_TRACE(name);
    const callS valid = invoke(component.get(), "isValidCharset", kindMethod, {text(name)});
    EXPECT_EQ(0u, valid.status);
    EXPECT_EQ("zkVarInt 0", describe(valid.result));
  }
  const callS notText = invoke(component.get(), "isValidCharset", kindMethod, {integer(5)});
  EXPECT_EQ(1u, notText.status);
  EXPECT_EQ("methode:isValidCharset(Para:1)", notText.context);

  const callS locale = invoke(component.get(), "LocaleCharset", kindPropertyGet, {});
  EXPECT_EQ(0u, locale.status);
  EXPECT_EQ(std::string("zkVarString \"") + locale_charset() + "\"", describe(locale.result));
  const callS open = invoke(component.get(), "openConverter", kindMethod,
                            {text(textOf(locale.result)), text("UTF-8")});
  EXPECT_EQ("zkVarObject", describe(open.result)) << "the locale's name opens a converter";
}

TEST(CharsetComponent, PropertiesCalledAsMethodsFail) {
  auto component = makeComponent();
  EXPECT_EQ(1u, invoke(component.get(), "AvailableCharsets", kindMethod, {}).status);
  EXPECT_EQ(1u, invoke(component.get(), "LocaleCharset", kindMethod, {}).status);
}

TEST(CharsetComponent, OpenConverterResults) {
  const struct {
    const char* from;
    const char* to;
    const char* expected;
  } cases[] = {
      {"ISO-8859-1", "UTF-8", "zkVarObject"},
      {"ISO-8859-1", "HTML", "zkVarObject"},
      {"HTML", "HTML", "zkVarEmpty"},
      {"HTMLWITHTAGS", "HTMLWITHTAGS", "zkVarEmpty"},
      {"NO-SUCH-CHARSET", "UTF-8", "zkVarEmpty"},
  };
  auto component = makeComponent();
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.from) + " -> " + c.to);
    const callS call = invoke(component.get(), "openConverter", kindMethod, {text(c.from), text(c.to)});
    EXPECT_EQ(0u, call.status);
    EXPECT_EQ(c.expected, describe(call.result));
  }
}

TEST(CharsetComponent, ConverterMembersThroughInvoke) {
  libraryProbeC probe;
  auto component = makeComponent();
  callS open = invoke(component.get(), "openConverter", kindMethod,
                      {text("ISO-8859-1"), text("HTML")});
  ASSERT_EQ(static_cast<uint32_t>(zkVarObject), open.result.type);
  zkInterfacePtrT<zkIDispatch> converter;
  ASSERT_EQ(0u, converter.query(open.result.value.objectValue, zkIID_IDispatch));
  open.result.clear();
  component.reset();  // the converter does not need the component

  EXPECT_EQ("zkVarString \"&eacute;\"",
            describe(invoke(converter.get(), "ConvertString", kindMethod, {text("\xE9")}).result));
  EXPECT_EQ("zkVarString \"x\"",
            describe(invoke(converter.get(), "convertstring", kindMethod, {text("x")}).result));
  EXPECT_EQ("zkVarInt 0", describe(invoke(converter.get(), "Reset", kindMethod, {}).result));
  EXPECT_EQ("zkVarString \"y\"",
            describe(invoke(converter.get(), "ConvertString", kindMethod, {text("y")}).result));

  const callS notText = invoke(converter.get(), "ConvertString", kindMethod, {integer(1)});
  EXPECT_EQ(1u, notText.status);
  EXPECT_EQ("methode:ConvertString(Para:1)", notText.context);

  probe.failOpen = true;
  EXPECT_EQ("zkVarInt 1", describe(invoke(converter.get(), "Reset", kindMethod, {}).result));
  const int converts = probe.converts;
  EXPECT_EQ("zkVarEmpty",
            describe(invoke(converter.get(), "ConvertString", kindMethod, {text("z")}).result));
  EXPECT_EQ(converts, probe.converts);
  converter.reset();
  EXPECT_EQ(probe.opens - 1, probe.closes) << "every handle that opened is closed";
}

TEST(CharsetComponent, InterfacesAndTypeName) {
  auto component = makeComponent();
  zkInterfacePtrT<ICharsetFactory> native;
  ASSERT_EQ(0u, native.query(component.get(), zkIID_ICharsetFactory));
  zkInterfacePtrT<zkIDispatch> back;
  EXPECT_EQ(0u, back.query(native.get(), zkIID_IDispatch));
  EXPECT_EQ(component.get(), back.get());
  zkIUnknown* untouched = nullptr;
  EXPECT_EQ(1u, native->AvailableCharsets(&untouched));
  EXPECT_EQ(nullptr, untouched);

  zkInterfacePtrT<zkIComNativePointer> pointer;
  ASSERT_EQ(0u, pointer.query(component.get(), zkIID_INativePointer));
  zkVariantS typeName;
  ASSERT_EQ(0u, pointer->GetNativeTypeName(&typeName));
  EXPECT_NE(std::string::npos, textOf(typeName).find("prxbaseICharsetFactoryC"));
}

}  // namespace
