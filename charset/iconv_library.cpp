// The replaceable table of charset library calls.
#include "charset/iconv_library.h"

namespace {

iconv_t libraryOpen(const char* to, const char* from) { return iconv_open(to, from); }

size_t libraryConvert(iconv_t handle, const char** in, size_t* inLeft, char** out, size_t* outLeft) {
  return iconv(handle, in, inLeft, out, outLeft);
}

int libraryClose(iconv_t handle) { return iconv_close(handle); }

const charsetLibraryS gnuLibrary = {libraryOpen, libraryConvert, libraryClose};

charsetLibraryS currentLibrary = gnuLibrary;

}  // namespace

const charsetLibraryS& charsetLibrary() { return currentLibrary; }

const charsetLibraryS& gnuCharsetLibrary() { return gnuLibrary; }

charsetLibraryS setCharsetLibrary(const charsetLibraryS& calls) {
  const charsetLibraryS previous = currentLibrary;
  currentLibrary = calls;
  return previous;
}
