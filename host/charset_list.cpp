// Listing the character sets through the charset library's iconvlist.
#include "host/charset_list.h"

#include <iconv.h>

namespace {

struct listingS {
  std::FILE* out;
  bool failed;
};

// iconvlist calls this once per character set; a non-zero answer stops it.
int printAliases(unsigned int count, const char* const* names, void* data) {
  listingS* listing = static_cast<listingS*>(data);
  for (unsigned int i = 0; i < count; ++i) {
    if (std::fputs(names[i], listing->out) < 0 || std::fputc(i + 1 < count ? ' ' : '\n', listing->out) == EOF) {
      listing->failed = true;
      return 1;
    }
  }
  return 0;
}

}  // namespace

bool listCharsets(std::FILE* out) {
  listingS listing{out, false};
  iconvlist(printAliases, &listing);
  return !listing.failed && std::fputs("HTML\nHTMLWITHTAGS\n", out) >= 0;
}
