// The code-track manager: when the ring is written and where, what the trace
// file holds, frames and concurrent records.
#include "diagnostics/code_track.h"

#include <gtest/gtest.h>

#include <atomic>
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

namespace {

namespace fs = std::filesystem;
using linesT = std::vector<std::string>;

// Clears every variable the manager reads and sets "temp" to a fresh scratch
// directory, until its end. ("temp" and "TEMP" are one variable on Windows.)
class scratchEnvironmentC {
 public:
  scratchEnvironmentC() {
    static std::atomic<int> serial{0};
    for (const char* name : {"temp", "tmp", "TEMP", "TMP", "ZKCODETRACK", "ZKCODETRACK_FLUSH"}) {
      const char* value = getRuntimeEnvironmentVariable(name);
      saved.emplace_back(name, value != nullptr ? std::make_unique<std::string>(value) : nullptr);
      unset(name);
    }
    path = fs::temp_directory_path() /
           ("zkct-" + std::to_string(threadIdentC::currentId()) + "-" +
            std::to_string(static_cast<unsigned>(readSystemFileTime() & 0xFFFFFF)) + "-" + std::to_string(serial++));
    fs::create_directories(path);
    set("temp", path.string().c_str());
  }
  ~scratchEnvironmentC() {
    for (auto it = saved.rbegin(); it != saved.rend(); ++it)
      it->second != nullptr ? set(it->first.c_str(), it->second->c_str()) : unset(it->first.c_str());
    std::error_code ignored;
    fs::remove_all(path, ignored);
  }

  void set(const char* name, const char* value) { ASSERT_TRUE(setRuntimeEnvironmentVariable(name, value)) << name; }
  void unset(const char* name) { ASSERT_TRUE(unsetRuntimeEnvironmentVariable(name)) << name; }

  // The default trace file of a manager built by the calling thread.
  std::string defaultTraceFile() const {
    return codeTrackFileNameIn((path.string() + "/").c_str(), threadIdentC::currentId(), ownModuleName()).c_str();
  }
  std::string fileIn(const char* leaf) const { return (path / leaf).string(); }

