// zkconv: converts files between character sets through the charset
// component of a component module, shaped like iconv(1):
//
//   zkconv [-f FROM] [-t TO] [-o OUTFILE] [--module PATH] [--dispatch] [FILE...]
//   zkconv [-f FROM] [-t TO] [--module PATH] --members
//   zkconv --locale-charset | --help | --version
//
// FROM and TO default to the locale's character set as the component's
// "LocaleCharset" reports it; "HTML" and "HTMLWITHTAGS" work on either side.
// Without FILE (or with "-") standard input is read. By default each file is
// converted with one call of the native converter interface, so output with
// zero bytes ("UTF-16") comes out whole; --dispatch goes through the
// component's "Convert" member instead (whose text result ends at the first
// zero byte). With -o an existing OUTFILE is replaced only by a complete
// result. --members lists, through the type information of the objects, the
// members of the component and of a converter from FROM to TO: their kinds,
// argument counts and whether properties can be assigned. Errors print one
// line "zkconv: ..." and give exit status 1.
#pragma once

#include <cstdio>

// Runs the command with its arguments (argv[0] is the program name) on the
// given streams; answers the exit status.
int zkconvMain(int argc, char** argv, FILE* input, FILE* output, FILE* errors);
