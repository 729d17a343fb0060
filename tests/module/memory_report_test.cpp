// The module file's memory tracking seen from a host: the leak report that
// the module delivers when it is unloaded.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "host/component_module.h"
#include "host/reference_engine.h"
#include "platform/process.h"
#include "platform/text_file.h"
#include "tests/support/environment_scope.h"

namespace {

namespace fs = std::filesystem;

std::string moduleFile() { return std::string("./") + ZK_TEST_MODULE_FILE; }

std::string fileText(const fs::path& path) {
  std::stringstream all;
  all << std::ifstream(path, std::ios::binary).rdbuf();
  return all.str();
}

// Loads, binds, unbinds and unloads the module once.
void loadUseAndUnload() {
  referenceEngineC engine;
  componentModuleC module;
  ASSERT_TRUE(module.load(moduleFile())) << module.error();
  ASSERT_TRUE(module.initialise(&engine));
  module.terminateAll();
  engine.releaseFactories();
  ASSERT_TRUE(module.unload());
}

// With leak tracking on, the unloading module appends its full report to the
// report file: nothing is left in its heap, so the summary has no kinds and
// the detail no blocks. A second load appends a second report.
TEST(ModuleMemoryReport, LeakReportAtUnloadIsAppendedToTheReportFile) {
  const fs::path path = fs::absolute("zk-leak-report.txt");
  fs::remove(path);
  {
    environmentScopeC environment;
    environment.set("ZKMEMTRACK_LEAK", "1");
    environment.set("ZKMEMTRACK_OUTPUT", path.string());
    loadUseAndUnload();
    loadUseAndUnload();
  }
  const std::string end = textFileLineEnd();
  const std::string process = "(Pid=" + std::to_string(processCurrentId()) + "," + ZK_TEST_MODULE_FILE + ")" + end;
  const std::string report = "ZKMEMTRACK Summary Report " + process + "Mgr Bytes : 0" + end + "OS  Bytes : 0" + end +
                             "ZKMEMTRACK Detail Memory Report " + process;
  EXPECT_EQ(report + report, fileText(path));
  fs::remove(path);
}

// A report file name of 128 characters or more is not cut to fit: the
// module uses no file at all (its reports go to the debugger output).
TEST(ModuleMemoryReport, OverlongReportFileNameIsNotUsed) {
  const fs::path directory = fs::absolute("zk-long-report-name");
  fs::remove_all(directory);
  fs::create_directories(directory);
  const std::string name = (directory / std::string(160, 'r')).string();
  ASSERT_GE(name.size(), 128u);
  {
    environmentScopeC environment;
    environment.set("ZKMEMTRACK_LEAK", "1");
    environment.set("ZKMEMTRACK_OUTPUT", name);
    loadUseAndUnload();
  }
  EXPECT_TRUE(fs::is_empty(directory)) << "no file named by a cut-off part of the value";
  fs::remove_all(directory);
}

}  // namespace
