// Module lookup: the test program's own file name (the runtime is linked
// into it statically), the strict image bounds, and the decimal fallback.
#include "platform/module_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "platform/process.h"

namespace {

const void* codeOfThisProgram() { return reinterpret_cast<const void*>(&codeOfThisProgram); }

std::string decimalLow32(const void* address) {
  char text[16];
  std::snprintf(text, sizeof text, "%d",
                static_cast<int>(static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(address))));
  return text;
}

}  // namespace

TEST(ModuleFile, OwnModuleNameIsTheTestProgram) {
  const std::string name = ownModuleName();
  EXPECT_TRUE(name == "test_platform" || name == "test_platform.exe") << "name: " << name;
  const std::string path = ownModulePath();
  ASSERT_GT(path.size(), name.size());
  EXPECT_EQ(path.substr(path.size() - name.size()), name) << "path: " << path;
  EXPECT_TRUE(isModuleDirectorySeparator(path[path.size() - name.size() - 1])) << "path: " << path;
  // Computed once: later calls answer the same static text.
  EXPECT_EQ(ownModuleName(), ownModuleName());
  EXPECT_EQ(ownModulePath(), ownModulePath());
}

TEST(ModuleFile, FindsTheModuleHoldingAnAddress) {
  char buffer[1024] = "untouched";
  ASSERT_TRUE(findModuleFileName(processCurrentId(), codeOfThisProgram(), buffer, sizeof buffer));
  EXPECT_STREQ(buffer, ownModulePath());

  // A small buffer takes the truncated path.
  char small[6];
  ASSERT_TRUE(findModuleFileName(processCurrentId(), codeOfThisProgram(), small, sizeof small));
  EXPECT_EQ(std::string(small), std::string(ownModulePath()).substr(0, 5));
}

TEST(ModuleFile, ImageBoundsAreExcluded) {
  std::uintptr_t base = 0;
  std::uintptr_t end = 0;
  ASSERT_TRUE(findModuleImageRange(codeOfThisProgram(), base, end));
  ASSERT_LT(base, end);
  struct rowS {
    const char* what;
    std::uintptr_t address;
    bool found;
  } rows[] = {
      {"base", base, false},
      {"base + 1", base + 1, true},
      {"end - 1", end - 1, true},
  };
  for (const rowS& row : rows) {
    SCOPED_TRACE(row.what);
    char buffer[1024] = "untouched";
    EXPECT_EQ(findModuleFileName(processCurrentId(), reinterpret_cast<const void*>(row.address), buffer, sizeof buffer),
              row.found);
    if (row.found)
      EXPECT_STREQ(buffer, ownModulePath());
    else
      EXPECT_STREQ(buffer, "untouched");
  }
}

TEST(ModuleFile, FailuresLeaveTheBufferUntouched) {
  char buffer[64] = "untouched";
  EXPECT_FALSE(findModuleFileName(processCurrentId(), nullptr, buffer, sizeof buffer));
  EXPECT_STREQ(buffer, "untouched");
  EXPECT_FALSE(findModuleFileName(0x7FFFFFF0u, codeOfThisProgram(), buffer, sizeof buffer));
  EXPECT_STREQ(buffer, "untouched");
  EXPECT_FALSE(findModuleFileName(processCurrentId(), codeOfThisProgram(), buffer, 0));
  EXPECT_STREQ(buffer, "untouched");
}

TEST(ModuleFile, AddressOutsideEveryModuleDescribedInDecimal) {
  // Heap memory lies in no module's image.
  std::unique_ptr<int> heapObject(new int(0));
  char buffer[1024];
  describeModuleAt(heapObject.get(), true, buffer, sizeof buffer);
  EXPECT_EQ(std::string(buffer), decimalLow32(heapObject.get()));

  describeModuleAt(codeOfThisProgram(), true, buffer, sizeof buffer);
  EXPECT_STREQ(buffer, ownModuleName());
  describeModuleAt(codeOfThisProgram(), false, buffer, sizeof buffer);
  EXPECT_STREQ(buffer, ownModulePath());
}
