// The entry points' code-track frames reach the trace file when the module
// unloads, named after the loading thread and the module file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "host/component_module.h"
#include "host/reference_engine.h"
#include "platform/environment.h"

namespace {

// Sets the variables the trace depends on for one test and restores them.
class traceEnvironmentC {
 public:
  explicit traceEnvironmentC(const std::string& directory) {
    for (const char* name : {"temp", "tmp", "TEMP", "TMP", "ZKCODETRACK", "ZKCODETRACK_FLUSH"}) {
      const char* value = getRuntimeEnvironmentVariable(name);
      saved.emplace_back(name, value != nullptr ? std::make_unique<std::string>(value) : nullptr);
      unsetRuntimeEnvironmentVariable(name);
    }
    setRuntimeEnvironmentVariable("temp", directory.c_str());
    setRuntimeEnvironmentVariable("ZKCODETRACK", "1");
  }
  ~traceEnvironmentC() {
    for (const auto& variable : saved) {
      if (variable.second != nullptr) {
        setRuntimeEnvironmentVariable(variable.first.c_str(), variable.second->c_str());
      } else {
        unsetRuntimeEnvironmentVariable(variable.first.c_str());
      }
    }
  }

 private:
  std::vector<std::pair<std::string, std::unique_ptr<std::string>>> saved;
};

TEST(ModuleCodeTrack, EntryPointFramesAreWrittenAtUnload) {
  namespace fs = std::filesystem;
  const fs::path directory = fs::absolute("zkct-module-test");
  fs::remove_all(directory);
  fs::create_directories(directory);
  {
    traceEnvironmentC environment(directory.string() + "/");
    referenceEngineC engine;
    componentModuleC module;
    ASSERT_TRUE(module.load(std::string("./") + ZK_TEST_MODULE_FILE)) << module.error();
    ASSERT_TRUE(module.initialise(&engine));
    ASSERT_TRUE(module.terminate());
    engine.releaseFactories();
    ASSERT_TRUE(module.unload());
  }
  std::vector<fs::path> traces;
  for (const fs::directory_entry& entry : fs::directory_iterator(directory)) traces.push_back(entry.path());
  ASSERT_EQ(1u, traces.size()) << "one trace file, written when the module unloaded";
  const std::string name = traces[0].filename().string();
  const std::string suffix = std::string(".") + ZK_TEST_MODULE_FILE + ".txt";
  EXPECT_EQ(0u, name.find("codetrack.")) << name;
  ASSERT_GT(name.size(), suffix.size());
  EXPECT_EQ(suffix, name.substr(name.size() - suffix.size())) << name;

  std::ifstream file(traces[0], std::ios::binary);
  std::stringstream content;
  content << file.rdbuf();
  const std::string text = content.str();
  // The four frame records, in the order they were made.
  size_t from = 0;
  for (const char* marker : {"zkcomremote;141;Frame Enter(raVodInitRemote)",
                             "zkcomremote;141;Frame Leave(raVodInitRemote)",
                             "zkcomremote;100;Frame Enter(raVodTerminate)",
                             "zkcomremote;100;Frame Leave(raVodTerminate)"}) {
    const size_t at = text.find(marker, from);
    ASSERT_NE(std::string::npos, at) << marker << " after byte " << from << " of\n" << text;
    from = at + 1;
  }
  file.close();
  fs::remove_all(directory);
}

}  // namespace
