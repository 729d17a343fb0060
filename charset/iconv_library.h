// The charset library calls made by the converters, behind a replaceable
// table.
//
// Every conversion handle the component opens, uses and closes goes through
// `charsetLibrary()`. By default the table holds GNU libiconv's iconv_open,
// iconv and iconv_close; tests install their own table to make iconv_open
// fail or to count the calls (setCharsetLibrary), and put the previous table
// back afterwards. The table is process-wide and not synchronised: replace
// it only while no conversion runs.
#pragma once

#include <iconv.h>

#include <cstddef>

struct charsetLibraryS {
  // Opens a handle converting from `from` into `to`; the all-ones value
  // (invalidConversionHandle) when the library cannot.
  iconv_t (*open)(const char* to, const char* from);
  // One conversion step with iconv's contract: advances *in and *out,
  // decreases the counts, answers (size_t)-1 on any failure.
  size_t (*convert)(iconv_t handle, const char** in, size_t* inLeft, char** out, size_t* outLeft);
  // Closes a handle that `open` answered.
  int (*close)(iconv_t handle);
};

// The failure value of iconv_open.
inline iconv_t invalidConversionHandle() { return reinterpret_cast<iconv_t>(-1); }

// True for a handle that is neither the failure value nor 0 (closed).
inline bool isOpenConversionHandle(iconv_t handle) { return handle != invalidConversionHandle() && handle != nullptr; }

// The table in use.
const charsetLibraryS& charsetLibrary();

// GNU libiconv's own calls.
const charsetLibraryS& gnuCharsetLibrary();

// Installs `calls` and answers the table that was in use.
charsetLibraryS setCharsetLibrary(const charsetLibraryS& calls);
