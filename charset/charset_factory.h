// prxbaseICharsetFactoryC: the component "rozorevo.charsetconvert".
//
// A dispatchable object with five members, each a thin adapter that reads
// its arguments as text, calls the native operation through the object's
// own ICharsetFactory face ("RAVOD.ICHARSETFACT") and stores the outcome:
//
//   "AvailableCharsets"  property read, 0 arguments: always the empty value
//   "openConverter"      method, (from, to): the converter's dispatch
//                        interface, or the empty value
//   "isValidCharset"     method, (name): always the integer 0
//   "LocaleCharset"      property read, 0 arguments: the locale's character
//                        set name
//   "Convert"            method, (from, to, text): the converted text; the
//                        empty value when the conversion failed; the integer
//                        0 when no converter could be opened
//
// The source character set always comes first. Handlers read their
// arguments in a fixed order ("openConverter": 1 then 0; "Convert": 2, 1,
// 0), so a non-text argument makes the dispatcher's error name the first
// argument read that did not fit. The component holds no state.
#pragma once

#include <cstdint>

#include "abi/charset_interfaces.h"
#include "runtime/proxy_object.h"

class prxbaseICharsetFactoryC : public proxyObjectC, public ICharsetFactory {
 public:
  // The object starts with no reference; the creator asks it for an
  // interface. The class's method table is built at the first construction.
  prxbaseICharsetFactoryC();

  // Creates a component and asks it for `id`: 0 with one reference in *out,
  // or 1 (nothing created, or the object did not answer) with *out null.
  static uint32_t createInstance(const zkIIDS& id, void** out);

  // "RAVOD.ICHARSETFACT": the native face, one reference added. Everything
  // else: proxyObjectC's answers.
  uint32_t QueryInterface(const zkIIDS* id, void** out) override;
  uint32_t AddRef() override;
  uint32_t Release() override;

  uint32_t AvailableCharsets(zkIUnknown** out) override;
  uint32_t LocaleCharset(zkVariantS* out) override;
  // 1. Both names "HTML" (exactly; letter case counts) or both
  //    "HTMLWITHTAGS": answers 1.
  // 2. "HTML" on one side becomes "UTF-16" (source first: HTML decodes;
  //    else target: HTML encodes); then "HTMLWITHTAGS" likewise, with tags,
  //    overriding the direction that "HTML" chose.
  // 3. iconv_open(target, source); failure answers 1.
  // 4. An HTML converter when a pseudo name was replaced, else a plain one;
  //    *out receives its zkICharsetConverter with the only reference.
  // Null names or a null out answer 1.
  uint32_t openConverter(const char* fromCharset, const char* toCharset, zkIUnknown** out) override;

  const char* getNativeTypeName() override;
  ZK_DELETING_DESTRUCTOR(prxbaseICharsetFactoryC)

 protected:
  ~prxbaseICharsetFactoryC() = default;
};

// The five method rows of the component, in table order.
extern const proxyMethodEntryS charsetFactoryRows[];
