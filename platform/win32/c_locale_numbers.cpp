// "C"-locale numbers for Windows without any locale: the runtime's C99
// strtod and snprintf (correctly rounded, two-digit exponents) read and
// write the decimal separator of the current locale, so they are given and
// asked for texts that have none. strtod reads the digits as one integer
// with an adjusted exponent; "%g" is laid out here from the digits and the
// exponent of "%.*e", by the rule that defines "%g".
#include "platform/c_locale_numbers.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int largestPrecision = 17;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// "%g" from the sign, the `count` significant digits and the decimal
// exponent of "%.*e": fixed notation when -4 <= exponent < precision,
// otherwise d.ddde+XX; trailing zeros of the fraction and a bare decimal
// point are dropped. Answers the length of `text` (at most 44 bytes).
int layOutGeneral(bool negative, const char* digits, int count, int exponent, int precision, char* text) {
  int significant = count;
  while (significant > 1 && digits[significant - 1] == '0') --significant;
  int length = 0;
  if (negative) text[length++] = '-';
  if (exponent >= -4 && exponent < precision) {
    if (exponent >= 0) {
      for (int i = 0; i <= exponent; ++i) text[length++] = i < significant ? digits[i] : '0';
      if (significant > exponent + 1) {
        text[length++] = '.';
        for (int i = exponent + 1; i < significant; ++i) text[length++] = digits[i];
      }
    } else {
      text[length++] = '0';
      text[length++] = '.';
      for (int i = 0; i < -exponent - 1; ++i) text[length++] = '0';
      for (int i = 0; i < significant; ++i) text[length++] = digits[i];
    }
    return length;
  }
  text[length++] = digits[0];
  if (significant > 1) {
    text[length++] = '.';
    for (int i = 1; i < significant; ++i) text[length++] = digits[i];
  }
  text[length++] = 'e';
  text[length++] = exponent < 0 ? '-' : '+';
  unsigned magnitude = static_cast<unsigned>(exponent < 0 ? -exponent : exponent);
  char reversed[8];
  int places = 0;
  do {
    reversed[places++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (places < 2) reversed[places++] = '0';
  while (places > 0) text[length++] = reversed[--places];
  return length;
}

}  // namespace

bool cLocaleDecimalToDouble(const char* text, std::size_t length, double* value) {
  const char* p = text;
  const char* const end = text + length;
  const bool negative = p < end && *p == '-';
  if (p < end && (*p == '-' || *p == '+')) ++p;
  const char* const integerDigits = p;
  while (p < end && isDigit(*p)) ++p;
  const std::size_t integerCount = static_cast<std::size_t>(p - integerDigits);
  const char* fractionDigits = p;
  std::size_t fractionCount = 0;
  if (p < end && *p == '.') {
    fractionDigits = ++p;
    while (p < end && isDigit(*p)) ++p;
    fractionCount = static_cast<std::size_t>(p - fractionDigits);
  }
  if (integerCount + fractionCount == 0) return false;
  // The written exponent, saturated far beyond any double's range.
  std::int64_t exponent = 0;
  if (p < end && (*p == 'e' || *p == 'E')) {
    ++p;
    const bool negativeExponent = p < end && *p == '-';
    if (p < end && (*p == '-' || *p == '+')) ++p;
    if (p == end || !isDigit(*p)) return false;
    for (; p < end && isDigit(*p); ++p) {
      if (exponent < 1000000000) exponent = exponent * 10 + (*p - '0');
    }
    if (negativeExponent) exponent = -exponent;
  }
  if (p != end) return false;
  // [-]<integer digits><fraction digits>e<exponent - fraction digits>
  const std::int64_t shifted = exponent - static_cast<std::int64_t>(fractionCount);
  const std::size_t size = 1 + integerCount + fractionCount + 24;
  char small[128];
  char* plain = size <= sizeof small ? small : static_cast<char*>(std::malloc(size));
  if (plain == nullptr) return false;
  std::size_t at = 0;
  if (negative) plain[at++] = '-';
  std::memcpy(plain + at, integerDigits, integerCount);
  at += integerCount;
  std::memcpy(plain + at, fractionDigits, fractionCount);
  at += fractionCount;
  std::snprintf(plain + at, size - at, "e%lld", static_cast<long long>(shifted));
  char* stop = nullptr;
  const double parsed = std::strtod(plain, &stop);
  const bool whole = *stop == '\0';
  if (plain != small) std::free(plain);
  if (!whole) return false;
  *value = parsed;
  return true;
}

int cLocaleFormatDouble(double value, int precision, char* buffer, std::size_t size) {
  if (precision < 1 || precision > largestPrecision) return -1;
  char scientific[64];
  const int n = std::snprintf(scientific, sizeof scientific, "%.*e", precision - 1, value);
  if (n < 0 || n >= static_cast<int>(sizeof scientific)) return -1;
  // [-]d[<the locale's decimal separator, any bytes>ddd]e<sign><digits>
  const char* p = scientific;
  const bool negative = *p == '-';
  if (negative) ++p;
  char digits[largestPrecision];
  int count = 0;
  for (; *p != '\0' && *p != 'e'; ++p) {
    if (isDigit(*p) && count < largestPrecision) digits[count++] = *p;
  }
  if (*p != 'e' || count == 0) return -1;
  const int exponent = static_cast<int>(std::strtol(p + 1, nullptr, 10));
  char text[64];
  const int length = layOutGeneral(negative, digits, count, exponent, precision, text);
  if (static_cast<std::size_t>(length) >= size) return -1;
  std::memcpy(buffer, text, static_cast<std::size_t>(length));
  buffer[length] = '\0';
  return length;
}
