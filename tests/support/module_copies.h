// moduleCopiesC: the built module file copied under several names into a
// directory of its own and loaded side by side, so that one process holds
// several framework modules, each with its own statics. Everything still
// loaded is unloaded, and the directory removed, at the end.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/module_loader.h"

class moduleCopiesC {
 public:
  // Copies ZK_TEST_MODULE_FILE (in the working directory) to
  // <directory>/<prefix><name>.so|.dll for each name.
  moduleCopiesC(const std::string& directory, const std::string& prefix, const std::vector<std::string>& names)
      : folder(std::filesystem::absolute(directory)) {
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    for (const std::string& name : names) {
      files.push_back(prefix + name + moduleFileSuffix());
      std::filesystem::copy_file(ZK_TEST_MODULE_FILE, folder / files.back());
      handles.push_back(nullptr);
    }
  }
  ~moduleCopiesC() {
    for (std::size_t i = 0; i < handles.size(); ++i) unload(i);
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
  }
  moduleCopiesC(const moduleCopiesC&) = delete;
  moduleCopiesC& operator=(const moduleCopiesC&) = delete;

  void load(std::size_t i) {
    ASSERT_EQ(nullptr, handles[i]) << files[i] << " is loaded already";
    handles[i] = moduleOpen((folder / files[i]).string().c_str());
    ASSERT_NE(nullptr, handles[i]) << files[i];
  }
  void unload(std::size_t i) {
    if (handles[i] != nullptr) {
      EXPECT_TRUE(moduleClose(handles[i])) << files[i];
    }
    handles[i] = nullptr;
  }
  // The handle of copy i, null while it is not loaded.
  loadedModuleS* handle(std::size_t i) const { return handles[i]; }
  // The file name of copy i, without directory.
  const std::string& file(std::size_t i) const { return files[i]; }

 private:
  std::filesystem::path folder;
  std::vector<std::string> files;
  std::vector<loadedModuleS*> handles;
};
