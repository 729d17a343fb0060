// zkconv: converts files between character sets through the charset
// component of a component module, shaped like iconv(1):
//
//   zkconv [-c] [-f FROM] [-t TO] [-o OUTFILE] [--module=PATH] [--dispatch] [--memory-report] [FILE...]
//   zkconv [-f FROM] [-t TO] [--module=PATH] --members
//   zkconv -l | --locale-charset | --help | --version
//
// The help text (zkconvHelpText) is the manual; zkconv.1 holds the same for
// man. The conversion itself is streamConverterC's (zkconv_stream.h), the
// output outputC's (zkconv_output.h); --members lists the members of the
// component and of a converter through their type information
// (zkconv_members.h); --memory-report prints the modules' memory summary
// reports through their manager chain (memory_reports.h). Errors print one line "zkconv: ..."
// on the error stream and give exit status 1, as does -c when something was
// left out; running out of memory is such an error ("out of memory").
#pragma once

#include <cstdio>

// Runs the command with its arguments (argv[0] is the program name) on the
// given streams; answers the exit status.
int zkconvMain(int argc, char** argv, std::FILE* input, std::FILE* output, std::FILE* errors);

// The text --help prints.
const char* zkconvHelpText();
