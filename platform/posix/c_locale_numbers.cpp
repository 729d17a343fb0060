// "C"-locale numbers for POSIX: one locale object from newlocale, read by
// strtod_l, and made the calling thread's locale only for the length of one
// snprintf call (there is no snprintf_l); the thread's own locale is put
// back right after.
#include "platform/c_locale_numbers.h"

#include <locale.h>
#include <stdio.h>
#include <stdlib.h>

namespace {

// Made on first use (thread-safe static initialisation), freed at unload.
class cLocaleC {
 public:
  cLocaleC() : object(newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr))) {}
  ~cLocaleC() {
    if (object != static_cast<locale_t>(nullptr)) freelocale(object);
  }
  cLocaleC(const cLocaleC&) = delete;
  cLocaleC& operator=(const cLocaleC&) = delete;

  locale_t object;  // null when newlocale failed
};

locale_t cLocale() {
  static cLocaleC locale;
  return locale.object;
}

}  // namespace

bool cLocaleDecimalToDouble(const char* text, std::size_t length, double* value) {
  const locale_t c = cLocale();
  if (c == static_cast<locale_t>(nullptr)) return false;
  // The number must end exactly where strtod_l stops reading.
  char* stop = nullptr;
  const double parsed = strtod_l(text, &stop, c);
  if (stop != text + length) return false;
  *value = parsed;
  return true;
}

int cLocaleFormatDouble(double value, int precision, char* buffer, std::size_t size) {
  const locale_t c = cLocale();
  if (c == static_cast<locale_t>(nullptr)) return -1;
  const locale_t previous = uselocale(c);
  const int length = snprintf(buffer, size, "%.*g", precision, value);
  uselocale(previous);
  return length >= 0 && static_cast<std::size_t>(length) < size ? length : -1;
}
