// Report delivery: 80-character pieces to the output function, or whole texts
// appended to the report file.
#include "memory/mem_track_output.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "memory/mem_track_switches.h"
#include "platform/text_file.h"

namespace {

std::vector<std::string> pieces;
void capture(const char* text) { pieces.emplace_back(text); }

// Names the report file for a scope.
class reportFileC {
 public:
  explicit reportFileC(const std::string& path) {
    std::memcpy(saved, outputFileName, sizeof saved);
    std::snprintf(outputFileName, sizeof outputFileName, "%s", path.c_str());
  }
  ~reportFileC() { std::memcpy(outputFileName, saved, sizeof saved); }

 private:
  char saved[memTrackOutputFileNameSize];
};

std::string fileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream all;
  all << in.rdbuf();
  return all.str();
}

TEST(MemTrackOutput, PiecesOfAtMost80Characters) {
  const std::string long200(200, 'x');
  const struct rowS {
    std::string text;
    std::vector<std::size_t> lengths;
  } rows[] = {
      {"", {}},
      {"one line\n", {9}},
      {std::string(80, 'a'), {80}},
      {std::string(81, 'a'), {80, 1}},
      {long200, {80, 80, 40}},
  };
  for (const rowS& row : rows) {
    SCOPED_TRACE("length " + std::to_string(row.text.size()));
    pieces.clear();
    memTrackWriteReportTo(row.text.c_str(), &capture);
    std::vector<std::size_t> lengths;
    std::string joined;
    for (const std::string& piece : pieces) {
      lengths.push_back(piece.size());
      joined += piece;
    }
    EXPECT_EQ(row.lengths, lengths);
    EXPECT_EQ(row.text, joined);
  }
  // The module-wide function is used by memTrackWriteReport until reset.
  pieces.clear();
  memTrackSetOutput(&capture);
  memTrackWriteReport("through the current function");
  EXPECT_EQ(&capture, memTrackGetOutput());
  memTrackResetOutput();
  EXPECT_EQ(memTrackDefaultOutput(), memTrackGetOutput());
  EXPECT_EQ(std::vector<std::string>{"through the current function"}, pieces);
}

TEST(MemTrackOutput, ReportFileIsAppendedAndOutputFunctionIsNotCalled) {
  namespace fs = std::filesystem;
  const fs::path path = fs::absolute("zk-report-file-test.txt");
  fs::remove(path);
  pieces.clear();
  {
    reportFileC file(path.string());
    memTrackWriteReportTo("first report\n", &capture);
    memTrackWriteReportTo("second report\n", &capture);
  }
  const std::string end = textFileLineEnd();
  EXPECT_EQ("first report" + end + "second report" + end, fileText(path.string()));
  EXPECT_TRUE(pieces.empty());
  fs::remove(path);

  // A file that cannot be opened drops the report.
  reportFileC missing((fs::absolute("no-such-directory") / "report.txt").string());
  memTrackWriteReportTo("dropped\n", &capture);
  EXPECT_TRUE(pieces.empty());
}

}  // namespace
