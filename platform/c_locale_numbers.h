// Numbers read from and written to text as the "C" locale spells them, on
// any thread and whatever locale the process or the calling thread has.
//
// Neither function changes a locale setting: not the process's (setlocale),
// and not the calling thread's locale mode, which belongs to the host.
// POSIX uses a "C" locale object of its own, made once on first use and
// shared by every thread (strtod_l; uselocale only around one snprintf
// call). Windows needs no locale at all: it hands strtod a text without a
// decimal point (the digits as one integer, the exponent adjusted) and reads
// back only the digits and the exponent of "%.*e", so whatever decimal
// separator the locale has never matters; the runtime's C99 functions keep
// their correct rounding.
//
// Backend contract (platform/<posix|win32>/c_locale_numbers.cpp):
// - cLocaleDecimalToDouble(text, length, value): requires the `length`
//   bytes at `text` to be a decimal number, as the caller has checked: an
//   optional sign, digits with an optional decimal point '.' (at least one
//   digit), an optional exponent ('e' or 'E', an optional sign, digits),
//   followed by a byte that cannot continue it (such as the zero ending a
//   text). Stores the double that strtod makes of it in the "C" locale (nearest;
//   overflow gives an infinity, underflow zero) and answers true. Answers
//   false with *value untouched when the conversion cannot be made (no "C"
//   locale object, no memory for the copy of a long text) or when strtod
//   does not read exactly those bytes (other texts are safe but may or may
//   not convert).
// - cLocaleFormatDouble(value, precision, buffer, size): writes
//   snprintf's "%.*g" of the finite `value` with `precision` significant
//   digits (1 to 17) in the "C" locale, in the C99 spelling on both
//   platforms (an exponent has a sign and at least two digits). Answers the
//   length written, or -1 when the text does not fit `size` bytes with its
//   terminating zero or cannot be made (the buffer's content is then
//   unspecified).
#pragma once

#include <cstddef>

bool cLocaleDecimalToDouble(const char* text, std::size_t length, double* value);
int cLocaleFormatDouble(double value, int precision, char* buffer, std::size_t size);