 private:
  fs::path path;
  std::vector<std::pair<std::string, std::unique_ptr<std::string>>> saved;
};

// The site of the managers that tests build; one manager at a time.
codeTrackSiteS testSite;

std::unique_ptr<codeTrackMgrC> newTestManager() { return std::make_unique<codeTrackMgrC>(testSite); }

// A trace line: its thread id (third field) and the rest after it, "text;number;kind text(extra)".
struct traceLineS {
  std::string threadId, rest;
};

// The lines of a trace file, each ending in the platform's text-mode line end.
std::vector<traceLineS> readTraceLines(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  EXPECT_TRUE(in.good()) << "cannot open " << name;
  const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  const std::string lineEnd = textFileLineEnd();
  std::vector<traceLineS> lines;
  for (std::size_t start = 0, end = 0; start < bytes.size(); start = end + lineEnd.size()) {
    end = bytes.find(lineEnd, start);
    const std::string line = bytes.substr(start, end - start);
    const std::size_t idStart = line.find(';', line.find(';') + 1) + 1;
    const std::size_t idEnd = idStart == 0 ? std::string::npos : line.find(';', idStart);
    if (end == std::string::npos || idEnd == std::string::npos || line.find('\n') != std::string::npos) {
      ADD_FAILURE() << "line " << lines.size() + 1 << " is not a trace line ending in a line end: " << line;
      break;
    }
    lines.push_back({line.substr(idStart, idEnd - idStart), line.substr(idEnd + 1)});
  }
  return lines;
}

linesT traceRests(const std::string& name) {
  linesT rests;
  for (const traceLineS& line : readTraceLines(name)) rests.push_back(line.rest);
  return rests;
}

const char* const sourceFile = "ct.cpp";
constexpr int ringSize = codeTrackMgrC::ringSize;

std::string pointRest(int line) { return std::string(sourceFile) + ";" + std::to_string(line) + ";"; }

void expectPointsFrom(const linesT& rests, int first) {
  for (std::size_t i = 0; i < rests.size(); ++i) ASSERT_EQ(rests[i], pointRest(first + static_cast<int>(i))) << i;
}

// Without a reason nothing is written, not even at destruction. "ZKCODETRACK"
// is read with atoi at every flush; a configured name is a reason too.
TEST(CodeTrack, FlushWritesOnlyWhenAskedTo) {
  const struct rowS {
    const char* value;  // "ZKCODETRACK"; null: not set
    const char* name;   // set after "configured.txt"; null: no name set
    bool writes;
  } rows[] = {
      {nullptr, nullptr, false},                // no reason to write
      {"0", nullptr, false},                    // zero counts as absent
      {"1", nullptr, true},                     //
      {"x1", nullptr, false},                   // no leading digits: atoi gives 0
      {" 2", nullptr, true},                    // leading white space is skipped
      {"-3", nullptr, true},                    // a sign is allowed
      {"4294967296", nullptr, true},            // beyond int's range: not wrapped to 0
      {"99999999999999999999", nullptr, true},  // far beyond any integer: saturates, not 0
      {nullptr, "configured.txt", true},        // a configured name asks for writing
      {nullptr, "", false},                     // an empty one returns to the default rules
  };
  for (const rowS& row : rows) {
    SCOPED_TRACE(::testing::Message() << "ZKCODETRACK " << (row.value ? row.value : "(not set)") << ", name "
                                      << (row.name ? row.name : "(not set)"));
    scratchEnvironmentC environment;
    const std::string configured = environment.fileIn("configured.txt");
    const bool named = row.name != nullptr && *row.name != 0;
    {
      auto manager = newTestManager();
      if (row.name != nullptr) manager->setFileName(configured.c_str());
      if (row.name != nullptr && !named) manager->setFileName("");
      manager->point(sourceFile, 1);
      if (row.value != nullptr) environment.set("ZKCODETRACK", row.value);  // seen by the flush at destruction
    }
    EXPECT_EQ(fs::exists(configured), named);
    ASSERT_EQ(fs::exists(named ? configured : environment.defaultTraceFile()), row.writes);
    if (row.writes) {
      EXPECT_EQ(traceRests(named ? configured : environment.defaultTraceFile()), linesT{pointRest(1)});
    }
  }
}

TEST(CodeTrack, DirectoryIsTheFirstNonEmptyVariable) {
  // Upper-case names are set only where the lower-case one (the same on Windows) is absent.
  const char* const names[] = {"temp", "tmp", "TEMP", "TMP"};
  const struct rowS {
    const char* values[4];
    const char* expected;  // null: the platform default
  } rows[] = {
      {{"A", "B", nullptr, nullptr}, "A/"},         // "temp" wins and gets a "/"
      {{"A/", nullptr, nullptr, nullptr}, "A/"},    // ends in "/": kept
      {{"", "B", nullptr, nullptr}, "B/"},          // an empty "temp" is skipped
      {{nullptr, nullptr, "C", "D"}, "C/"},         // "TEMP" before "TMP"
      {{nullptr, nullptr, nullptr, "D\\"}, "D\\"},  // "TMP" last; ends in a backslash: kept
      {{nullptr, nullptr, nullptr, nullptr}, nullptr},
  };
  for (const rowS& row : rows) {
    SCOPED_TRACE(std::string("expected ") + (row.expected != nullptr ? row.expected : "(default)"));
    scratchEnvironmentC environment;
    environment.unset("temp");
    for (int i = 0; i < 4; ++i) {
      if (row.values[i] != nullptr) environment.set(names[i], row.values[i]);
    }
    EXPECT_EQ(std::string(codeTrackDirectory().c_str()),
              row.expected != nullptr ? row.expected : defaultTempDirectory());
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
  linesT rests = traceRests(traceFile);
  ASSERT_EQ(rests.size(), static_cast<std::size_t>(ringSize));
  EXPECT_EQ(rests.back(), "boom;77;Exception");
  rests.pop_back();
  expectPointsFrom(rests, 7);  // the 9999 latest points
  EXPECT_EQ(manager->writePosition(), 0);
  EXPECT_STREQ(manager->getFileName(), traceFile.c_str());

  manager->point(sourceFile, 1);
  manager.reset();  // from now on every flush goes ahead, this one included
  rests = traceRests(traceFile);
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
  const linesT rests = traceRests(traceFile);
  ASSERT_EQ(rests.size(), static_cast<std::size_t>(ringSize));
  expectPointsFrom(rests, 1);
  EXPECT_EQ(manager->writePosition(), 0);
  for (int slot = 0; slot < ringSize; ++slot) ASSERT_EQ(manager->slot(slot).kind, 0u) << "slot " << slot;

  manager->point(sourceFile, 1);
  EXPECT_EQ(manager->writePosition(), 1);
  EXPECT_EQ(manager->slot(0).kind, static_cast<std::uint32_t>(codeTrackKindPoint));
  EXPECT_EQ(readTraceLines(traceFile).size(), static_cast<std::size_t>(ringSize));
}

TEST(CodeTrack, FlushEachWritesEveryRecordAtOnce) {
  scratchEnvironmentC environment;
  environment.set("ZKCODETRACK_FLUSH", "0");  // the value is not looked at
  auto manager = newTestManager();
  environment.unset("ZKCODETRACK_FLUSH");  // read once, at construction
  for (int line = 1; line <= 3; ++line) {
    manager->point(sourceFile, line);
    EXPECT_EQ(manager->writePosition(), 0);
    EXPECT_EQ(readTraceLines(environment.defaultTraceFile()).size(), static_cast<std::size_t>(line));
  }
}

TEST(CodeTrack, FramesCloseWithTheirOwnFileLineAndName) {
  scratchEnvironmentC environment;
  auto manager = newTestManager();
  manager->frameLeave();  // no open frame: nothing happens
  EXPECT_EQ(manager->writePosition(), 0);
  // 20 frames, each named as its file, span three pages of the frame stack; frame 1 has no name.
  std::vector<std::string> names;
  for (int i = 0; i < 20; ++i) names.push_back("frame" + std::to_string(i));
  linesT expected(40);
  for (int i = 0; i < 20; ++i) {
    manager->frameEnter(names[i].c_str(), i, i == 1 ? nullptr : names[i].c_str());
    const std::string head = names[i] + ";" + std::to_string(i) + ";Frame ";
    const std::string tail = i == 1 ? "" : "(" + names[i] + ")";
    expected[i] = head + "Enter" + tail;
    expected[39 - i] = head + "Leave" + tail;
  }
  for (int i = 0; i < 21; ++i) manager->frameLeave();  // the last finds no frame
  manager->frameEnter("g.cpp", 40, nullptr);  // popped pages stay: no stale name
  manager->frameLeave();
  expected.insert(expected.end(), {"g.cpp;40;Frame Enter", "g.cpp;40;Frame Leave"});
  manager->forcedFlush();
  EXPECT_EQ(traceRests(environment.defaultTraceFile()), expected);
}

TEST(CodeTrack, RecordsFromSeveralThreadsAllArrive) {
  scratchEnvironmentC environment;
  auto manager = newTestManager();
  constexpr int threadCount = 4;
  constexpr int recordsPerThread = 500;
  std::uint32_t threadIds[threadCount] = {};
  std::vector<std::thread> threads;
  for (int t = 0; t < threadCount; ++t) {
    threads.emplace_back([&, t] {
      threadIds[t] = threadIdentC::currentId();
      for (int i = 0; i < recordsPerThread; ++i) manager->point(sourceFile, t * 1000 + i, "x");
    });
  }
  for (std::thread& thread : threads) thread.join();
  manager->forcedFlush();
  const std::vector<traceLineS> lines = readTraceLines(environment.defaultTraceFile());
  ASSERT_EQ(lines.size(), static_cast<std::size_t>(threadCount * recordsPerThread));
  int nextNumber[threadCount] = {};
  for (const traceLineS& line : lines) {
    const int t = std::atoi(line.rest.c_str() + std::strlen(sourceFile) + 1) / 1000;
    ASSERT_TRUE(t >= 0 && t < threadCount && line.rest == pointRest(t * 1000 + nextNumber[t]++) + "(x)")
        << "unexpected or out-of-order line: " << line.rest;
    EXPECT_EQ(line.threadId, std::to_string(static_cast<std::int32_t>(threadIds[t]))) << line.rest;
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

  const linesT expectedTail = {pointRest(3), "ct.cpp;4;(x)", "ct.cpp;5;Cond=6", "ct.cpp;6;Frame Enter(frame)",
      "ct.cpp;7;Enter Fnc", "ct.cpp;8;Done Fnc (3)", "ct.cpp;9;Done Fnc (0)(t)", "ct.cpp;6;Frame Leave(frame)", ";10;",
      "ct.cpp;11;Cond=-1", "ct.cpp;12;Done Fnc (0)", "ct.cpp;13;Enter Fnc" /* a result shows only when done */,
      "ct.cpp;14;Enter Fnc(in)"};
  const linesT written = traceRests(configured);
  ASSERT_GE(written.size(), expectedTail.size());
  EXPECT_EQ(linesT(written.end() - expectedTail.size(), written.end()), expectedTail);
}

}  // namespace
