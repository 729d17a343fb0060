// The code-track manager: when the ring is written and where, what the trace
// file holds, frames and concurrent records.
#include "diagnostics/code_track.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "platform/environment.h"
#include "platform/module_file.h"
#include "platform/text_file.h"
#include "platform/thread_ident.h"
#include "tests/support/environment_scope.h"

namespace {

namespace fs = std::filesystem;
using linesT = std::vector<std::string>;

// Clears every variable the manager reads and sets "temp" to a fresh scratch
// directory, until its end. ("temp" and "TEMP" are one variable on Windows.)
class scratchEnvironmentC {
 public:
  scratchEnvironmentC() {
    static int serial = 0;  // scratch environments are made by the main thread only
    for (const char* name : {"temp", "tmp", "TEMP", "TMP", "ZKCODETRACK", "ZKCODETRACK_FLUSH"}) unset(name);
    path =
        fs::temp_directory_path() / ("zkct-" + std::to_string(threadIdentC::currentId()) + "-" +
                                     std::to_string(readSystemFileTime() & 0xFFFFFF) + "-" + std::to_string(serial++));
    fs::create_directories(path);
    set("temp", path.string().c_str());
  }
  ~scratchEnvironmentC() {
    std::error_code ignored;
    fs::remove_all(path, ignored);
  }

  void set(const char* name, const char* value) { variables.set(name, value); }
  void unset(const char* name) { variables.unset(name); }

  std::string defaultTraceFile() const {  // of a manager built by the calling thread
    return codeTrackFileNameIn((path.string() + "/").c_str(), threadIdentC::currentId(), ownModuleName()).c_str();
  }
  std::string fileIn(const char* leaf) const { return (path / leaf).string(); }

