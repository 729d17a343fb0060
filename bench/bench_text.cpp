#include "bench_text.h"

std::string benchMixedLatin1(std::size_t size) {
  static const char pieces[][8] = {"the ",
                                   "caf\xE9 ",
                                   "na\xEFve ",
                                   "a < b ",
                                   "\xA0",
                                   "Stra\xDF"
                                   "e ",
                                   "& ",
                                   "\"q\" ",
                                   "\xBD ",
                                   "word "};
  std::string text;
  unsigned seed = 12345;
  while (text.size() < size) {
    seed = seed * 1103515245u + 12345u;
    text += pieces[(seed >> 16) % (sizeof pieces / sizeof pieces[0])];
  }
  text.resize(size);
  return text;
}
