// locale_charset() on Windows: "CP" followed by the ANSI code page, or the
// canonical name of the few code pages the charset library names otherwise.
#include "platform/locale_charset.h"

#include <stdio.h>
#include <windows.h>

namespace {

struct codePageNameS {
  unsigned codePage;
  const char* canonicalName;
};

const codePageNameS kNamedCodePages[] = {
    {20127, "ASCII"},      {20866, "KOI8-R"},     {21866, "KOI8-RU"},     {28591, "ISO-8859-1"}, {28592, "ISO-8859-2"},
    {28595, "ISO-8859-5"}, {28597, "ISO-8859-7"}, {28605, "ISO-8859-15"}, {932, "CP932"},        {936, "GBK"},
    {949, "CP949"},        {950, "CP950"},        {1361, "JOHAB"},        {65001, "UTF-8"},
};

char gCharsetName[16];

}  // namespace

extern "C" const char* locale_charset(void) {
  const unsigned codePage = GetACP();
  for (const codePageNameS& named : kNamedCodePages) {
    if (named.codePage == codePage) return named.canonicalName;
  }
  snprintf(gCharsetName, sizeof gCharsetName, "CP%u", codePage);
  return gCharsetName;
}