 private:
  environmentScopeC variables;  // restored after the directory is gone
  fs::path path;
};

// The site of the managers that tests build; one manager at a time.
codeTrackSiteS testSite;
std::unique_ptr<codeTrackMgrC> newTestManager() { return std::make_unique<codeTrackMgrC>(testSite); }

// The lines of a trace file after the time field, "thread id;text;number;kind text(extra)", or
// without the thread id; each must end in the platform's text-mode line end.
linesT traceLines(const std::string& name, bool withThreadId = false) {
  std::ifstream in(name, std::ios::binary);
  EXPECT_TRUE(in.good()) << "cannot open " << name;
  const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  const std::string lineEnd = textFileLineEnd();
  linesT lines;
  for (std::size_t start = 0, end = 0; start < bytes.size(); start = end + lineEnd.size()) {
    end = bytes.find(lineEnd, start);
    const std::string line = bytes.substr(start, end - start);
    const std::size_t idStart = line.find(';', line.find(';') + 1) + 1;
    const std::size_t idEnd = idStart == 0 ? std::string::npos : line.find(';', idStart);
    const bool whole = end != std::string::npos && idEnd != std::string::npos && line.find('\n') == std::string::npos;
    if (!whole) {
      ADD_FAILURE() << "line " << lines.size() + 1 << ": not a trace line and line end: " << line;
      break;
    }
    lines.push_back(line.substr(withThreadId ? idStart : idEnd + 1));
  }
  return lines;
}

const char* const sourceFile = "ct.cpp";
constexpr int ringSize = codeTrackMgrC::ringSize;
std::string pointRest(int line) { return std::string(sourceFile) + ";" + std::to_string(line) + ";"; }

// Without a reason nothing is written, not even at destruction. value: "ZKCODETRACK", read at every flush
// (null: not set); name: set after "configured.txt" (null: none set), a reason to write too.
TEST(CodeTrack, FlushWritesOnlyWhenAskedTo) {
  const struct rowS {
    const char *value, *name;
    bool writes;
  } rows[] = {
      {nullptr, nullptr, false},
      {"0", nullptr, false},
      {"1", nullptr, true},
      {"x1", nullptr, false},
      {" 2", nullptr, true},
      {"-3", nullptr, true},  // white space and a sign, as atoi takes them
      {"4294967296", nullptr, true},
      {"99999999999999999999", nullptr, true},  // beyond int: not 0
      {nullptr, "configured.txt", true},
      {nullptr, "", false},  // "": back to the default rules
  };
  for (const rowS& row : rows) {
    SCOPED_TRACE(std::string("ZKCODETRACK ") + (row.value ? row.value : "-") + ", name " + (row.name ? row.name : "-"));
    scratchEnvironmentC environment;
    const std::string configured = environment.fileIn("configured.txt");
    const bool named = row.name != nullptr && *row.name != 0;
    auto manager = newTestManager();
    if (row.name != nullptr) {
      manager->setFileName(configured.c_str());
      if (!named) manager->setFileName("");
    }
    manager->point(sourceFile, 1);
    if (row.value != nullptr) environment.set("ZKCODETRACK", row.value);  // seen by the flush at destruction
    manager.reset();
    const std::string written = named ? configured : environment.defaultTraceFile();
    EXPECT_EQ(fs::exists(configured), named);
    ASSERT_EQ(fs::exists(written), row.writes);
    if (row.writes) {
      EXPECT_EQ(traceLines(written), linesT{pointRest(1)});
    }
  }
}

TEST(CodeTrack, DirectoryIsTheFirstNonEmptyVariable) {
  // Upper-case names are set only where the lower-case one (the same on Windows) is absent.
  const char* const names[] = {"temp", "tmp", "TEMP", "TMP"};
  const struct rowS {
    const char* values[4];
    const char* expected;
  } rows[] = {
      // null: the platform default
      {{"A", "B", nullptr, nullptr}, "A/"},
      {{"A/", nullptr, nullptr, nullptr}, "A/"},  // "temp" first
      {{"", "B", nullptr, nullptr}, "B/"},
      {{nullptr, nullptr, "C", "D"}, "C/"},  // "" skipped; "TEMP" before "TMP"
      {{nullptr, nullptr, nullptr, "D\\"}, "D\\"},
      {{nullptr, nullptr, nullptr, nullptr}, nullptr},  // "D\\" kept
  };
  for (const rowS& row : rows) {
    SCOPED_TRACE(std::string("expected ") + (row.expected != nullptr ? row.expected : "(default)"));
    scratchEnvironmentC environment;
    environment.unset("temp");
    for (int i = 0; i < 4; ++i)
      if (row.values[i] != nullptr) environment.set(names[i], row.values[i]);
    EXPECT_EQ(std::string(codeTrackDirectory().c_str()), row.expected ? row.expected : defaultTempDirectory());
  }
}

TEST(CodeTrack, ExceptionWritesTheWholeRingOldestFirst) {
  scratchEnvironmentC environment;
  const std::string traceFile = environment.defaultTraceFile();
  auto manager = newTestManager();
  for (int line = 1; line <= ringSize + 5; ++line) manager->point(sourceFile, line);
  ASSERT_FALSE(fs::exists(traceFile)) << "the wrap alone is no reason to write";
  EXPECT_STREQ(manager->getFileName(), "");
  manager->exception("boom", 77);
  linesT rests = traceLines(traceFile);
  ASSERT_EQ(rests.size(), static_cast<std::size_t>(ringSize));
  EXPECT_EQ(rests.back(), "boom;77;Exception");
  for (int i = 0; i < ringSize - 1; ++i) ASSERT_EQ(rests[i], pointRest(7 + i)) << i;  // the 9999 latest points
  EXPECT_EQ(manager->writePosition(), 0);
  EXPECT_STREQ(manager->getFileName(), traceFile.c_str());
  manager->point(sourceFile, 1);
  manager.reset();  // from now on every flush goes ahead, this one included
  rests = traceLines(traceFile);
  ASSERT_EQ(rests.size(), static_cast<std::size_t>(ringSize + 1));
  EXPECT_EQ(rests.back(), pointRest(1));
}

TEST(CodeTrack, FullRingIsWrittenInOrderAndStartsAgainEmpty) {
  scratchEnvironmentC environment;
  environment.set("ZKCODETRACK", "1");
  const std::string traceFile = environment.defaultTraceFile();
  auto manager = newTestManager();
  for (int line = 1; line < ringSize; ++line) manager->point(sourceFile, line);
  ASSERT_FALSE(fs::exists(traceFile)) << "written before the ring was full";
  manager->point(sourceFile, ringSize);
  const linesT rests = traceLines(traceFile);
  ASSERT_EQ(rests.size(), static_cast<std::size_t>(ringSize));
  for (int i = 0; i < ringSize; ++i) ASSERT_EQ(rests[i], pointRest(1 + i)) << i;
  EXPECT_EQ(manager->writePosition(), 0);
  for (int slot = 0; slot < ringSize; ++slot) ASSERT_EQ(manager->slot(slot).kind, 0u) << "slot " << slot;
  manager->point(sourceFile, 1);
  EXPECT_EQ(manager->writePosition(), 1);
  EXPECT_EQ(manager->slot(0).kind, static_cast<std::uint32_t>(codeTrackKindPoint));
  EXPECT_EQ(traceLines(traceFile).size(), static_cast<std::size_t>(ringSize));
}

TEST(CodeTrack, FlushEachWritesEveryRecordAtOnce) {
  scratchEnvironmentC environment;
  environment.set("ZKCODETRACK_FLUSH", "0");  // the value is not looked at
  auto manager = newTestManager();
  environment.unset("ZKCODETRACK_FLUSH");  // read once, at construction
  for (int line = 1; line <= 3; ++line) {
    manager->point(sourceFile, line);
    EXPECT_EQ(manager->writePosition(), 0);
    EXPECT_EQ(traceLines(environment.defaultTraceFile()).size(), static_cast<std::size_t>(line));
  }
}

TEST(CodeTrack, FramesCloseWithTheirOwnFileLineAndName) {
  scratchEnvironmentC environment;
  auto manager = newTestManager();
  manager->frameLeave();  // no open frame: nothing happens
  EXPECT_EQ(manager->writePosition(), 0);
  // 20 frames, each named as its file, span three pages of the frame stack; frame 1 has no name.
  std::vector<std::string> names(20);
  linesT expected(40);
  for (int i = 0; i < 20; ++i) {
    names[i] = "frame" + std::to_string(i);
    manager->frameEnter(names[i].c_str(), i, i == 1 ? nullptr : names[i].c_str());
    const std::string head = names[i] + ";" + std::to_string(i) + ";Frame ", tail = i == 1 ? "" : "(" + names[i] + ")";
    expected[i] = head + "Enter" + tail;
    expected[39 - i] = head + "Leave" + tail;
  }
  for (int i = 0; i < 21; ++i) manager->frameLeave();  // the last finds no frame
  manager->frameEnter("g.cpp", 40, nullptr);           // popped pages stay: no stale name
  manager->frameLeave();
  expected.insert(expected.end(), {"g.cpp;40;Frame Enter", "g.cpp;40;Frame Leave"});
  manager->forcedFlush();
  EXPECT_EQ(traceLines(environment.defaultTraceFile()), expected);
}

TEST(CodeTrack, ConcurrentRecordsFromSeveralThreadsAllArrive) {
  scratchEnvironmentC environment;
  auto manager = newTestManager();
  constexpr int threadCount = 4, recordsPerThread = 500;
  std::uint32_t threadIds[threadCount] = {};
  std::vector<std::thread> threads;
  for (int t = 0; t < threadCount; ++t)
    threads.emplace_back([&, t] {
      threadIds[t] = threadIdentC::currentId();
      for (int i = 0; i < recordsPerThread; ++i) manager->point(sourceFile, t * 1000 + i, "x");
    });
  for (std::thread& thread : threads) thread.join();
  manager->forcedFlush();
  const linesT lines = traceLines(environment.defaultTraceFile(), true);
  ASSERT_EQ(lines.size(), static_cast<std::size_t>(threadCount * recordsPerThread));
  int nextNumber[threadCount] = {};
  for (const std::string& line : lines) {  // each thread's lines in order, with its id
    const int t = std::atoi(line.c_str() + line.find(';') + std::strlen(sourceFile) + 2) / 1000;
    ASSERT_TRUE(t >= 0 && t < threadCount) << "unexpected line: " << line;
    ASSERT_EQ(line, std::to_string(static_cast<std::int32_t>(threadIds[t])) + ";" +
                        pointRest(t * 1000 + nextNumber[t]++) + "(x)");
  }
}

// The free functions act on the module's manager, alive for the whole program.
TEST(CodeTrackModule, FreeFunctionsRecordOnTheModuleManager) {
  ASSERT_NE(codeTrackGetFileName(), nullptr) << "the module's manager is alive";
  scratchEnvironmentC environment;
  const std::string configured = environment.fileIn("module.txt");
  codeTrackSetFileName(configured.c_str());
  environment.set("ZKCODETRACK", "1");
  codeTrackPoint(sourceFile, 3);
  codeTrackPoint(sourceFile, 4, "x");
  EXPECT_EQ(codeTrackCond(sourceFile, 5, 6), 6u);
  codeTrackFrameEnter(sourceFile, 6, "frame");
  codeTrackFnc(sourceFile, 7, 0);
  codeTrackFnc(sourceFile, 8, 1, 3u);
  codeTrackFnc(sourceFile, 9, 1, "t");
  codeTrackFrameLeave();
  codeTrackPoint(nullptr, 10, nullptr);
  EXPECT_EQ(codeTrackCond(sourceFile, 11, 0xFFFFFFFFu), 0xFFFFFFFFu);
  codeTrackFnc(sourceFile, 12, 1);
  codeTrackFnc(sourceFile, 13, 0, 42u);
  codeTrackFnc(sourceFile, 14, 0, "in");
  codeTrackFlush();
  EXPECT_STREQ(codeTrackGetFileName(), configured.c_str());
  const char* handedOut = codeTrackGetFileName();
  codeTrackFlush();
  EXPECT_EQ(codeTrackGetFileName(), handedOut) << "the same name on the next flush: the text stays valid";
  codeTrackSetFileName(nullptr);
  const linesT expectedTail = {pointRest(3),
                               "ct.cpp;4;(x)",
                               "ct.cpp;5;Cond=6",
                               "ct.cpp;6;Frame Enter(frame)",
                               "ct.cpp;7;Enter Fnc",
                               "ct.cpp;8;Done Fnc (3)",
                               "ct.cpp;9;Done Fnc (0)(t)",
                               "ct.cpp;6;Frame Leave(frame)",
                               ";10;",
                               "ct.cpp;11;Cond=-1",
                               "ct.cpp;12;Done Fnc (0)",
                               "ct.cpp;13;Enter Fnc" /* a result shows only when done */,
                               "ct.cpp;14;Enter Fnc(in)"};
  const linesT written = traceLines(configured);
  ASSERT_GE(written.size(), expectedTail.size());
  EXPECT_EQ(linesT(written.end() - expectedTail.size(), written.end()), expectedTail);
}

}  // namespace
