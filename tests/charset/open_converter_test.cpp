// openConverter: which converter the pseudo character sets give, and the
// names that reach the library.
#include <gtest/gtest.h>

#include <string>

#include "charset/html_converter.h"
#include "charset_test_support.h"

namespace {

using charsettest::libraryProbeC;
using charsettest::makeFactory;

enum class kindE { fails, plain, encodes, decodes };

struct openCaseS {
  const char* from;
  const char* to;
  kindE kind;
  bool tags;
  const char* libraryFrom;  // names handed to iconv_open (null: not called)
  const char* libraryTo;
};

const char* kindName(kindE kind) {
  switch (kind) {
    case kindE::fails: return "fails";
    case kindE::plain: return "plain";
    case kindE::encodes: return "encodes";
    case kindE::decodes: return "decodes";
  }
  return "?";
}

TEST(OpenConverter, PseudoCharsetCombinations) {
  const openCaseS cases[] = {
      {"ISO-8859-1", "UTF-8", kindE::plain, false, "ISO-8859-1", "UTF-8"},
      {"ISO-8859-1", "HTML", kindE::encodes, false, "ISO-8859-1", "UTF-16"},
      {"HTML", "UTF-8", kindE::decodes, false, "UTF-16", "UTF-8"},
      {"ISO-8859-1", "HTMLWITHTAGS", kindE::encodes, true, "ISO-8859-1", "UTF-16"},
      {"HTMLWITHTAGS", "UTF-8", kindE::decodes, true, "UTF-16", "UTF-8"},
      {"HTML", "HTML", kindE::fails, false, nullptr, nullptr},
      {"HTMLWITHTAGS", "HTMLWITHTAGS", kindE::fails, false, nullptr, nullptr},
      {"HTML", "HTMLWITHTAGS", kindE::encodes, true, "UTF-16", "UTF-16"},
      {"HTMLWITHTAGS", "HTML", kindE::decodes, true, "UTF-16", "UTF-16"},
      // Letter case counts: these names go to the library unchanged.
      {"html", "UTF-8", kindE::fails, false, "html", "UTF-8"},
      {"ISO-8859-1", "Html", kindE::fails, false, "ISO-8859-1", "Html"},
      {"utf-8", "iso-8859-1", kindE::plain, false, "utf-8", "iso-8859-1"},
      {"NO-SUCH-CHARSET", "UTF-8", kindE::fails, false, "NO-SUCH-CHARSET", "UTF-8"},
      {"UTF-8", "ASCII//TRANSLIT", kindE::plain, false, "UTF-8", "ASCII//TRANSLIT"},
  };
  for (const openCaseS& c : cases) {
    SCOPED_TRACE(std::string(c.from) + " -> " + c.to + ": " + kindName(c.kind));
    libraryProbeC probe;
    auto factory = makeFactory();
    zkIUnknown* answer = nullptr;
    const uint32_t status = factory->openConverter(c.from, c.to, &answer);
    if (c.libraryFrom == nullptr) {
      EXPECT_EQ(0, probe.opens);
    } else {
      EXPECT_EQ(1, probe.opens);
      EXPECT_EQ(c.libraryFrom, probe.lastFrom);
      EXPECT_EQ(c.libraryTo, probe.lastTo);
    }
    if (c.kind == kindE::fails) {
      EXPECT_EQ(1u, status);
      EXPECT_EQ(nullptr, answer);
      continue;
    }
    ASSERT_EQ(0u, status);
    ASSERT_NE(nullptr, answer);
    zkInterfacePtrT<zkICharsetConverter> converter;
    converter.attach(static_cast<zkICharsetConverter*>(answer));
    auto* object = static_cast<prxbasezkICharsetConverterC*>(converter.get());
    EXPECT_EQ(1u, object->currentRefCount()) << "the caller holds the only reference";
    EXPECT_EQ(c.libraryFrom, std::string(object->sourceName().c_str()));
    EXPECT_EQ(c.libraryTo, std::string(object->targetName().c_str()));
    auto* html = dynamic_cast<prxbasezkIHtmlConverterC*>(object);
    if (c.kind == kindE::plain) {
      EXPECT_EQ(nullptr, html);
    } else {
      ASSERT_NE(nullptr, html);
      EXPECT_EQ(c.kind == kindE::encodes, html->encodes());
      EXPECT_EQ(c.tags, html->hasTags());
    }
  }
}

TEST(OpenConverter, FailedOpenLeavesOutUntouched) {
  libraryProbeC probe;
  probe.failOpen = true;
  auto factory = makeFactory();
  zkIUnknown* sentinel = reinterpret_cast<zkIUnknown*>(&probe);
  zkIUnknown* answer = sentinel;
  EXPECT_EQ(1u, factory->openConverter("ISO-8859-1", "UTF-8", &answer));
  EXPECT_EQ(sentinel, answer);
  EXPECT_EQ(1u, factory->openConverter(nullptr, "UTF-8", &answer));
  EXPECT_EQ(1u, factory->openConverter("UTF-8", "UTF-8", nullptr));
  EXPECT_EQ(0, probe.closes);
}

TEST(OpenConverter, ConverterAnswersItsInterfaces) {
  auto converter = charsettest::openNative("ISO-8859-1", "HTML");
  ASSERT_TRUE(converter);
  zkInterfacePtrT<zkIDispatch> dispatch;
  EXPECT_EQ(0u, dispatch.query(converter.get(), zkIID_IDispatch));
  zkInterfacePtrT<zkICharsetConverter> again;
  EXPECT_EQ(0u, again.query(dispatch.get(), zkIID_ICharsetConverter));
  EXPECT_EQ(converter.get(), again.get());
  zkInterfacePtrT<zkIUnknown> factoryFace;
  EXPECT_NE(0u, factoryFace.query(converter.get(), zkIID_ICharsetFactory));

  zkInterfacePtrT<zkIComNativePointer> native;
  ASSERT_EQ(0u, native.query(converter.get(), zkIID_INativePointer));
  zkVariantS typeName;
  ASSERT_EQ(0u, native->GetNativeTypeName(&typeName));
  EXPECT_NE(std::string::npos, charsettest::textOf(typeName).find("prxbasezkIHtmlConverterC"));
}

}  // namespace
