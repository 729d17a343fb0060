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

// Switches both categories to the first of candidates the machine has and
// answers its name, or "" when it has none of them; back to "C" at the end.
class switchedLocaleC {
 public:
  explicit switchedLocaleC(std::initializer_list<const char*> candidates) {
    for (const char* candidate : candidates) {
      if (std::setlocale(LC_NUMERIC, candidate) && std::setlocale(LC_CTYPE, candidate)) {
        name = candidate;
        return;
      }
      std::setlocale(LC_NUMERIC, "C");
    }
  }
  ~switchedLocaleC() {
    std::setlocale(LC_NUMERIC, "C");
    std::setlocale(LC_CTYPE, "C");
  }
  std::string name;
};

}  // namespace

TEST(CLocaleGuard, DecimalCommaLocaleIsRestored) {
  const switchedLocaleC chosen({"de_DE.UTF-8", "de_DE.utf8", "de_DE", "German_Germany.1252", "German", "fr_FR.UTF-8",
                                "fr_FR", "French"});
  if (chosen.name.empty()) GTEST_SKIP() << "no locale with a decimal comma on this machine";
  SCOPED_TRACE(chosen.name);
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

// Only the classification differs from "C": each category comes back as it
// was; an inner guard restores what it found ("C"); an inactive guard changes nothing.
TEST(CLocaleGuard, CategoriesAreRestoredSeparatelyGuardsNestAndInactiveOnesDoNothing) {
  const switchedLocaleC chosen({"C.UTF-8", "C.utf8", "en_US.UTF-8", "English_United States.1252", "de_DE.UTF-8",
                                "German"});
  if (chosen.name.empty()) GTEST_SKIP() << "no locale other than \"C\" on this machine";
  SCOPED_TRACE(chosen.name);
  std::setlocale(LC_NUMERIC, "C");
  const std::string classBefore = localeName(LC_CTYPE);
  ASSERT_NE(classBefore, "C");
  {
    cLocaleGuardC inactive(false);
    EXPECT_EQ(localeName(LC_CTYPE), classBefore);
  }
  EXPECT_EQ(localeName(LC_CTYPE), classBefore);
  {
    cLocaleGuardC outer;
    {
      cLocaleGuardC inner;
      EXPECT_EQ(localeName(LC_CTYPE), "C");
    }
    EXPECT_EQ(localeName(LC_CTYPE), "C");
  }
  EXPECT_EQ(localeName(LC_NUMERIC), "C");
  EXPECT_EQ(localeName(LC_CTYPE), classBefore);
}
