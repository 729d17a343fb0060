// The zkconv command: argument handling, input and output, and the two ways
// of converting (the native converter interface, or "Convert" by name).
#include "host/zkconv.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "abi/charset_interfaces.h"
#include "abi/interface_ptr.h"
#include "abi/type_info.h"
#include "host/component_module.h"
#include "host/reference_engine.h"
#include "platform/files.h"
#include "platform/module_file.h"
#include "runtime/variant.h"

namespace {

const char kUsage[] =
    "Usage: zkconv [-f FROM] [-t TO] [-o OUTFILE] [--module PATH] [--dispatch] [FILE...]\n"
    "       zkconv [-f FROM] [-t TO] [--module PATH] --members\n"
    "       zkconv --locale-charset | --help | --version\n"
    "\n"
    "Converts FILEs (standard input when none or \"-\") from character set FROM\n"
    "to TO through the rozorevo.charsetconvert component and writes the result\n"
    "to standard output or OUTFILE.\n"
    "\n"
    "  -f, --from-code=FROM   source character set (default: the locale's)\n"
    "  -t, --to-code=TO       target character set (default: the locale's)\n"
    "                         HTML and HTMLWITHTAGS work on either side\n"
    "  -o, --output=OUTFILE   write to OUTFILE, replacing it only on success\n"
    "      --module=PATH      the component module (default: the one beside zkconv)\n"
    "      --dispatch         convert through the component's \"Convert\" member\n"
    "      --locale-charset   print the locale's character set and exit\n"
    "      --members          list the members of the component and of a converter\n"
    "                         from FROM to TO with their argument counts and exit\n"
    "      --help             print this help and exit\n"
    "      --version          print the version and exit\n";

const char kVersion[] = "zkconv 0.1.0\n";
const char kClassName[] = "rozorevo.charsetconvert";

struct optionsS {
  std::string from;
  std::string to;
  std::string outputFile;
  std::string modulePath;
  std::vector<std::string> inputs;
  bool dispatch = false;
  bool localeCharset = false;
  bool members = false;
  bool help = false;
  bool version = false;
};

// A failure that ends the run: the message is printed as "zkconv: <text>".
struct failureS {
  std::string message;
};

bool takeValue(int argc, char** argv, int* index, const char* shortName, const char* longName, std::string* value,
               failureS* failure) {
  const std::string arg = argv[*index];
  const std::string longPrefix = std::string(longName) + "=";
  if (arg == shortName || arg == longName) {
    if (*index + 1 >= argc) {
      failure->message = "option " + arg + " needs a value";
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

bool parseArguments(int argc, char** argv, optionsS* options, failureS* failure) {
  bool onlyFiles = false;
  for (int i = 1; i < argc && failure->message.empty(); ++i) {
    const std::string arg = argv[i];
    if (onlyFiles || arg == "-" || arg.empty() || arg[0] != '-') {
      options->inputs.push_back(arg);
    } else if (arg == "--") {
      onlyFiles = true;
    } else if (arg == "--dispatch") {
      options->dispatch = true;
    } else if (arg == "--locale-charset") {
      options->localeCharset = true;
    } else if (arg == "--members") {
      options->members = true;
    } else if (arg == "--help" || arg == "-h") {
      options->help = true;
    } else if (arg == "--version") {
      options->version = true;
    } else if (takeValue(argc, argv, &i, "-f", "--from-code", &options->from, failure) ||
               takeValue(argc, argv, &i, "-t", "--to-code", &options->to, failure) ||
               takeValue(argc, argv, &i, "-o", "--output", &options->outputFile, failure) ||
               takeValue(argc, argv, &i, "", "--module", &options->modulePath, failure)) {
    } else {
      failure->message = "unknown option " + arg + " (see zkconv --help)";
    }
  }
  return failure->message.empty();
}

bool readStream(FILE* stream, std::vector<char>* data) {
  char chunk[65536];
  for (;;) {
    const size_t got = std::fread(chunk, 1, sizeof chunk, stream);
    data->insert(data->end(), chunk, chunk + got);
    if (got < sizeof chunk) return std::ferror(stream) == 0;
  }
}

bool readInput(const std::string& name, FILE* standardInput, std::vector<char>* data, failureS* failure) {
  if (name == "-") {
    if (readStream(standardInput, data)) return true;
    failure->message = "cannot read standard input";
    return false;
  }
  FILE* file = std::fopen(name.c_str(), "rb");
  if (file == nullptr) {
    failure->message = "cannot open input file " + name + ": " + std::strerror(errno);
    return false;
  }
  const bool ok = readStream(file, data);
  std::fclose(file);
  if (!ok) failure->message = "cannot read input file " + name;
  return ok;
}

std::string describeInput(const std::string& name) { return name == "-" ? std::string("standard input") : name; }

// The text of a text variant, or "" for any other value.
std::string variantText(const zkVariantS& value) {
  const char* text = nullptr;
  return value.getString(&text) == 0 ? std::string(text) : std::string();
}

// "3 arguments", "1 to 3 arguments".
std::string argumentRange(uint32_t fewest, uint32_t optional) {
  const uint64_t most = uint64_t{fewest} + optional;
  std::string text = std::to_string(fewest);
  if (optional != 0) text += " to " + std::to_string(most);
  return text + (most == 1 ? " argument" : " arguments");
}

// One line per member of `object`, in the order its type information lists
// them: kind, name, then the argument counts of a method or whether a
// property can be assigned.
bool printMembers(zkIUnknown* object, const std::string& title, FILE* output, failureS* failure) {
  zkInterfacePtrT<zkIComTypeInfo> info;
  zkInterfacePtrT<zkIComObjectCollection> members;
  uint32_t count = 0;
  if (info.query(object, zkIID_ITypeInfo) != 0 ||
      info->GetMembers(kindMethod | kindPropertyGet | kindPropertyPut, members.out()) != 0 || !members ||
      members->GetCount(&count) != 0) {
    failure->message = "the " + title + " does not describe its members";
    return false;
  }
  std::fprintf(output, "%s\n", title.c_str());
  for (uint32_t i = 0; i < count; ++i) {
    zkInterfacePtrT<zkIUnknown> item;
    zkInterfacePtrT<zkIComMethodeTypeInfo> method;
    zkInterfacePtrT<zkIComPropertyTypeInfo> property;
    zkVariantS name;
    uint32_t first = 0, second = 0;
    if (members->GetItem(i, item.out()) != 0) continue;
    if (method.query(item.get(), zkIID_IMethodeTypeInfo) == 0 && method->GetName(&name) == 0 &&
        method->GetMinParams(&first) == 0 && method->GetOptionalParams(&second) == 0) {
      std::fprintf(output, "  method    %-20s %s\n", variantText(name).c_str(), argumentRange(first, second).c_str());
    } else if (property.query(item.get(), zkIID_IPropetyTypeInfo) == 0 && property->GetName(&name) == 0 &&
               property->IsReadOnly(&first) == 0) {
      std::fprintf(output, "  property  %-20s %s\n", variantText(name).c_str(), first != 0 ? "read-only" : "writable");
    }
  }
  return true;
}

// The session with the component: module, engine and the component object.
class componentSessionC {
 public:
  ~componentSessionC() {
    component.reset();
    module.terminateAll();
    engine.releaseFactories();
    if (module.isLoaded()) module.unload();
  }

  bool open(const std::string& modulePath, failureS* failure) {
    if (!module.load(modulePath)) {
      failure->message = module.error();
      return false;
    }
    module.initialise(&engine);
    zkIUnknown* object = nullptr;
    if (engine.createObject(kClassName, true, &object) != 0) {
      failure->message = modulePath + " does not offer " + kClassName;
      return false;
    }
    component.attach(object);
    return true;
  }

  zkIUnknown* object() const { return component.get(); }

  bool localeCharset(std::string* name, failureS* failure) {
    zkInterfacePtrT<ICharsetFactory> factory;
    if (factory.query(component.get(), zkIID_ICharsetFactory) != 0) {
      failure->message = "the component has no native charset interface";
      return false;
    }
    zkVariantS value;
    factory->LocaleCharset(&value);
    *name = variantText(value);
    return true;
  }

  bool openConverter(const std::string& from, const std::string& to, zkInterfacePtrT<zkICharsetConverter>* converter,
                     failureS* failure) {
    zkInterfacePtrT<ICharsetFactory> factory;
    zkIUnknown* opened = nullptr;
    if (factory.query(component.get(), zkIID_ICharsetFactory) != 0 ||
        factory->openConverter(from.c_str(), to.c_str(), &opened) != 0 || opened == nullptr) {
      failure->message = "unknown character set conversion from " + from + " to " + to;
      return false;
    }
    converter->attach(static_cast<zkICharsetConverter*>(opened));
    return true;
  }

  // "Convert"(from, to, text) by name: text on success, the empty value when
  // the text is not valid, the integer 0 when the names are unknown.
  bool convertByName(const std::string& from, const std::string& to, const std::vector<char>& data,
                     const std::string& inputName, std::vector<char>* result, failureS* failure) {
    zkInterfacePtrT<zkIDispatch> dispatch;
    if (dispatch.query(component.get(), zkIID_IDispatch) != 0) {
      failure->message = "the component cannot be called by name";
      return false;
    }
    const std::string text(data.begin(), data.end());
    zkVariantS arguments[3];
    arguments[0].setString(from.c_str());
    arguments[1].setString(to.c_str());
    arguments[2].setString(text.c_str());
    zkVariantS value;
    if (dispatch->Invoke("Convert", kindMethod, 3, arguments, &value, nullptr) != 0) {
      failure->message = "the call of Convert failed";
      return false;
    }
    if (value.type == zkVarInt) {
      failure->message = "unknown character set conversion from " + from + " to " + to;
      return false;
    }
    if (value.type != zkVarString) {
      failure->message = "invalid or incomplete input in " + describeInput(inputName);
      return false;
    }
    const std::string converted = variantText(value);
    result->assign(converted.begin(), converted.end());
    return true;
  }

 private:
  componentModuleC module;
  referenceEngineC engine;
  zkInterfacePtrT<zkIUnknown> component;
};

// Output room for one ConvertBuffer call. Entity text can be far longer
// than the input (one ISO-8859-7 byte becomes "&epsilon;", nine bytes, and a
// byte that decodes to two characters becomes two entities); plain
// conversions stay within eight bytes per input byte. Answers false when the
// room cannot be expressed in the interface's 32-bit sizes.
bool outputCapacity(size_t inputLength, bool htmlTarget, uint32_t* capacity) {
  const uint64_t perByte = htmlTarget ? 24 : 16;
  const uint64_t room = static_cast<uint64_t>(inputLength) * perByte + 64;
  if (inputLength > UINT32_MAX || room >= UINT32_MAX) return false;
  *capacity = static_cast<uint32_t>(room);
  return true;
}

bool isHtml(const std::string& name) { return name == "HTML" || name == "HTMLWITHTAGS"; }

bool convertNatively(zkICharsetConverter* converter, const std::vector<char>& data, bool htmlTarget,
                     const std::string& inputName, std::vector<char>* result, failureS* failure) {
  uint32_t capacity = 0;
  if (!outputCapacity(data.size(), htmlTarget, &capacity)) {
    failure->message = "input too large: " + describeInput(inputName);
    return false;
  }
  if (data.empty()) {
    result->clear();
    return true;
  }
  result->assign(static_cast<size_t>(capacity) + 1, '\0');
  uint32_t produced = capacity;
  if (converter->ConvertBuffer(data.data(), static_cast<uint32_t>(data.size()), result->data(), &produced) != 0) {
    failure->message = "invalid or incomplete input in " + describeInput(inputName);
    return false;
  }
  result->resize(produced);
  return true;
}

bool writeAll(FILE* stream, const std::vector<char>& data) {
  return data.empty() || std::fwrite(data.data(), 1, data.size(), stream) == data.size();
}

// Writes the output to a temporary file beside `path`, then moves it over
// `path`, so that a failure leaves an existing file as it was.
bool writeOutputFile(const std::string& path, const std::vector<char>& data, failureS* failure) {
  const std::string temporary = path + ".zkconv-tmp";
  FILE* file = std::fopen(temporary.c_str(), "wb");
  if (file == nullptr) {
    failure->message = "cannot write " + path + ": " + std::strerror(errno);
    return false;
  }
  const bool written = writeAll(file, data);
  const bool closed = std::fclose(file) == 0;
  if (!written || !closed || !replaceFile(temporary.c_str(), path.c_str())) {
    removeFile(temporary.c_str());
    failure->message = "cannot write " + path;
    return false;
  }
  return true;
}

// The directory of the running program, with its trailing separator.
std::string programDirectory() {
  const std::string path = ownModulePath();
  const size_t end = path.find_last_of("/\\");
  return end == std::string::npos ? std::string() : path.substr(0, end + 1);
}

bool run(const optionsS& options, FILE* input, FILE* output, failureS* failure) {
  const std::string modulePath =
      options.modulePath.empty() ? componentModuleC::defaultModuleFile(programDirectory()) : options.modulePath;
  componentSessionC session;
  if (!session.open(modulePath, failure)) return false;

  std::string localeName;
  if (options.localeCharset || options.from.empty() || options.to.empty()) {
    if (!session.localeCharset(&localeName, failure)) return false;
  }
  if (options.localeCharset) {
    std::fprintf(output, "%s\n", localeName.c_str());
    return true;
  }
  const std::string from = options.from.empty() ? localeName : options.from;
  const std::string to = options.to.empty() ? localeName : options.to;

  zkInterfacePtrT<zkICharsetConverter> converter;
  if (options.members) {
    return session.openConverter(from, to, &converter, failure) &&
           printMembers(session.object(), kClassName, output, failure) &&
           printMembers(converter.get(), "converter from " + from + " to " + to, output, failure);
  }
  if (!options.dispatch && !session.openConverter(from, to, &converter, failure)) return false;

  std::vector<std::string> inputs = options.inputs;
  if (inputs.empty()) inputs.push_back("-");
  std::vector<char> converted;
  for (const std::string& name : inputs) {
    std::vector<char> data;
    std::vector<char> piece;
    if (!readInput(name, input, &data, failure)) return false;
    const bool ok = options.dispatch ? session.convertByName(from, to, data, name, &piece, failure)
                                     : convertNatively(converter.get(), data, isHtml(to), name, &piece, failure);
    if (!ok) return false;
    converted.insert(converted.end(), piece.begin(), piece.end());
  }
  if (!options.outputFile.empty()) return writeOutputFile(options.outputFile, converted, failure);
  if (!writeAll(output, converted) || std::fflush(output) != 0) {
    failure->message = "cannot write standard output";
    return false;
  }
  return true;
}

}  // namespace

int zkconvMain(int argc, char** argv, FILE* input, FILE* output, FILE* errors) {
  optionsS options;
  failureS failure;
  if (!parseArguments(argc, argv, &options, &failure)) {
    std::fprintf(errors, "zkconv: %s\n", failure.message.c_str());
    return 1;
  }
  if (options.help) {
    std::fputs(kUsage, output);
    return 0;
  }
  if (options.version) {
    std::fputs(kVersion, output);
    return 0;
  }
  if (!run(options, input, output, &failure)) {
    std::fprintf(errors, "zkconv: %s\n", failure.message.c_str());
    return 1;
  }
  return 0;
}
