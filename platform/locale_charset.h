// The character set of the current locale, as libcharset's locale_charset
// reports it.
//
// locale_charset() answers the canonical name of the character set of the
// process's current LC_CTYPE locale ("UTF-8", "ISO-8859-1", "ASCII", ...; on
// Windows "CP" followed by the ANSI code page, or the canonical name of a
// few code pages that have one). The name is one that iconv_open accepts.
// It never answers null; the text is static and stays valid until the next
// call from any thread.
//
// The charset library calls it for the empty encoding name, and the
// "LocaleCharset" member reports it.
#pragma once

extern "C" const char* locale_charset(void);
