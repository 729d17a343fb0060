// The zkconv command, run in-process on files through the real module.
#include "host/zkconv.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/hex_bytes.h"

namespace {

std::string readFile(const std::string& path) {
  std::ostringstream content;
  content << std::ifstream(path, std::ios::binary).rdbuf();
  return content.str();
}

void writeFile(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

bool fileExists(const std::string& path) { return std::ifstream(path).good(); }

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

const char kSample[] = "caf\xc3\xa9 <b> & \xe2\x82\xac\n";

class Zkconv : public ::testing::Test {
 protected:
  void SetUp() override { writeFile(sample, kSample); }
  void TearDown() override {
    for (const std::string& name : {sample, outputFile, outputFile + ".zkconv-tmp"}) std::remove(name.c_str());
  }
  const std::string sample = "zkconv-sample.txt";
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
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.args));
    const runS run = runZkconv(c.args, c.input);
    EXPECT_EQ(0, run.status) << run.errors;
    EXPECT_EQ(hexBytes(c.expected), hexBytes(run.output));
  }
}

TEST_F(Zkconv, SeveralFilesShareOneConversionState) {
  writeFile(outputFile, "b");
  const runS run = runZkconv({"-f", "ISO-8859-1", "-t", "UTF-16", sample, outputFile});
  ASSERT_EQ(0, run.status) << run.errors;
  // One mark at the start, none between the first file's line end and the second file's text.
  EXPECT_EQ("00 0A 00 62", hexBytes(run.output.substr(run.output.size() - 4)));
  EXPECT_EQ("FE FF", hexBytes(run.output.substr(0, 2)));
}

TEST_F(Zkconv, ErrorsNameTheProblem) {
  const std::string unknown = "zkconv: unknown character set conversion from ";
  const std::string invalid = "zkconv: invalid or incomplete input in ";
  const struct {
    std::vector<std::string> args;
    std::string input, message;
  } cases[] = {
      {{"-f", "NO-SUCH", "-t", "UTF-8"}, "x", unknown + "NO-SUCH to UTF-8\n"},
      {{"-f", "HTML", "-t", "HTML"}, "x", unknown + "HTML to HTML\n"},
      {{"-f", "UTF-8", "-t", "UTF-16", sample, "missing-file.txt"},
       "",
       "zkconv: cannot open input file missing-file.txt"},
      {{"-f", "UTF-8", "-t", "ISO-8859-1", sample}, "", invalid + sample + "\n"},
      {{"-f", "HTML", "-t", "UTF-8"}, "a & b", invalid + "standard input\n"},
      {{"-f", "UTF-8", "-t", "UTF-16"}, "\xc3", invalid + "standard input\n"},
      {{"--dispatch", "-f", "UTF-8", "-t", "ISO-8859-1", sample}, "", invalid + sample + "\n"},
      {{"--dispatch", "-f", "NO-SUCH", "-t", "UTF-8"}, "x", unknown + "NO-SUCH to UTF-8\n"},
      {{"--members", "-f", "NO-SUCH", "-t", "UTF-8"}, "", unknown + "NO-SUCH to UTF-8\n"},
      {{"--bogus"}, "", "zkconv: unknown option --bogus (see zkconv --help)\n"},
      {{"-f"}, "", "zkconv: option -f needs a value\n"},
      {{"--module", "./no-such-module", "-f", "UTF-8", "-t", "HTML"},
       "",
       "zkconv: cannot load module ./no-such-module"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    const runS run = runZkconv(c.args, c.input);
    EXPECT_EQ(1, run.status);
    EXPECT_EQ(c.message, run.errors.substr(0, c.message.size()));
    EXPECT_EQ(1, std::count(run.errors.begin(), run.errors.end(), '\n')) << "one line: " << run.errors;
    EXPECT_EQ("", run.output);
  }
}

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

TEST_F(Zkconv, OutputFileIsReplacedOnlyByACompleteResult) {
  writeFile(outputFile, "precious");
  const runS failed = runZkconv({"-f", "UTF-8", "-t", "ISO-8859-1", "-o", outputFile, sample});
  EXPECT_EQ(1, failed.status);
  EXPECT_EQ("precious", readFile(outputFile)) << "a failed run loses nothing";
  EXPECT_FALSE(fileExists(outputFile + ".zkconv-tmp"));
  const runS done = runZkconv({"-f", "UTF-8", "-t", "HTML", "-o", outputFile, sample});
  ASSERT_EQ(0, done.status) << done.errors;
  EXPECT_EQ("", done.output);
  EXPECT_EQ("caf&eacute; &lt;b&gt; &amp; &#x20ac;\n", readFile(outputFile));
  EXPECT_FALSE(fileExists(outputFile + ".zkconv-tmp"));
}

}  // namespace
