// The scoped "C" locale, the same on both platforms.
#include "platform/locale_guard.h"

#include <clocale>
#include <cstdlib>
#include <cstring>

#include "platform/lock.h"

namespace {

// What the guards share, all under guardLock. A lockC in static storage
// works before its constructor and after its destructor.
lockC guardLock;
unsigned guardsAlive = 0;             // guards constructed and not yet destroyed
char* savedNumeric = nullptr;         // LC_NUMERIC before the first guard, runtime heap
char* savedCharacterClass = nullptr;  // LC_CTYPE before the first guard, runtime heap

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

void forgetSavedNames() {
  std::free(savedNumeric);
  std::free(savedCharacterClass);
  savedNumeric = nullptr;
  savedCharacterClass = nullptr;
}

const char* orDefault(const char* name) { return name != nullptr ? name : ""; }

}  // namespace

cLocaleGuardC::cLocaleGuardC(bool switchToC) : counted(false) {
  if (!switchToC) return;
  lockGuardC hold(guardLock);
  if (guardsAlive == 0) {
    if (!saveLocaleName(LC_NUMERIC, &savedNumeric) || !saveLocaleName(LC_CTYPE, &savedCharacterClass)) {
      forgetSavedNames();
      return;
    }
    std::setlocale(LC_NUMERIC, "C");
    std::setlocale(LC_CTYPE, "C");
  }
  ++guardsAlive;
  counted = true;
}

cLocaleGuardC::~cLocaleGuardC() {
  if (!counted) return;
  lockGuardC hold(guardLock);
  if (--guardsAlive != 0) return;
  std::setlocale(LC_NUMERIC, orDefault(savedNumeric));
  std::setlocale(LC_CTYPE, orDefault(savedCharacterClass));
  forgetSavedNames();
}
