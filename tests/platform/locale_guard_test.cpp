// cLocaleGuardC: the "C" locale inside the scope, the previous locale after,
// also when guards overlap on several threads.
#include "platform/locale_guard.h"

#include <gtest/gtest.h>

#include <clocale>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/comma_locale.h"

namespace {

std::string localeName(int category) {
  const char* name = std::setlocale(category, nullptr);
  return name ? name : "(null)";
}

// Guards ending in another order than they began (as guards on two threads
// do) leave the locale that was there before the first, not the "C" that a
// later guard found.
TEST(CLocaleGuard, OverlappingGuardsRestoreTheLocaleBeforeTheFirst) {
  const commaLocaleScopeC comma;
  if (comma.name() == nullptr) GTEST_SKIP() << "no locale with a decimal comma on this machine";
  SCOPED_TRACE(comma.name());
  const std::string numericBefore = localeName(LC_NUMERIC);
  const std::string classBefore = localeName(LC_CTYPE);
  std::optional<cLocaleGuardC> first, second;
  first.emplace();
  EXPECT_EQ("C", localeName(LC_NUMERIC));
  EXPECT_EQ("C", localeName(LC_CTYPE));
  EXPECT_EQ("1.5", commaLocaleScopeC::formatted(1.5));
  second.emplace();
  first.reset();
  EXPECT_EQ("1.5", commaLocaleScopeC::formatted(1.5)) << "a guard is still alive";
  second.reset();
  EXPECT_EQ(numericBefore, localeName(LC_NUMERIC));
  EXPECT_EQ(classBefore, localeName(LC_CTYPE));
  EXPECT_EQ("1,5", commaLocaleScopeC::formatted(1.5));
  cLocaleGuardC inactive(false);
  EXPECT_EQ("1,5", commaLocaleScopeC::formatted(1.5)) << "a guard made with false switches nothing";
}

TEST(CLocaleGuard, ConcurrentGuardsLeaveTheLocaleAsTheyFoundIt) {
  const commaLocaleScopeC comma;
  if (comma.name() == nullptr) GTEST_SKIP() << "no locale with a decimal comma on this machine";
  SCOPED_TRACE(comma.name());
  const std::string numericBefore = localeName(LC_NUMERIC);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([] {
      for (int i = 0; i < 500; ++i) cLocaleGuardC guard;
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(numericBefore, localeName(LC_NUMERIC));
  EXPECT_EQ("1,5", commaLocaleScopeC::formatted(1.5));
}

}  // namespace
