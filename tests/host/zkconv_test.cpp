// The zkconv command, run in-process on files through the real module.
#include "host/zkconv.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "host/zkconv_session.h"
#include "platform/files.h"
#include "tests/support/hex_bytes.h"

namespace {

namespace fs = std::filesystem;

std::string readFile(const std::string& path) {
  std::ostringstream content;
  content << std::ifstream(path, std::ios::binary).rdbuf();
  return content.str();
}

void writeFile(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

struct runS {
  int status;
  std::string output, errors;
};

// Runs zkconv on the module beside the test; its three streams are files in the working directory.
runS runZkconv(std::vector<std::string> args, const std::string& standardInput = "") {
  args.insert(args.begin(), {"zkconv", "--module", std::string("./") + ZK_TEST_MODULE_FILE});
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(&arg[0]);
  argv.push_back(nullptr);
  writeFile("zkconv-test.in", standardInput);
  FILE* in = std::fopen("zkconv-test.in", "rb");
  FILE* out = std::fopen("zkconv-test.out", "wb");
  FILE* err = std::fopen("zkconv-test.err", "wb");
  const int status = zkconvMain(static_cast<int>(args.size()), argv.data(), in, out, err);
  for (FILE* stream : {in, out, err}) std::fclose(stream);
  const runS run{status, readFile("zkconv-test.out"), readFile("zkconv-test.err")};
  for (const char* name : {"zkconv-test.in", "zkconv-test.out", "zkconv-test.err"}) std::remove(name);
  return run;
}

// GNU libiconv driven directly: one call over the whole input, then the
// closing call. "<refused>" when the library refuses.
std::string libraryConvert(const std::string& from, const std::string& to, const std::string& input) {
  iconv_t handle = iconv_open(to.c_str(), from.c_str());
  if (handle == reinterpret_cast<iconv_t>(-1)) return "<refused>";
  std::string output(input.size() * 16 + 64, '\0');
  const char* in = input.data();
  size_t inLeft = input.size();
  char* out = &output[0];
  size_t outLeft = output.size();
  const bool converted = iconv(handle, &in, &inLeft, &out, &outLeft) != static_cast<size_t>(-1) &&
                         iconv(handle, nullptr, nullptr, &out, &outLeft) != static_cast<size_t>(-1);
  iconv_close(handle);
  if (!converted) return "<refused>";
  output.resize(output.size() - outLeft);
  return output;
}

// The module's converter over the whole input in one call, then the closing call.
std::string moduleConvert(const std::string& from, const std::string& to, const std::string& input) {
  componentSessionC session;
  std::string error;
  nativeConverterC converter;
  if (!session.open(std::string("./") + ZK_TEST_MODULE_FILE, &error) || !converter.open(session, from, to)) {
    return "<no converter>";
  }
  byteBufferC buffer;
  size_t produced = 0;
  if (!converter.convert(input.data(), input.size(), buffer, &produced)) return "<refused>";
  std::string output(buffer.data(), produced);
  if (!converter.convert(nullptr, 0, buffer, &produced)) return "<refused closing>";
  return output + std::string(buffer.data(), produced);
}

// Repeats `unit` until the text holds at least `bytes` bytes.
std::string repeated(const std::string& unit, size_t bytes) {
  std::string text;
  while (text.size() < bytes) text += unit;
  return text;
}

const char kSample[] = "caf\xc3\xa9 <b> & \xe2\x82\xac\n";

class Zkconv : public ::testing::Test {
 protected:
  void SetUp() override { writeFile(sample, kSample); }
  void TearDown() override {
    for (const std::string& name : {sample, second, outputFile}) std::remove(name.c_str());
  }
  const std::string sample = "zkconv-sample.txt";
  const std::string second = "zkconv-second.txt";
  const std::string outputFile = "zkconv-result.txt";
};

TEST_F(Zkconv, ConvertsBothWays) {
  // input: standard input, read when no file is named.
  const struct {
    std::vector<std::string> args;
    std::string input, expected;
  } cases[] = {
      {{"-f", "UTF-8", "-t", "HTML", sample}, "", "caf&eacute; &lt;b&gt; &amp; &#x20ac;\n"},
      {{"--from-code=UTF-8", "--to-code=HTML", "--dispatch", sample}, "", "caf&eacute; &lt;b&gt; &amp; &#x20ac;\n"},
      {{"-f", "HTML", "-t", "UTF-8"}, "caf&eacute; &amp;lt; &#x20ac;", "caf\xc3\xa9 &lt; \xe2\x82\xac"},
      {{"-f", "HTMLWITHTAGS", "-t", "UTF-8", "-"}, "<b>x</b>", "<<b>>x<</b>>"},
      {{"-f", "UTF-8", "-t", "HTMLWITHTAGS"}, "<<b>>x", "<b>x"},
      {{"-fISO-8859-1", "-tUTF-8"}, "\xe9", "\xc3\xa9"},
      {{"-f", "ISO-8859-1", "-t", "UTF-16"}, "a\xe9", std::string("\xfe\xff\x00\x61\x00\xe9", 6)},
      {{"-f", "UTF-8", "-t", "ASCII//TRANSLIT"}, "\xe2\x82\xac", "EUR"},
      {{"-f", "UTF-8", "-t", "UTF-16"}, "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.args));
    const runS run = runZkconv(c.args, c.input);
    EXPECT_EQ(0, run.status) << run.errors;
    EXPECT_EQ(hexBytes(c.expected), hexBytes(run.output));
  }
}

TEST_F(Zkconv, SeveralFilesShareOneConversionState) {
  writeFile(second, "b");
  const runS run = runZkconv({"-f", "ISO-8859-1", "-t", "UTF-16", sample, second});
  ASSERT_EQ(0, run.status) << run.errors;
  // One mark at the start, none between the first file's line end and the second file's text.
  EXPECT_EQ("00 0A 00 62", hexBytes(run.output.substr(run.output.size() - 4)));
  EXPECT_EQ("FE FF", hexBytes(run.output.substr(0, 2)));
}

// Inputs longer than a piece convert exactly as one call over the whole
// input does: pieces end between characters wherever the input is cut.
TEST_F(Zkconv, PiecesGiveTheWholeConversion) {
  const std::string lines = repeated("caf\xc3\xa9 \xe4\xb8\xad\xe6\x96\x87 \xf0\x9f\x98\x80 <<b>>\n", 300000);
  const std::string oneLine = repeated("\xe2\x82\xac\xc3\xa9<>&", 300000);
  const std::string utf16 = libraryConvert("UTF-8", "UTF-16LE", "\xef\xbb\xbf" + lines);  // with a mark
  const std::string entities = repeated("&#xd83d;&#xde00;&eacute;&lt;<x>", 300000);
  const std::string japanese = repeated("a\xe4\xb8\xad\xe6\x96\x87\n", 300000);
  const std::string jis = libraryConvert("UTF-8", "ISO-2022-JP", japanese);
  const struct {
    const char* label;
    std::string from, to, input;
    bool libraryReference;  // else the module's converter over the whole input
  } cases[] = {
      {"lines", "UTF-8", "UTF-16", lines, true},
      {"one long line", "UTF-8", "UTF-16", oneLine, true},
      {"no one-byte line end", "UTF-16", "UTF-8", utf16, true},
      {"shift states", "ISO-2022-JP", "UTF-8", jis, true},
      {"into shift states", "UTF-8", "ISO-2022-JP", japanese, true},
      {"tag brackets", "UTF-8", "HTMLWITHTAGS", repeated("\xe2\x82\xac<<", 300000) + lines, false},
      {"entities", "HTML", "UTF-8", entities, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    writeFile(sample, c.input);
    const runS run = runZkconv({"-f", c.from, "-t", c.to, sample});
    ASSERT_EQ(0, run.status) << run.errors;
    const std::string expected =
        c.libraryReference ? libraryConvert(c.from, c.to, c.input) : moduleConvert(c.from, c.to, c.input);
    ASSERT_EQ(expected.size(), run.output.size());
    EXPECT_TRUE(expected == run.output);
  }
}

// The stream ends with the converter's closing call: a stateful target
// returns to its initial state, and a character a source held back waiting
// for a combining mark comes out, byte for byte as the library gives them.
TEST_F(Zkconv, StreamsEndComplete) {
  const std::string longUtf7 = repeated("caf\xc3\xa9 ", 200000) + "\xc3\xa9";
  const struct {
    std::string from, to, input;
    bool dispatch;
  } cases[] = {
      {"UTF-8", "UTF-7", "\xc3\xa9", false},             // "+AOk-"
      {"UTF-8", "UTF-7", longUtf7, false},               // over several pieces
      {"UTF-8", "ISO-2022-JP", "a\xe4\xb8\xad", false},  // ends with ESC ( B
      {"UTF-8", "ISO-2022-KR", "\xed\x95\x9c\xea\xb8\x80", false},
      {"CP1258", "UTF-8", "abc", false},  // the c was held back
      {"TCVN", "UTF-8", "abc", false},
      {"UTF-8", "UTF-7", "\xc3\xa9", true},
      {"CP1258", "UTF-8", "abc", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.from + " to " + c.to + (c.dispatch ? " by Convert" : ""));
    writeFile(sample, c.input);
    const runS run = runZkconv(c.dispatch ? std::vector<std::string>{"--dispatch", "-f", c.from, "-t", c.to, sample}
                                          : std::vector<std::string>{"-f", c.from, "-t", c.to, sample});
    EXPECT_EQ(0, run.status) << run.errors;
    const std::string expected = libraryConvert(c.from, c.to, c.input);
    EXPECT_EQ(hexBytes(expected.substr(expected.size() > 48 ? expected.size() - 48 : 0)),
              hexBytes(run.output.substr(run.output.size() > 48 ? run.output.size() - 48 : 0)));
    EXPECT_TRUE(expected == run.output);
  }
  // Into entity text the held character comes out too.
  EXPECT_EQ("abc", runZkconv({"-f", "CP1258", "-t", "HTML"}, "abc").output);
}

TEST_F(Zkconv, ErrorsNameThePosition) {
  const std::string invalid = "zkconv: invalid input sequence at byte ";
  const std::string atEnd = "zkconv: incomplete character or shift sequence at end of ";
  const std::string cannot = "zkconv: cannot convert ";
  const std::string unknown = "zkconv: unknown character set conversion from ";
  const std::string inInput = " of standard input\n";
  const std::string inSecond = " of zkconv-second.txt\n";
  const std::string longInput = std::string(100000, 'a') + "\xff";
  const std::vector<std::string> toLatin1 = {"-f", "UTF-8", "-t", "ISO-8859-1"};
  const std::vector<std::string> toLatin1Twice = {"-f", "UTF-8", "-t", "ISO-8859-1", "-", second};
  const std::vector<std::string> fromUtf16Twice = {"-f", "UTF-16", "-t", "ISO-8859-1", "-", second};
  const std::vector<std::string> dispatchToLatin1 = {"--dispatch", "-f", "UTF-8", "-t", "ISO-8859-1"};
  const std::string utf16 = "\xfe\xff" + std::string(1, 0) + "a\x4e\x2d";  // mark, "a", U+4E2D
  const struct {
    std::vector<std::string> args;
    std::string input, secondFile, message, output;  // output: what was written before the error
  } cases[] = {
      {toLatin1, "ab\xff!", "", invalid + "2" + inInput, "ab"},
      {toLatin1Twice, "one\n", "x\xc3(", invalid + "1" + inSecond, "one\nx"},
      {toLatin1, longInput, "", invalid + "100000" + inInput, longInput.substr(0, 100000)},
      {toLatin1, "abc\xe2\x82", "", atEnd + "standard input\n", "abc"},
      {toLatin1Twice, "one\n", "ok\xc3", atEnd + "zkconv-second.txt\n", "one\nok"},
      {toLatin1, "caf\xc3\xa9 \xe2\x82\xac", "", cannot + "U+20AC at byte 6" + inInput, ""},
      {fromUtf16Twice, "", utf16, cannot + "U+4E2D at byte 4" + inSecond, ""},
      {{"-f", "HTML", "-t", "UTF-8"}, "ok a & b", "", invalid + "5" + inInput, ""},
      {{"-f", "HTML", "-t", "UTF-8", "-", second}, "one\n", "x &nosuch;", invalid + "2" + inSecond, "one\n"},
      {{"-f", "HTML", "-t", "UTF-8"}, "x &eacute", "", atEnd + "standard input\n", ""},
      {{"-f", "HTML", "-t", "ISO-8859-1"}, "x&#x20ac;", "", cannot + "U+20AC at byte 1" + inInput, ""},
      {{"-f", "NO-SUCH", "-t", "UTF-8"}, "x", "", unknown + "NO-SUCH to UTF-8\n", ""},
      {{"-f", "HTML", "-t", "HTML"}, "x", "", unknown + "HTML to HTML\n", ""},
      {dispatchToLatin1, "ab\xff", "", invalid + "2" + inInput, ""},
      {dispatchToLatin1, "a\xe2\x82\xac", "", cannot + "U+20AC at byte 1" + inInput, ""},
      {{"--dispatch", "-f", "NO-SUCH", "-t", "UTF-8"}, "x", "", unknown + "NO-SUCH to UTF-8\n", ""},
      {{"--members", "-f", "NO-SUCH", "-t", "UTF-8"}, "", "", unknown + "NO-SUCH to UTF-8\n", ""},
      {{"-f", "UTF-8", "-t", "UTF-8", sample, "missing"}, "", "", "zkconv: cannot open input file missing: ", kSample},
      {{"-t", "UTF-8", "-o", "no-such-folder/out"}, "x", "", "zkconv: cannot write no-such-folder/out: ", ""},
      {{"--bogus"}, "", "", "zkconv: unknown option --bogus (see zkconv --help)\n", ""},
      {{"-f"}, "", "", "zkconv: option -f needs a value\n", ""},
      {{"--module", "./no-such-module", "-t", "UTF-8"}, "", "", "zkconv: cannot load module ./no-such-module", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    writeFile(second, c.secondFile);
    const runS run = runZkconv(c.args, c.input);
    EXPECT_EQ(1, run.status);
    EXPECT_EQ(c.message, run.errors.substr(0, c.message.size()));
    EXPECT_EQ(1, std::count(run.errors.begin(), run.errors.end(), '\n')) << "one line: " << run.errors;
    if (run.output != c.output) ADD_FAILURE() << "output " << hexBytes(run.output.substr(0, 32));
  }
}

TEST_F(Zkconv, EchoedNamesStayOnOneLine) {
  const struct {
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      {{"-f", "A\nzkconv: forged", "-t", "UTF-8"}, "zkconv: unknown character set conversion from A\\nzkconv: "},
      {{"-f", "UTF-8", "-t", "UTF-8", "no\tsuch\x1b"}, "zkconv: cannot open input file no\\tsuch\\x1b: "},
      {{"--bogus\r"}, "zkconv: unknown option --bogus\\r (see zkconv --help)\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    const runS run = runZkconv(c.args, "x");
    EXPECT_EQ(1, run.status);
    EXPECT_EQ(c.message, run.errors.substr(0, c.message.size()));
    EXPECT_EQ(1, std::count(run.errors.begin(), run.errors.end(), '\n')) << run.errors;
  }
}

// -c leaves out exactly what the target cannot represent (and invalid
// input, as the library's //IGNORE does) and then answers 1.
TEST_F(Zkconv, ListsMembers) {
  const runS run = runZkconv({"--members", "-f", "UTF-8", "-t", "HTML"});
  EXPECT_EQ(0, run.status) << run.errors;
  EXPECT_EQ(
      "rozorevo.charsetconvert\n"
      "  property  AvailableCharsets    read-only\n"
      "  method    Convert              3 arguments\n"
      "  property  LocaleCharset        read-only\n"
      "  method    isValidCharset       1 argument\n"
      "  method    openConverter        2 arguments\n"
      "converter from UTF-8 to HTML\n"
      "  method    ConvertString        1 argument\n"
      "  method    Reset                0 arguments\n",
      run.output);
}

TEST_F(Zkconv, SkipsUnconvertibleCharactersOnRequest) {
  const std::string latin = "caf\xc3\xa9 \xe2\x82\xac 5 \xe4\xb8\xad!\n";
  const std::string many(100000, 'a');
  const std::vector<std::string> skipToLatin1 = {"-c", "-f", "UTF-8", "-t", "ISO-8859-1"};
  const std::vector<std::string> dispatchToLatin1 = {"-c", "--dispatch", "-f", "UTF-8", "-t", "ISO-8859-1"};
  const struct {
    std::vector<std::string> args;
    std::string input, expected;
    int status;
  } cases[] = {
      {skipToLatin1, latin, "caf\xe9  5 !\n", 1},
      {skipToLatin1, "caf\xc3\xa9\n", "caf\xe9\n", 0},
      {skipToLatin1, "a\xff!", "a!", 1},               // invalid input skipped too
      {skipToLatin1, many + "\xe2\x82\xac", many, 1},  // in the second piece
      {{"-f", "UTF-8", "-t", "ISO-8859-1//IGNORE"}, latin, "caf\xe9  5 !\n", 1},
      {{"-c", "-f", "HTML", "-t", "ASCII"}, "a&eacute;b&amp;", "ab&", 1},
      {{"-c", "-f", "UTF-8", "-t", "HTML"}, "\xe2\x82\xac", "&#x20ac;", 0},
      {dispatchToLatin1, latin, "caf\xe9  5 !\n", 1},
      {dispatchToLatin1, "caf\xc3\xa9\n", "caf\xe9\n", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.args));
    const runS run = runZkconv(c.args, c.input);
    EXPECT_EQ(c.status, run.status);
    EXPECT_EQ("", run.errors);
    EXPECT_EQ(hexBytes(c.expected), hexBytes(run.output));
  }
}

// Text values end at their first zero byte: --dispatch refuses whatever
// would lose bytes instead of truncating.
TEST_F(Zkconv, DispatchRefusesWhatTextCannotCarry) {
  const std::string refused = "zkconv: --dispatch cannot carry ";
  const std::string tooLarge(4 * 1024 * 1024 + 1, 'a');
  const struct {
    std::vector<std::string> args;
    std::string input, message;
  } cases[] = {
      {{"-f", "UTF-8", "-t", "UTF-16"}, "x", refused + "UTF-16 output"},
      {{"-f", "UTF-8", "-t", "UCS-4LE"}, "x", refused + "UCS-4LE output"},
      {{"-f", "UTF-8", "-t", "UTF-8"}, std::string("a\0b", 3), refused + "the zero byte at byte 1 of standard input\n"},
      {{"-f", "UTF-7", "-t", "UTF-8"}, "a+AAA-b", refused + "U+0000 at byte 1 of standard input\n"},
      {{"-f", "UTF-8", "-t", "UTF-8"}, tooLarge, "zkconv: standard input is larger than 4194304 bytes"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    std::vector<std::string> args = c.args;
    args.insert(args.begin(), "--dispatch");
    const runS run = runZkconv(args, c.input);
    EXPECT_EQ(1, run.status);
    EXPECT_EQ(c.message, run.errors.substr(0, c.message.size()));
    EXPECT_EQ("", run.output);
  }
}

TEST_F(Zkconv, ListsTheLibrarysCharsetsAndThePseudoOnes) {
  const runS run = runZkconv({"--list"});
  ASSERT_EQ(0, run.status) << run.errors;
  std::vector<std::string> words;
  std::istringstream lines(run.output);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream names(line);
    for (std::string name; names >> name;) words.push_back(name);
  }
  for (const char* name : {"UTF-8", "ISO-8859-1", "LATIN1", "DEC-KANJI", "HTML", "HTMLWITHTAGS"}) {
    EXPECT_NE(words.end(), std::find(words.begin(), words.end(), name)) << name;
  }
  EXPECT_NE(std::string::npos, run.output.find("\nHTML\nHTMLWITHTAGS\n"));
  EXPECT_EQ(run.output, runZkconv({"-l"}).output);
}

// Names of the temporaries zkconv left in the working directory.
std::vector<std::string> leftTemporaries() {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(".")) {
    const std::string name = entry.path().filename().string();
    if (name.find(".zkconv-") != std::string::npos) names.push_back(name);
  }
  return names;
}

TEST_F(Zkconv, OutputFileIsReplacedOnlyByACompleteResult) {
  writeFile(outputFile, "precious");
  fs::permissions(outputFile, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  const fs::perms mode = fs::status(outputFile).permissions();
  const runS failed = runZkconv({"-f", "UTF-8", "-t", "ISO-8859-1", "-o", outputFile, sample});
  EXPECT_EQ(1, failed.status);
  EXPECT_EQ("precious", readFile(outputFile)) << "a failed run loses nothing";
  const runS done = runZkconv({"-f", "UTF-8", "-t", "HTML", "-o", outputFile, sample});
  ASSERT_EQ(0, done.status) << done.errors;
  EXPECT_EQ("", done.output);
  EXPECT_EQ("caf&eacute; &lt;b&gt; &amp; &#x20ac;\n", readFile(outputFile));
  EXPECT_TRUE(mode == fs::status(outputFile).permissions()) << "the mode is kept";
  EXPECT_EQ(std::vector<std::string>(), leftTemporaries());
}

TEST_F(Zkconv, OutputThroughALinkWritesItsFile) {
  const std::string link = "zkconv-link.txt";
  writeFile(outputFile, "old");
  std::error_code error;
  fs::create_symlink(outputFile, link, error);
  if (error) GTEST_SKIP() << "no symbolic links here: " << error.message();
  const runS run = runZkconv({"-f", "UTF-8", "-t", "HTML", "-o", link, sample});
  EXPECT_EQ(0, run.status) << run.errors;
  EXPECT_TRUE(fs::is_symlink(link)) << "the link stays";
  EXPECT_EQ("caf&eacute; &lt;b&gt; &amp; &#x20ac;\n", readFile(outputFile));
  EXPECT_EQ(std::vector<std::string>(), leftTemporaries());
  fs::remove(link);

  // A link planted where a temporary of a predictable name would be leads
  // nowhere: the temporary is made new, under a name of its own.
  const std::string victim = "zkconv-victim.txt";
  writeFile(victim, "victim");
  fs::create_symlink(victim, outputFile + ".zkconv-tmp");
  EXPECT_EQ(0, runZkconv({"-f", "UTF-8", "-t", "UTF-8", "-o", outputFile, sample}).status);
  EXPECT_EQ("victim", readFile(victim));
  EXPECT_FALSE(fs::is_symlink(outputFile));
  EXPECT_EQ(kSample, readFile(outputFile));
  fs::remove(outputFile + ".zkconv-tmp");
  fs::remove(victim);
}

TEST_F(Zkconv, OutputToAFifoIsWrittenDirectly) {
  const std::string fifo = "zkconv-fifo";
  if (!createFifo(fifo.c_str())) GTEST_SKIP() << "no FIFOs here";
  std::string received;
  std::thread reader([&] { received = readFile(fifo); });
  const runS run = runZkconv({"-f", "UTF-8", "-t", "HTML", "-o", fifo, sample});
  reader.join();
  EXPECT_EQ(0, run.status) << run.errors;
  EXPECT_EQ("caf&eacute; &lt;b&gt; &amp; &#x20ac;\n", received);
  EXPECT_TRUE(fs::is_fifo(fifo));
  fs::remove(fifo);
}

TEST_F(Zkconv, HelpNamesEveryOption) {
  const runS run = runZkconv({"--help"});
  EXPECT_EQ(0, run.status);
  for (const char* option :
       {"-f, --from-code=FROM", "-t, --to-code=TO", "-c", "-o, --output=OUTFILE", "-l, --list", "--module=PATH",
        "--dispatch", "--members", "--locale-charset", "--help", "--version", "4 MiB", "1 MiB"}) {
    EXPECT_NE(std::string::npos, run.output.find(option)) << option;
  }
}

// The module's summary report reaches the error stream after the converted
// text, while the module is loaded; without the option nothing is reported.
TEST_F(Zkconv, MemoryReportAfterConverting) {
  const runS plain = runZkconv({"-f", "UTF-8", "-t", "HTML", sample});
  EXPECT_EQ("", plain.errors);
  const runS run = runZkconv({"-f", "UTF-8", "-t", "HTML", "--memory-report", sample});
  EXPECT_EQ(0, run.status) << run.errors;
  EXPECT_EQ("caf&eacute; &lt;b&gt; &amp; &#x20ac;\n", run.output);
  const std::string title = std::string("ZKMEMTRACK Summary Report (Pid=");
  EXPECT_EQ(0u, run.errors.find(title)) << run.errors;
  EXPECT_NE(std::string::npos, run.errors.find(std::string(",") + ZK_TEST_MODULE_FILE + ")\n")) << run.errors;
  EXPECT_EQ(std::string::npos, run.errors.find(title, 1)) << "one module, one report";
  EXPECT_NE(std::string::npos, run.errors.find("\nMgr Bytes : ")) << run.errors;
}

}  // namespace
