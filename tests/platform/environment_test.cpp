// The runtime environment seam and text files opened for appending.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/environment.h"
#include "platform/text_file.h"

namespace {

TEST(RuntimeEnvironment, SetReadAndUnset) {
  const char* const variable = "ZKTEST_ENVIRONMENT_SEAM";
  ASSERT_TRUE(unsetRuntimeEnvironmentVariable(variable));
  EXPECT_EQ(getRuntimeEnvironmentVariable(variable), nullptr);
  for (const char* value : {"value 1", "2"}) {
    ASSERT_TRUE(setRuntimeEnvironmentVariable(variable, value));
    EXPECT_STREQ(getRuntimeEnvironmentVariable(variable), value);
  }
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
  const std::string content{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  in.close();
  EXPECT_EQ(content, std::string("one") + textFileLineEnd() + "two" + textFileLineEnd());
  fs::remove(name, ignored);
  EXPECT_EQ(openTextFileForAppend((fs::temp_directory_path() / "zktest-no-such-dir" / "x.txt").string().c_str()),
            nullptr)
      << "a missing directory";
}

}  // namespace
