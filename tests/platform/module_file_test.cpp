// Module lookup: the test program's own file name (the runtime is linked
// into it statically) and the strict image bounds.
#include "platform/module_file.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/process.h"

namespace {

const void* codeOfThisProgram() { return reinterpret_cast<const void*>(&codeOfThisProgram); }

TEST(ModuleFile, OwnModuleNameIsTheTestProgram) {
  const std::string name = ownModuleName();
  EXPECT_TRUE(name == "test_platform" || name == "test_platform.exe") << "name: " << name;
  const std::string path = ownModulePath();
  ASSERT_GT(path.size(), name.size());
  EXPECT_EQ(path.substr(path.size() - name.size()), name) << "path: " << path;
  EXPECT_TRUE(isModuleDirectorySeparator(path[path.size() - name.size() - 1])) << "path: " << path;
}

// The image's first byte counts as outside it, its last one inside; failures
// leave the buffer untouched; a small buffer takes the truncated path.
TEST(ModuleFile, FindsTheModuleHoldingAnAddress) {
  std::uintptr_t base = 0;
  std::uintptr_t end = 0;
  ASSERT_TRUE(findModuleImageRange(codeOfThisProgram(), base, end));
  ASSERT_LT(base, end);
  const std::string path = ownModulePath();
  const struct rowS {
    const char* what;
    std::uint32_t process;
    const void* address;
    std::size_t bufferSize;
    std::string expected;  // "untouched": not found
  } rows[] = {
      {"code of this program", processCurrentId(), codeOfThisProgram(), 1024, path},
      {"buffer of 6", processCurrentId(), codeOfThisProgram(), 6, path.substr(0, 5)},
      {"base", processCurrentId(), reinterpret_cast<const void*>(base), 1024, "untouched"},
      {"base + 1", processCurrentId(), reinterpret_cast<const void*>(base + 1), 1024, path},
      {"end - 1", processCurrentId(), reinterpret_cast<const void*>(end - 1), 1024, path},
      {"null address", processCurrentId(), nullptr, 1024, "untouched"},
      {"no such process", 0x7FFFFFF0u, codeOfThisProgram(), 1024, "untouched"},
      {"empty buffer", processCurrentId(), codeOfThisProgram(), 0, "untouched"},
  };
  for (const rowS& row : rows) {
    SCOPED_TRACE(row.what);
    char buffer[1024] = "untouched";
    EXPECT_EQ(findModuleFileName(row.process, row.address, buffer, row.bufferSize), row.expected != "untouched");
    EXPECT_EQ(std::string(buffer), row.expected);
  }
}

}  // namespace
