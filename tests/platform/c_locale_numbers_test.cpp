// Numbers read and written as the "C" locale spells them, under a process
// locale that spells them otherwise, which they leave as it is.
#include "platform/c_locale_numbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "tests/support/comma_locale.h"

namespace {

void checkFormatting() {
  const struct {
    double value;
    int precision;
    const char* expected;
  } rows[] = {
      {0.1, 14, "0.1"},
      {1.0 / 3.0, 14, "0.33333333333333"},
      {100.0, 14, "100"},
      {-2.5, 14, "-2.5"},
      {0.0, 14, "0"},
      {-0.0, 14, "-0"},
      {12345678901234.0, 14, "12345678901234"},  // exponent 13: still fixed
      {1e14, 14, "1e+14"},                       // exponent 14: exponent form
      {123456789012345678.0, 14, "1.2345678901235e+17"},
      {0.0001, 14, "0.0001"},  // exponent -4: still fixed
      {0.00001, 14, "1e-05"},  // two exponent digits at least
      {-2.5e-7, 14, "-2.5e-07"},
      {1e100, 14, "1e+100"},
      {1.5e-300, 14, "1.5e-300"},
      {0.1, 17, "0.10000000000000001"},
      {99.5, 2, "1e+02"},  // rounding carries into the exponent
      {2.5, 1, "2"},       // ties to even
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.expected);
    char buffer[64];
    const int length = cLocaleFormatDouble(row.value, row.precision, buffer, sizeof buffer);
    ASSERT_EQ(static_cast<int>(std::strlen(row.expected)), length);
    EXPECT_EQ(std::string(row.expected), buffer);
  }
  char small[4];
  EXPECT_EQ(-1, cLocaleFormatDouble(0.125, 14, small, sizeof small)) << "\"0.125\" and its zero need 6 bytes";
}

void checkParsing() {
  const struct {
    const char* text;
    size_t length;
    bool converts;
    double expected;
  } rows[] = {
      {"1.5", 3, true, 1.5},        {"-2.5e3", 6, true, -2500.0},
      {"+.5E-1", 6, true, 0.05},    {"7.", 2, true, 7.0},
      {"0.1", 3, true, 0.1},        {"12345678901234567890.5e-10", 26, true, 1234567890.12345678905},
      {"1e400", 5, true, HUGE_VAL}, {"-1e-400", 7, true, -0.0},
      {"1,5", 3, false, 0.0},  // the comma is no decimal separator here
      {"12x", 2, true, 12.0},  // only the given bytes
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.text, row.length));
    double value = 42.0;
    EXPECT_EQ(row.converts, cLocaleDecimalToDouble(row.text, row.length, &value));
    EXPECT_EQ(row.converts ? row.expected : 42.0, value);
  }
}

TEST(CLocaleNumbers, InTheCLocale) {
  checkFormatting();
  checkParsing();
}

TEST(CLocaleNumbers, UnderACommaLocaleWhichStays) {
  const commaLocaleScopeC comma;
  if (comma.name() == nullptr) GTEST_SKIP() << "no locale with a decimal comma on this machine";
  SCOPED_TRACE(comma.name());
  checkFormatting();
  checkParsing();
  EXPECT_EQ("1,5", commaLocaleScopeC::formatted(1.5));
}

}  // namespace
