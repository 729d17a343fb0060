// The scoped "C" locale, the same on both platforms.
#include "platform/locale_guard.h"

#include <clocale>
#include <cstdlib>
#include <cstring>

namespace {

// Copies the current name of category into *saved (null for no name) on the
// runtime heap; false when the copy could not be made. setlocale's answer
// lives only until its next call.
bool saveLocaleName(int category, char** saved) {
  const char* name = std::setlocale(category, nullptr);
  if (!name || !*name) return true;
  const std::size_t size = std::strlen(name) + 1;
  *saved = static_cast<char*>(std::malloc(size));
  if (*saved == nullptr) return false;
  std::memcpy(*saved, name, size);
  return true;
}

const char* orDefault(const char* name) { return name != nullptr ? name : ""; }

}  // namespace

cLocaleGuardC::cLocaleGuardC(bool switchToC) : savedNumeric(nullptr), savedCharacterClass(nullptr), switched(false) {
  if (!switchToC) return;
  if (!saveLocaleName(LC_NUMERIC, &savedNumeric) || !saveLocaleName(LC_CTYPE, &savedCharacterClass)) return;
  std::setlocale(LC_NUMERIC, "C");
  std::setlocale(LC_CTYPE, "C");
  switched = true;
}

cLocaleGuardC::~cLocaleGuardC() {
  if (switched) {
    std::setlocale(LC_NUMERIC, orDefault(savedNumeric));
    std::setlocale(LC_CTYPE, orDefault(savedCharacterClass));
  }
  std::free(savedNumeric);
  std::free(savedCharacterClass);
}
