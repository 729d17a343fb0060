// Test support for code tracking: a scratch directory set as the trace
// directory through the environment, a site for managers built by tests, and
// readers for the trace file.
#ifndef ZK_TESTS_DIAGNOSTICS_CODE_TRACK_TEST_SUPPORT_H
#define ZK_TESTS_DIAGNOSTICS_CODE_TRACK_TEST_SUPPORT_H

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "diagnostics/code_track.h"
#include "platform/clock.h"
#include "platform/environment.h"
#include "platform/module_file.h"
#include "platform/text_file.h"
#include "platform/thread_ident.h"

namespace codetracktest {

// Every variable the code-track manager reads.
inline const char* const trackedVariables[] = {"temp", "tmp", "TEMP", "TMP", "ZKCODETRACK", "ZKCODETRACK_FLUSH"};

// Saves the variables, removes them all, makes a fresh scratch directory and
// sets "temp" to it; restores the variables and removes the directory at the
// end. Variable names are case-insensitive on Windows, so "temp" and "TEMP"
// are one variable there; the tests only rely on what holds on both
// platforms.
class scratchEnvironmentC {
 public:
  scratchEnvironmentC() {
    static std::atomic<int> serial{0};
    namespace fs = std::filesystem;
    const fs::path base = fs::temp_directory_path();
    for (const char* name : trackedVariables) {
      const char* value = getRuntimeEnvironmentVariable(name);
      saved.emplace_back(name, value != nullptr ? std::make_unique<std::string>(value) : nullptr);
    }
    for (const char* name : trackedVariables) unsetRuntimeEnvironmentVariable(name);
    const std::string leaf = "zkct-" + std::to_string(threadIdentC::currentId()) + "-" +
                             std::to_string(static_cast<unsigned>(readSystemFileTime() & 0xFFFFFF)) + "-" +
                             std::to_string(serial++);
    path = base / leaf;
    fs::create_directories(path);
    directory = path.string();
    set("temp", directory.c_str());
  }

  ~scratchEnvironmentC() {
    for (auto it = saved.rbegin(); it != saved.rend(); ++it) {
      if (it->second != nullptr) {
        setRuntimeEnvironmentVariable(it->first.c_str(), it->second->c_str());
      } else {
        unsetRuntimeEnvironmentVariable(it->first.c_str());
      }
    }
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }

  void set(const char* name, const char* value) { ASSERT_TRUE(setRuntimeEnvironmentVariable(name, value)) << name; }
  void unset(const char* name) { ASSERT_TRUE(unsetRuntimeEnvironmentVariable(name)) << name; }

  // The default trace file of a manager built by the calling thread.
  std::string defaultTraceFile() const {
    return codeTrackFileNameIn((directory + "/").c_str(), threadIdentC::currentId(), ownModuleName()).c_str();
  }
  std::string fileIn(const char* leaf) const { return (path / leaf).string(); }

  std::string directory;  // the scratch directory, without a trailing separator

 private:
  std::filesystem::path path;
  std::vector<std::pair<std::string, std::unique_ptr<std::string>>> saved;
};

// The site of the managers that tests build; one manager at a time.
inline codeTrackSiteS& testSite() {
  static codeTrackSiteS site;
  return site;
}

inline std::unique_ptr<codeTrackMgrC> newTestManager() {
  return std::unique_ptr<codeTrackMgrC>(new codeTrackMgrC(testSite()));
}

inline bool fileExists(const std::string& name) { return std::filesystem::exists(name); }

// The lines of a trace file without their line ends. Every line must end in
// the platform's text-mode line end; a failure names the first that does not.
inline std::vector<std::string> readTraceLines(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  EXPECT_TRUE(in.good()) << "cannot open " << name;
  std::stringstream content;
  content << in.rdbuf();
  const std::string bytes = content.str();
  const std::string lineEnd = textFileLineEnd();
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < bytes.size()) {
    const std::size_t end = bytes.find(lineEnd, start);
    if (end == std::string::npos) {
      ADD_FAILURE() << "line " << lines.size() + 1 << " has no line end: " << bytes.substr(start);
      break;
    }
    std::string line = bytes.substr(start, end - start);
    EXPECT_EQ(line.find('\n'), std::string::npos) << "stray line feed in line " << lines.size() + 1;
    lines.push_back(std::move(line));
    start = end + lineEnd.size();
  }
  return lines;
}

// A trace line taken apart at its first three semicolons.
struct traceLineS {
  std::string counter;   // the counter's two parts side by side
  std::string time;      // hour:minute:second:milliseconds
  std::string threadId;
  std::string rest;      // text;number;kind text and extra
};

inline traceLineS splitTraceLine(const std::string& line) {
  traceLineS parts;
  std::string* fields[] = {&parts.counter, &parts.time, &parts.threadId};
  std::size_t start = 0;
  for (std::string* field : fields) {
    const std::size_t end = line.find(';', start);
    if (end == std::string::npos) {
      ADD_FAILURE() << "too few fields in: " << line;
      return parts;
    }
    *field = line.substr(start, end - start);
    start = end + 1;
  }
  parts.rest = line.substr(start);
  return parts;
}

// The rests of all lines of a trace file.
inline std::vector<std::string> traceRests(const std::string& name) {
  std::vector<std::string> rests;
  for (const std::string& line : readTraceLines(name)) rests.push_back(splitTraceLine(line).rest);
  return rests;
}

}  // namespace codetracktest

#endif
