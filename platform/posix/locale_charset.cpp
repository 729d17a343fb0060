// locale_charset() on POSIX: nl_langinfo(CODESET), mapped to the canonical
// names the charset library uses.
#include "platform/locale_charset.h"

#include <langinfo.h>
#include <string.h>
#include <strings.h>

namespace {

struct charsetAliasS {
  const char* systemName;     // as nl_langinfo(CODESET) spells it
  const char* canonicalName;  // as the charset library spells it
};

// C libraries spell some character sets their own way; these are the
// spellings seen on glibc, musl and the BSDs.
const charsetAliasS kAliases[] = {
    {"ANSI_X3.4-1968", "ASCII"},
    {"646", "ASCII"},
    {"US-ASCII", "ASCII"},
    {"utf8", "UTF-8"},
    {"UTF8", "UTF-8"},
    {"ISO8859-1", "ISO-8859-1"},
    {"ISO8859-2", "ISO-8859-2"},
    {"ISO8859-5", "ISO-8859-5"},
    {"ISO8859-7", "ISO-8859-7"},
    {"ISO8859-9", "ISO-8859-9"},
    {"ISO8859-15", "ISO-8859-15"},
    {"eucJP", "EUC-JP"},
    {"eucKR", "EUC-KR"},
    {"eucCN", "GB2312"},
    {"eucTW", "EUC-TW"},
    {"SJIS", "SHIFT_JIS"},
    {"BIG5-HKSCS", "BIG5-HKSCS"},
    {"GB18030", "GB18030"},
};

}  // namespace

extern "C" const char* locale_charset(void) {
  const char* codeset = nl_langinfo(CODESET);
  if (codeset == nullptr || codeset[0] == '\0') return "ASCII";
  for (const charsetAliasS& alias : kAliases) {
    if (strcasecmp(codeset, alias.systemName) == 0) return alias.canonicalName;
  }
  return codeset;
}
