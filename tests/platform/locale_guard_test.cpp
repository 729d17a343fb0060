// cLocaleGuardC: the "C" locale inside the scope, the previous locale after.
#include "platform/locale_guard.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <string>

namespace {

std::string localeName(int category) {
  const char* name = std::setlocale(category, nullptr);
  return name ? name : "(null)";
}

std::string formatted(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", value);
  return text;
}

struct backToCS {
  ~backToCS() { std::setlocale(LC_ALL, "C"); }
};

}  // namespace

TEST(CLocaleGuard, DecimalCommaLocaleIsRestored) {
  const backToCS backToC;
  std::string chosen;
  for (const char* candidate :
       {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "German_Germany.1252", "German", "fr_FR.UTF-8", "fr_FR", "French"}) {
    if (std::setlocale(LC_NUMERIC, candidate) && std::setlocale(LC_CTYPE, candidate)) {
      chosen = candidate;
      break;
    }
  }
  if (chosen.empty()) GTEST_SKIP() << "no locale with a decimal comma on this machine";
  SCOPED_TRACE(chosen);
  const std::string numericBefore = localeName(LC_NUMERIC);
  const std::string classBefore = localeName(LC_CTYPE);
  ASSERT_EQ(formatted(1.5), "1,5");
  {
    cLocaleGuardC guard;
    EXPECT_EQ(localeName(LC_NUMERIC), "C");
    EXPECT_EQ(localeName(LC_CTYPE), "C");
    EXPECT_EQ(formatted(1.5), "1.5");
  }
  EXPECT_EQ(localeName(LC_NUMERIC), numericBefore);
  EXPECT_EQ(localeName(LC_CTYPE), classBefore);
  EXPECT_EQ(formatted(1.5), "1,5");
}
