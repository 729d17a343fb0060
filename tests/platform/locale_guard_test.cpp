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

// Switches both categories to the first of candidates the machine has;
// answers its name, or "" when it has none of them.
std::string switchToOneOf(std::initializer_list<const char*> candidates) {
  for (const char* candidate : candidates) {
    if (!std::setlocale(LC_NUMERIC, candidate)) continue;
    if (!std::setlocale(LC_CTYPE, candidate)) {
      std::setlocale(LC_NUMERIC, "C");
      continue;
    }
    return candidate;
  }
  return "";
}

// Puts both categories back to "C" when a test ends.
struct restoreCLocaleS {
  ~restoreCLocaleS() {
    std::setlocale(LC_NUMERIC, "C");
    std::setlocale(LC_CTYPE, "C");
  }
};

}  // namespace

TEST(CLocaleGuard, DecimalCommaLocaleIsRestored) {
  restoreCLocaleS restore;
  const std::string chosen = switchToOneOf({"de_DE.UTF-8", "de_DE.utf8", "de_DE", "German_Germany.1252", "German",
                                            "fr_FR.UTF-8", "fr_FR", "French"});
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

TEST(CLocaleGuard, CategoriesAreRestoredSeparatelyAndGuardsNest) {
  restoreCLocaleS restore;
  const std::string chosen = switchToOneOf({"C.UTF-8", "C.utf8", "en_US.UTF-8", "English_United States.1252",
                                            "de_DE.UTF-8", "German"});
  if (chosen.empty()) GTEST_SKIP() << "no locale other than \"C\" on this machine";
  SCOPED_TRACE(chosen);
  std::setlocale(LC_NUMERIC, "C");  // only the classification differs from "C"
  const std::string classBefore = localeName(LC_CTYPE);
  ASSERT_NE(classBefore, "C");
  {
    cLocaleGuardC outer;
    {
      cLocaleGuardC inner;
      EXPECT_EQ(localeName(LC_CTYPE), "C");
    }
    EXPECT_EQ(localeName(LC_CTYPE), "C") << "the inner guard restores what it found: \"C\"";
  }
  EXPECT_EQ(localeName(LC_NUMERIC), "C");
  EXPECT_EQ(localeName(LC_CTYPE), classBefore);
}

TEST(CLocaleGuard, InactiveGuardChangesNothing) {
  restoreCLocaleS restore;
  const std::string chosen = switchToOneOf({"C.UTF-8", "C.utf8", "en_US.UTF-8", "English_United States.1252"});
  if (chosen.empty()) GTEST_SKIP() << "no locale other than \"C\" on this machine";
  const std::string classBefore = localeName(LC_CTYPE);
  {
    cLocaleGuardC guard(false);
    EXPECT_EQ(localeName(LC_CTYPE), classBefore);
  }
  EXPECT_EQ(localeName(LC_CTYPE), classBefore);
}
