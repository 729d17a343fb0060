// The zkconv command: arguments, the manual, and the run from the inputs
// through the component into the output.
#include "host/zkconv.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "host/charset_list.h"
#include "host/component_module.h"
#include "host/memory_reports.h"
#include "host/zkconv_members.h"
#include "host/zkconv_output.h"
#include "host/zkconv_session.h"
#include "host/zkconv_stream.h"
#include "host/zkconv_text.h"
#include "platform/files.h"
#include "platform/module_file.h"

namespace {

const char kHelp[] =
    "NAME\n"
    "    zkconv - convert text between character sets through a component module\n"
    "\n"
    "SYNOPSIS\n"
    "    zkconv [-c] [-f FROM] [-t TO] [-o OUTFILE] [--module=PATH] [--dispatch]\n"
    "           [--memory-report] [FILE...]\n"
    "    zkconv [-f FROM] [-t TO] [--module=PATH] --members\n"
    "    zkconv -l | --locale-charset | --help | --version\n"
    "\n"
    "DESCRIPTION\n"
    "    Converts each FILE from the character set FROM to TO through the\n"
    "    rozorevo.charsetconvert component of a component module and writes the\n"
    "    result to standard output or OUTFILE. With no FILE, and for \"-\", it reads\n"
    "    standard input. All inputs form one stream with one conversion state,\n"
    "    converted in pieces: memory stays bounded whatever the input size, and\n"
    "    the output is that of one conversion of the whole stream, ending with the\n"
    "    target's return to its initial state.\n"
    "\n"
    "    Character sets are the names GNU libiconv knows (see -l), with its\n"
    "    suffixes //TRANSLIT and //IGNORE, and on either side the pseudo character\n"
    "    sets HTML and HTMLWITHTAGS: text with HTML character entity references,\n"
    "    HTMLWITHTAGS letting doubled << and >> stand for tag brackets.\n"
    "\n"
    "OPTIONS\n"
    "    -f, --from-code=FROM\n"
    "        Source character set (default: the locale's, as the component's\n"
    "        LocaleCharset reports it).\n"
    "    -t, --to-code=TO\n"
    "        Target character set (default: the locale's).\n"
    "    -c\n"
    "        Leave out characters that cannot be converted (the library's\n"
    "        //IGNORE, which also skips invalid input sequences); the exit status\n"
    "        is then 1 when anything was left out. HTML targets represent every\n"
    "        character: there invalid input still stops the conversion.\n"
    "    -o, --output=OUTFILE\n"
    "        Write to OUTFILE. A regular file is replaced only by a complete\n"
    "        result and keeps its mode; a symbolic link is followed to its file;\n"
    "        a device or FIFO is written directly.\n"
    "    -l, --list\n"
    "        List the character sets, one per line with its aliases, and exit.\n"
    "    --module=PATH\n"
    "        The component module to load (default: the one beside zkconv, or\n"
    "        the installed one).\n"
    "    --dispatch\n"
    "        Convert each file by one call of the component's Convert member\n"
    "        instead of its native converter. Text values end at their first zero\n"
    "        byte, so --dispatch refuses input holding a zero byte or U+0000 and\n"
    "        targets that write zero bytes (UTF-16, UTF-32, UCS-2, UCS-4). Each\n"
    "        file is held in memory whole and starts a fresh state: at most 4 MiB\n"
    "        per file.\n"
    "    --memory-report\n"
    "        After converting, print the memory summary report of the module (and\n"
    "        of every other framework module in the process) to standard error,\n"
    "        while the module is still loaded; with ZKMEMTRACK_LEAK set, the\n"
    "        detail of every block follows. ZKMEMTRACK_OUTPUT sends it to that\n"
    "        file instead.\n"
    "    --members\n"
    "        List the members of the component and of a converter from FROM to\n"
    "        TO, as their type information describes them (kind, name, argument\n"
    "        counts, whether a property can be assigned), and exit.\n"
    "    --locale-charset\n"
    "        Print the locale's character set and exit.\n"
    "    --help\n"
    "        Print this help and exit.\n"
    "    --version\n"
    "        Print the version and exit.\n"
    "\n"
    "LIMITS\n"
    "    A piece holds at most 1 MiB. Pieces end between characters; for HTML\n"
    "    sources outside entity references, for an HTMLWITHTAGS target not right\n"
    "    after a tag bracket. Input offering no such place within 1 MiB fails.\n"
    "\n"
    "DIAGNOSTICS\n"
    "    Errors print one line \"zkconv: ...\" on standard error, byte offsets\n"
    "    counting from 0 in the file named, for example:\n"
    "        unknown character set conversion from FROM to TO\n"
    "        invalid input sequence at byte N of FILE\n"
    "        incomplete character or shift sequence at end of FILE\n"
    "        cannot convert U+XXXX at byte N of FILE\n"
    "    Output converted before an error has been written to standard output;\n"
    "    OUTFILE is replaced only by a complete result.\n"
    "\n"
    "EXIT STATUS\n"
    "    0 on success; 1 on an error, and with -c when something was left out.\n";

const char kVersion[] = "zkconv 0.1.0\n";

struct optionsS {
  std::string from;
  std::string to;
  std::string outputFile;
  std::string modulePath;
  std::vector<std::string> inputs;
  bool skipUnconvertible = false;
  bool dispatch = false;
  bool memoryReport = false;
  bool list = false;
  bool localeCharset = false;
  bool members = false;
  bool help = false;
  bool version = false;
};

// Reads the value of an option given as "-x VALUE", "-xVALUE", "--long VALUE"
// or "--long=VALUE". Answers false when argv[*index] is not this option.
bool takeValue(int argc, char** argv, int* index, const char* shortName, const char* longName, std::string* value,
               std::string* error) {
  const std::string arg = argv[*index];
  const std::string longPrefix = std::string(longName) + "=";
  if (arg == shortName || arg == longName) {
    if (*index + 1 >= argc) {
      *error = "option " + escapedName(arg) + " needs a value";
      return true;
    }
    *value = argv[++*index];
    return true;
  }
  if (arg.compare(0, longPrefix.size(), longPrefix) == 0) {
    *value = arg.substr(longPrefix.size());
    return true;
  }
  if (shortName[0] != '\0' && arg.size() > 2 && arg.compare(0, 2, shortName) == 0) {
    *value = arg.substr(2);
    return true;
  }
  return false;
}

bool parseArguments(int argc, char** argv, optionsS* options, std::string* error) {
  bool onlyFiles = false;
  for (int i = 1; i < argc && error->empty(); ++i) {
    const std::string arg = argv[i];
    if (onlyFiles || arg == "-" || arg.empty() || arg[0] != '-') {
      options->inputs.push_back(arg);
    } else if (arg == "--") {
      onlyFiles = true;
    } else if (arg == "-c") {
      options->skipUnconvertible = true;
    } else if (arg == "-l" || arg == "--list") {
      options->list = true;
    } else if (arg == "--dispatch") {
      options->dispatch = true;
    } else if (arg == "--memory-report") {
      options->memoryReport = true;
    } else if (arg == "--locale-charset") {
      options->localeCharset = true;
    } else if (arg == "--members") {
      options->members = true;
    } else if (arg == "--help" || arg == "-h") {
      options->help = true;
    } else if (arg == "--version") {
      options->version = true;
    } else if (takeValue(argc, argv, &i, "-f", "--from-code", &options->from, error) ||
               takeValue(argc, argv, &i, "-t", "--to-code", &options->to, error) ||
               takeValue(argc, argv, &i, "-o", "--output", &options->outputFile, error) ||
               takeValue(argc, argv, &i, "", "--module", &options->modulePath, error)) {
    } else {
      *error = "unknown option " + escapedName(arg) + " (see zkconv --help)";
    }
  }
  return error->empty();
}

// The directory of the running program, with its trailing separator.
std::string programDirectory() {
  const std::string path = ownModulePath();
  const std::size_t end = path.find_last_of("/\\");
  return end == std::string::npos ? std::string() : path.substr(0, end + 1);
}

// The module beside the program (as in a build tree), else the one where an
// installation puts it relative to the program.
std::string defaultModulePath() {
  const std::string directory = programDirectory();
  std::string beside = componentModuleC::defaultModuleFile(directory);
  std::uint32_t mode = 0;
  if (fileKindAt(beside.c_str(), &mode) != fileMissing) return beside;
  return componentModuleC::defaultModuleFile(directory + ZK_INSTALLED_MODULE_DIRECTORY);
}

// Converts the inputs named in `options` into `out`; false with the message.
bool convertInputs(const optionsS& options, const streamSetupS& setup, componentSessionC& session,
                   std::FILE* standardInput, std::FILE* standardOutput, bool* leftOut, std::string* error) {
  outputC out;
  streamConverterC stream(session, out);
  if (!stream.begin(setup, error)) return false;
  if (options.outputFile.empty()) {
    out.toStream(standardOutput);
  } else if (!out.toFile(options.outputFile, error)) {
    return false;
  }
  std::vector<std::string> inputs = options.inputs;
  if (inputs.empty()) inputs.push_back("-");
  for (const std::string& name : inputs) {
    std::FILE* file = name == "-" ? standardInput : std::fopen(name.c_str(), "rb");
    if (file == nullptr) {
      *error = "cannot open input file " + escapedName(name) + ": " + std::strerror(errno);
      return false;
    }
    const bool converted = stream.convert(file, name, error);
    if (file != standardInput) std::fclose(file);
    if (!converted) return false;
  }
  if (!stream.finish(inputs.back(), error) || !out.finish(error)) return false;
  *leftOut = stream.leftSomethingOut();
  return true;
}

// Where the memory report of --memory-report goes (an output function takes
// nothing but the text).
std::FILE* memoryReportStream = nullptr;
void writeMemoryReport(const char* text) { std::fputs(text, memoryReportStream); }

int run(const optionsS& options, std::FILE* input, std::FILE* output, std::FILE* errors, std::string* error) {
  const std::string modulePath = options.modulePath.empty() ? defaultModulePath() : options.modulePath;
  componentSessionC session;
  if (!session.open(modulePath, error)) {
    *error = escapedName(*error);
    return 1;
  }
  std::string localeName;
  if ((options.localeCharset || options.from.empty() || options.to.empty()) && !session.localeCharset(&localeName)) {
    *error = "the component has no native charset interface";
    return 1;
  }
  if (options.localeCharset) {
    std::fprintf(output, "%s\n", localeName.c_str());
    return 0;
  }
  streamSetupS setup;
  setup.from = options.from.empty() ? localeName : options.from;
  setup.to = options.to.empty() ? localeName : options.to;
  if (options.members) {
    zkInterfacePtrT<zkICharsetConverter> converter;
    if (!session.openConverter(setup.from, setup.to, &converter)) {
      *error = "unknown character set conversion from " + escapedName(setup.from) + " to " + escapedName(setup.to);
      return 1;
    }
    const std::string converterTitle = "converter from " + escapedName(setup.from) + " to " + escapedName(setup.to);
    return printMembers(session.component(), "rozorevo.charsetconvert", output, error) &&
                   printMembers(converter.get(), converterTitle, output, error)
               ? 0
               : 1;
  }
  setup.skipUnconvertible = options.skipUnconvertible;
  setup.dispatch = options.dispatch;
  bool leftOut = false;
  if (!convertInputs(options, setup, session, input, output, &leftOut, error)) return 1;
  // The module is still loaded: its heap holds what the conversion left.
  if (options.memoryReport) {
    memoryReportStream = errors;
    hostMemorySummary(&writeMemoryReport);
  }
  return leftOut ? 1 : 0;
}

int runCommand(int argc, char** argv, std::FILE* input, std::FILE* output, std::FILE* errors, std::string* error) {
  optionsS options;
  if (!parseArguments(argc, argv, &options, error)) return 1;
  if (options.help) return std::fputs(kHelp, output) >= 0 ? 0 : 1;
  if (options.version) return std::fputs(kVersion, output) >= 0 ? 0 : 1;
  if (options.list) {
    if (listCharsets(output) && std::fflush(output) == 0) return 0;
    *error = "cannot write standard output";
    return 1;
  }
  return run(options, input, output, errors, error);
}

}  // namespace

const char* zkconvHelpText() { return kHelp; }

int zkconvMain(int argc, char** argv, std::FILE* input, std::FILE* output, std::FILE* errors) {
  std::string error;
  int status = 1;
  try {
    status = runCommand(argc, argv, input, output, errors, &error);
  } catch (const std::bad_alloc&) {
    error = "out of memory";
  }
  if (!error.empty()) std::fprintf(errors, "zkconv: %s\n", error.c_str());
  return status;
}
