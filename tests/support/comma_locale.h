// commaLocaleScopeC: for one scope, a process locale whose decimal separator
// is a comma (German or French, by whatever name the platform knows it),
// and afterwards the locale that was there before.
#pragma once

#include <clocale>
#include <cstdio>
#include <cstring>
#include <string>

class commaLocaleScopeC {
 public:
  commaLocaleScopeC() : saved(std::setlocale(LC_ALL, nullptr)) {
    for (const char* candidate :
         {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "German_Germany.1252", "German", "fr_FR.UTF-8", "fr_FR", "French"}) {
      if (std::setlocale(LC_ALL, candidate) != nullptr && formatted(1.5) == "1,5") {
        chosen = candidate;
        return;
      }
    }
    std::setlocale(LC_ALL, saved.c_str());
  }
  ~commaLocaleScopeC() { std::setlocale(LC_ALL, saved.c_str()); }
  commaLocaleScopeC(const commaLocaleScopeC&) = delete;
  commaLocaleScopeC& operator=(const commaLocaleScopeC&) = delete;

  // The locale set, or null when the platform knows none (tests then skip).
  const char* name() const { return chosen; }

  // What the process locale makes of a number right now.
  static std::string formatted(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
  }

 private:
  std::string saved;
  const char* chosen = nullptr;
};
