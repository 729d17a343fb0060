// The runtime environment seam and text files opened for appending.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/environment.h"
#include "platform/text_file.h"

namespace {

const char* const variable = "ZKTEST_ENVIRONMENT_SEAM";

TEST(RuntimeEnvironment, SetReadAndUnset) {
  ASSERT_TRUE(unsetRuntimeEnvironmentVariable(variable));
  EXPECT_EQ(getRuntimeEnvironmentVariable(variable), nullptr);
  ASSERT_TRUE(setRuntimeEnvironmentVariable(variable, "value 1"));
  ASSERT_NE(getRuntimeEnvironmentVariable(variable), nullptr);
  EXPECT_STREQ(getRuntimeEnvironmentVariable(variable), "value 1");
  ASSERT_TRUE(setRuntimeEnvironmentVariable(variable, "2"));
  EXPECT_STREQ(getRuntimeEnvironmentVariable(variable), "2");
  ASSERT_TRUE(unsetRuntimeEnvironmentVariable(variable));
  EXPECT_EQ(getRuntimeEnvironmentVariable(variable), nullptr);
  EXPECT_TRUE(unsetRuntimeEnvironmentVariable(variable)) << "removing a missing variable succeeds";
}

TEST(TextFile, AppendsWithThePlatformsLineEnd) {
  namespace fs = std::filesystem;
  const fs::path name = fs::temp_directory_path() / "zktest-text-file-append.txt";
  std::error_code ignored;
  fs::remove(name, ignored);

  for (const char* line : {"one\n", "two\n"}) {
    std::FILE* file = openTextFileForAppend(name.string().c_str());
    ASSERT_NE(file, nullptr);
    std::fputs(line, file);
    std::fclose(file);
  }
  std::ifstream in(name, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  in.close();
  const std::string lineEnd = textFileLineEnd();
  EXPECT_EQ(content.str(), "one" + lineEnd + "two" + lineEnd);
  fs::remove(name, ignored);
}

TEST(TextFile, MissingDirectoryGivesNull) {
  const std::filesystem::path name = std::filesystem::temp_directory_path() / "zktest-no-such-dir" / "x.txt";
  std::FILE* file = openTextFileForAppend(name.string().c_str());
  EXPECT_EQ(file, nullptr);
  if (file != nullptr) std::fclose(file);
}

}  // namespace
