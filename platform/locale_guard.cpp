// The scoped "C" locale, the same on both platforms.
#include "platform/locale_guard.h"

#include <clocale>

namespace {

// Copies the current name of category into saved; false when the copy could
// not be made. setlocale's answer lives only until its next call.
bool saveLocaleName(int category, str& saved) {
  const char* name = std::setlocale(category, nullptr);
  if (!name || !*name) return true;
  saved = name;
  return saved.hasStorage();
}

}  // namespace

cLocaleGuardC::cLocaleGuardC(bool switchToC) : switched(false) {
  if (!switchToC) return;
  if (!saveLocaleName(LC_NUMERIC, savedNumeric) || !saveLocaleName(LC_CTYPE, savedCharacterClass)) return;
  std::setlocale(LC_NUMERIC, "C");
  std::setlocale(LC_CTYPE, "C");
  switched = true;
}

cLocaleGuardC::~cLocaleGuardC() {
  if (!switched) return;
  std::setlocale(LC_NUMERIC, savedNumeric.c_str());
  std::setlocale(LC_CTYPE, savedCharacterClass.c_str());
}
