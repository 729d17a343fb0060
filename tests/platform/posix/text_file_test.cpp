// A private text file in a shared directory: created 0600, and nothing that
// another user could have planted under its name is written through.
#include "platform/text_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

std::string contentOf(const fs::path& path) {
  std::stringstream content;
  content << std::ifstream(path, std::ios::binary).rdbuf();
  return content.str();
}

class PrivateTextFile : public ::testing::Test {
 protected:
  void SetUp() override {
    directory = fs::temp_directory_path() / ("zk-private-file-" + std::to_string(getpid()));
    fs::remove_all(directory);
    fs::create_directories(directory);
    name = directory / "trace.txt";
    target = directory / "target.txt";
    std::ofstream(target) << "target\n";
  }
  void TearDown() override { fs::remove_all(directory); }

  // Appends "line\n" through openPrivateTextFileForAppend; false when refused.
  bool append(const fs::path& path) {
    std::FILE* file = openPrivateTextFileForAppend(path.c_str());
    if (file == nullptr) return false;
    std::fputs("line\n", file);
    std::fclose(file);
    return true;
  }

  fs::path directory;
  fs::path name;    // the predictable name
  fs::path target;  // a file of ours that a planted name may lead to
};

TEST_F(PrivateTextFile, CreatedForTheOwnerAloneAndAppendedTo) {
  const mode_t previousMask = umask(0);
  const bool created = append(name);
  umask(previousMask);
  ASSERT_TRUE(created);
  struct stat status;
  ASSERT_EQ(0, stat(name.c_str(), &status));
  EXPECT_EQ(0600u, status.st_mode & 0777u) << "whatever the umask allows";
  ASSERT_TRUE(append(name));
  EXPECT_EQ("line\nline\n", contentOf(name));
}

// Each row plants something under the name (false: this user cannot).
TEST_F(PrivateTextFile, WhatOthersCouldPlantIsRefusedAndLeftAlone) {
  const struct {
    const char* label;
    bool (*plant)(const fs::path& name, const fs::path& target);
  } cases[] = {
      {"link to a file", [](const fs::path& n, const fs::path& t) { return symlink(t.c_str(), n.c_str()) == 0; }},
      {"dangling link",
       [](const fs::path& n, const fs::path& t) { return symlink((t.string() + ".new").c_str(), n.c_str()) == 0; }},
      {"second link", [](const fs::path& n, const fs::path& t) { return link(t.c_str(), n.c_str()) == 0; }},
      {"FIFO", [](const fs::path& n, const fs::path&) { return mkfifo(n.c_str(), 0666) == 0; }},
      {"directory", [](const fs::path& n, const fs::path&) { return mkdir(n.c_str(), 0777) == 0; }},
      {"another user's file",
       [](const fs::path& n, const fs::path&) {
         std::ofstream(n) << "theirs\n";
         return chown(n.c_str(), geteuid() + 1, static_cast<gid_t>(-1)) == 0;
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    fs::remove_all(name);
    if (!c.plant(name, target)) continue;
    EXPECT_FALSE(append(name));
    EXPECT_EQ("target\n", contentOf(target));
    EXPECT_FALSE(fs::exists(target.string() + ".new"));
  }
}

}  // namespace
