// The component "rozorevo.charsetconvert": openConverter's choice of
// converter, and every member through Invoke with real variants, its
// failure shapes and argument read order.
#include "charset/html_converter.h"
#include "charset_test_support.h"
#include "platform/locale_charset.h"

namespace {

using namespace charsettest;

TEST(OpenConverter, PseudoCharsetCombinations) {
  // kind: "fails", "plain", "encodes" or "decodes", and "+tags";
  // library: the names handed to iconv_open ("": not called).
  const struct {
    const char *from, *to, *kind, *library;
  } cases[] = {
      {"ISO-8859-1", "UTF-8", "plain", "ISO-8859-1 -> UTF-8"},
      {"ISO-8859-1", "HTML", "encodes", "ISO-8859-1 -> UTF-16"},
      {"HTML", "UTF-8", "decodes", "UTF-16 -> UTF-8"},
      {"ISO-8859-1", "HTMLWITHTAGS", "encodes+tags", "ISO-8859-1 -> UTF-16"},
      {"HTMLWITHTAGS", "UTF-8", "decodes+tags", "UTF-16 -> UTF-8"},
      {"HTML", "HTML", "fails", ""},
      {"HTMLWITHTAGS", "HTMLWITHTAGS", "fails", ""},
      {"HTML", "HTMLWITHTAGS", "encodes+tags", "UTF-16 -> UTF-16"},
      {"HTMLWITHTAGS", "HTML", "decodes+tags", "UTF-16 -> UTF-16"},
      // Letter case counts: these names go to the library unchanged.
      {"html", "UTF-8", "fails", "html -> UTF-8"},
      {"ISO-8859-1", "Html", "fails", "ISO-8859-1 -> Html"},
      {"utf-8", "iso-8859-1", "plain", "utf-8 -> iso-8859-1"},
      {"NO-SUCH-CHARSET", "UTF-8", "fails", "NO-SUCH-CHARSET -> UTF-8"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.from) + " -> " + c.to);
    libraryProbeC probe;
    zkIUnknown* answer = nullptr;
    const uint32_t status = makeFactory()->openConverter(c.from, c.to, &answer);
    EXPECT_EQ(c.library, probe.lastNames);
    EXPECT_LE(probe.opens, 1);
    EXPECT_EQ(status != 0, answer == nullptr);
    zkInterfacePtrT<zkICharsetConverter> converter;
    converter.attach(static_cast<zkICharsetConverter*>(answer));
    auto* object = static_cast<prxbasezkICharsetConverterC*>(converter.get());
    auto* html = dynamic_cast<prxbasezkIHtmlConverterC*>(object);
    const std::string kind =
        status != 0       ? "fails"
        : html == nullptr ? "plain"
                          : std::string(html->encodes() ? "encodes" : "decodes") + (html->hasTags() ? "+tags" : "");
    EXPECT_EQ(c.kind, kind);
    if (object != nullptr) {
      EXPECT_EQ(1u, object->currentRefCount()) << "a reference too many";
    }
  }
}

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

// describeVariant() of Invoke's result, or for the usual failure (status 1, result
// untouched, "Object call failed") "failed: " and the error's context.
std::string invoke(zkIDispatch* object, const char* name, uint32_t kind, std::vector<zkVariantS> args) {
  zkVariantS result;
  zkIUnknown* error = nullptr;
  const uint32_t status = object->Invoke(name, kind, static_cast<uint32_t>(args.size()), args.data(), &result, &error);
  std::string outcome = describeVariant(result);
  zkInterfacePtrT<zkIComException> exception;
  if (error != nullptr && exception.query(error, zkIID_IException) == 0) {
    zkVariantS context, description;
    exception->GetContext(&context);
    exception->GetDescription(&description);
    outcome = "failed: " + variantText(context) +
              (variantText(description) == "Object call failed" ? "" : " " + variantText(description)) +
              (outcome == "zkVarEmpty" ? "" : ", result " + outcome);
  }
  if (error != nullptr) error->Release();
  if (status != (error != nullptr ? 1u : 0u)) outcome += ", status " + std::to_string(status);
  return outcome;
}

TEST(CharsetComponent, Members) {
  const uint32_t get = kindPropertyGet, call = kindMethod;
  const std::string locale = locale_charset();
  const struct {
    const char* member;
    uint32_t kind;
    std::vector<zkVariantS> args;
    std::string expected;
  } cases[] = {
      {"Convert", call, {text("ISO-8859-1"), text("UTF-8"), text("caf\xE9")}, "zkVarString \"caf\xC3\xA9\""},
      {"Convert", call, {text("NO-SUCH-CHARSET"), text("UTF-8"), text("abc")}, "zkVarInt 0"},
      {"Convert", call, {text("UTF-8"), text("ISO-8859-1"), text("abc\xFF")}, "zkVarEmpty"},
      {"Convert", call, {text("ISO-8859-1"), text("UTF-8"), text("")}, "zkVarString \"\""},
      {"cOnVeRt", call, {text("ISO-8859-1"), text("HTML"), text("a<b")}, "zkVarString \"a&lt;b\""},
      // Arguments are read last to first: the first one that is no text is named.
      {"Convert", call, {integer(1), integer(2), integer(3)}, "failed: methode:Convert(Para:3)"},
      {"Convert", call, {text("UTF-8"), integer(2), text("x")}, "failed: methode:Convert(Para:2)"},
      {"Convert", call, {integer(1), text("UTF-8"), text("x")}, "failed: methode:Convert(Para:1)"},
      {"openConverter", call, {integer(1), integer(2)}, "failed: methode:openConverter(Para:2)"},
      {"openConverter", call, {text("UTF-8")}, "failed: methode:openConverter"},
      {"openConverter", call, {text(locale), text("HTML")}, "zkVarObject"},
      {"openConverter", call, {text("HTML"), text("HTML")}, "zkVarEmpty"},
      {"isValidCharset", call, {text("UTF-8")}, "zkVarInt 0"},
      {"isValidCharset", call, {integer(5)}, "failed: methode:isValidCharset(Para:1)"},
      {"AvailableCharsets", get, {}, "zkVarEmpty"},
      {"LocaleCharset", get, {}, "zkVarString \"" + locale + "\""},
      {"LocaleCharset", call, {}, "failed: methode:LocaleCharset"},  // a property, no method
  };
  libraryProbeC probe;
  zkInterfacePtrT<zkIDispatch> component;
  ASSERT_EQ(0u, component.query(makeFactory().get(), zkIID_IDispatch));
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.member) + " with " + std::to_string(c.args.size()) + " arguments");
    EXPECT_EQ(c.expected, invoke(component.get(), c.member, c.kind, c.args));
  }
  EXPECT_EQ(probe.opens - 1, probe.closes) << "every handle that opened (all but one) is closed";
}

}  // namespace
