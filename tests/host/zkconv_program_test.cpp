// The zkconv program seen from outside, as a child process: what it holds in
// memory on a large input, what it leaves behind, and how it ends when memory
// runs short.
#include <gtest/gtest.h>
#include <iconv.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/child_process.h"
#include "platform/environment.h"
#include "tests/support/hex_bytes.h"

namespace {

namespace fs = std::filesystem;

const std::string kProgram = std::string("./") + ZK_TEST_ZKCONV_FILE;

std::string readFile(const std::string& path) {
  std::ostringstream content;
  content << std::ifstream(path, std::ios::binary).rdbuf();
  return content.str();
}

std::string libraryConvert(const std::string& from, const std::string& to, const std::string& input) {
  iconv_t handle = iconv_open(to.c_str(), from.c_str());
  std::string output(input.size() * 4 + 16, '\0');
  const char* in = input.data();
  size_t inLeft = input.size();
  char* out = &output[0];
  size_t outLeft = output.size();
  iconv(handle, &in, &inLeft, &out, &outLeft);
  iconv_close(handle);
  output.resize(output.size() - outLeft);
  return output;
}

// Compares a child's output, piece by piece as it arrives, with an expected
// stream made of runs of zero bytes and literal texts.
class expectedStreamC {
 public:
  void zeros(uint64_t count) { segments.push_back({count, std::string()}); }
  void text(const std::string& bytes) { segments.push_back({0, bytes}); }

  static void take(void* context, const char* bytes, size_t count) {
    static_cast<expectedStreamC*>(context)->compare(bytes, count);
  }

  // Empty when everything matched and nothing is missing.
  std::string mismatch() const {
    if (!firstMismatch.empty()) return firstMismatch;
    return segment < segments.size() ? "output ends early, at byte " + std::to_string(position) : std::string();
  }

 private:
  struct segmentS {
    uint64_t zeroCount;  // a run of zero bytes, or
    std::string bytes;   // these bytes
  };

  void compare(const char* bytes, size_t count) {
    while (count > 0 && firstMismatch.empty()) {
      if (segment == segments.size()) {
        firstMismatch = "output goes on past the end, at byte " + std::to_string(position);
        return;
      }
      const segmentS& current = segments[segment];
      const uint64_t length = current.bytes.empty() ? current.zeroCount : current.bytes.size();
      const size_t span = static_cast<size_t>(std::min<uint64_t>(count, length - offset));
      for (size_t i = 0; i < span; ++i) {
        const char expected = current.bytes.empty() ? '\0' : current.bytes[static_cast<size_t>(offset) + i];
        if (bytes[i] != expected) {
          firstMismatch = "byte " + std::to_string(position + i) + " is " + hexBytes(std::string(1, bytes[i])) +
                          ", expected " + hexBytes(std::string(1, expected));
          return;
        }
      }
      bytes += span;
      count -= span;
      position += span;
      offset += span;
      if (offset == length) {
        ++segment;
        offset = 0;
      }
    }
  }

  std::vector<segmentS> segments;
  size_t segment = 0;
  uint64_t offset = 0;    // within the current segment
  uint64_t position = 0;  // within the whole output
  std::string firstMismatch;
};

void ignoreOutput(void*, const char*, size_t) {}

#ifdef ZK_TEST_SANITIZED
// The sanitizers' shadow memory and quarantine say nothing about zkconv's own
// bound, and they run many times slower.
constexpr uint64_t kLargeInputBytes = uint64_t{64} << 20;
constexpr bool kMeasureMemory = false;
#else
constexpr uint64_t kLargeInputBytes = uint64_t{1} << 30;
constexpr bool kMeasureMemory = true;
#endif
constexpr uint64_t kMemoryBound = uint64_t{64} << 20;

// A large input converts with the resident set under a fixed bound, and its
// output is the concatenation of the conversions of its parts. The input is
// a sparse file: runs of zero bytes (one character each, U+0000) with
// islands of text placed across the points where zkconv reads and cuts.
TEST(ZkconvProgram, LargeInputStreamsInBoundedMemory) {
  if (getRuntimeEnvironmentVariable("ZK_TEST_LARGE_INPUT") == nullptr) GTEST_SKIP() << "runs as host.large-input";
  const std::string path = "zkconv-large.in";
  const std::string island = [] {
    std::string text;
    for (int i = 0; i < 3000; ++i)
      text +=
          "Gr\xc3\xbc\xc3\x9f"
          "e, caf\xc3\xa9 \xc2\xbd line " +
          std::to_string(i) + "\n";
    text += std::string(70000, 'x') + "\xc3\xa9";  // a line longer than a read
    return text;
  }();
  const std::string converted = libraryConvert("UTF-8", "ISO-8859-1", island);
  expectedStreamC expected;
  {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    uint64_t written = 0;
    for (uint64_t start = 12345; start + island.size() < kLargeInputBytes - 1; start += (uint64_t{96} << 20) + 777) {
      file.seekp(static_cast<std::streamoff>(start));
      file.write(island.data(), static_cast<std::streamsize>(island.size()));
      expected.zeros(start - written);
      expected.text(converted);
      written = start + island.size();
    }
    file.seekp(static_cast<std::streamoff>(kLargeInputBytes - 1));
    file.put('\n');
    expected.zeros(kLargeInputBytes - 1 - written);
    expected.text("\n");
    ASSERT_TRUE(file.good());
  }
  const char* arguments[] = {kProgram.c_str(), "-f", "UTF-8", "-t", "ISO-8859-1", path.c_str(), nullptr};
  childResultS result{};
  ASSERT_TRUE(runChildProcess({arguments, nullptr, "zkconv-large.err", 0, expectedStreamC::take, &expected}, &result));
  fs::remove(path);
  EXPECT_EQ(0, result.exitStatus) << readFile("zkconv-large.err");
  EXPECT_EQ("", expected.mismatch());
  if (kMeasureMemory) {
    EXPECT_GT(kMemoryBound, result.peakMemoryBytes) << "peak resident set " << (result.peakMemoryBytes >> 20) << " MiB";
  }
  RecordProperty("peak_resident_kib", std::to_string(result.peakMemoryBytes >> 10));
  fs::remove("zkconv-large.err");
}

// Sets environment variables for one test and puts the old values back.
class environmentScopeC {
 public:
  void set(const char* name, const std::string& value) {
    const char* old = getRuntimeEnvironmentVariable(name);
    saved.push_back({name, old != nullptr, old != nullptr ? old : ""});
    setRuntimeEnvironmentVariable(name, value.c_str());
  }
  ~environmentScopeC() {
    for (auto it = saved.rbegin(); it != saved.rend(); ++it) {
      if (it->existed) {
        setRuntimeEnvironmentVariable(it->name, it->value.c_str());
      } else {
        unsetRuntimeEnvironmentVariable(it->name);
      }
    }
  }

 private:
  struct savedS {
    const char* name;
    bool existed;
    std::string value;
  };
  std::vector<savedS> saved;
};

// With code tracking switched on, the module writes its trace file; the
// program itself carries none of the module's code tracking.
TEST(ZkconvProgram, LeavesNoTraceFileOfItsOwn) {
  const fs::path directory = fs::absolute("zkconv-trace");
  fs::remove_all(directory);
  fs::create_directory(directory);
  {
    environmentScopeC environment;
    environment.set("ZKCODETRACK", "1");
    for (const char* name : {"temp", "tmp", "TEMP", "TMP"}) environment.set(name, directory.string());
    std::ofstream("zkconv-trace.in") << "caf\xc3\xa9\n";
    const char* arguments[] = {kProgram.c_str(), "-f", "UTF-8", "-t", "HTML", "zkconv-trace.in", nullptr};
    childResultS result{};
    ASSERT_TRUE(runChildProcess({arguments, nullptr, nullptr, 0, ignoreOutput, nullptr}, &result));
    EXPECT_EQ(0, result.exitStatus);
  }
  std::vector<std::string> traces;
  for (const auto& entry : fs::directory_iterator(directory)) traces.push_back(entry.path().filename().string());
  fs::remove_all(directory);
  fs::remove("zkconv-trace.in");
  ASSERT_FALSE(traces.empty()) << "the module writes its trace";
  for (const std::string& name : traces) {
    EXPECT_EQ(std::string::npos, name.find("zkconv")) << name;
    EXPECT_NE(std::string::npos, name.find("zkcomiconvdll")) << name;
  }
}

#ifndef ZK_TEST_SANITIZED
// Under a memory limit that leaves zkconv too little for its buffers, it
// says so in one line and exits 1 instead of crashing. Where the system does
// not enforce the limit (zkconv runs in less than any real program needs),
// the test does not apply.
TEST(ZkconvProgram, SaysOutOfMemoryWhenMemoryRunsShort) {
  std::ofstream("zkconv-memory.in") << "caf\xc3\xa9\n";
  auto runLimited = [&](uint64_t limit, const char* to) {
    const char* arguments[] = {kProgram.c_str(), "-f", "UTF-8", "-t", to, "zkconv-memory.in", nullptr};
    childResultS result{};
    EXPECT_TRUE(runChildProcess({arguments, nullptr, "zkconv-memory.err", limit, ignoreOutput, nullptr}, &result));
    return result.exitStatus;
  };
  // The smallest limit, in steps of 4 MiB, under which zkconv loads the
  // module and converts into UTF-8; into HTML its buffers take tens of MiB
  // more.
  const uint64_t step = uint64_t{4} << 20;
  uint64_t limit = 2 * step;
  if (runLimited(limit, "UTF-8") == 0) {
    fs::remove("zkconv-memory.in");
    GTEST_SKIP() << "memory limits are not enforced here";
  }
  while (limit < (uint64_t{512} << 20) && runLimited(limit, "UTF-8") != 0) limit += step;
  ASSERT_LT(limit, uint64_t{512} << 20) << readFile("zkconv-memory.err");
  EXPECT_EQ(1, runLimited(limit + 2 * step, "HTML"));
  EXPECT_EQ("zkconv: out of memory\n", readFile("zkconv-memory.err"));
  fs::remove("zkconv-memory.in");
  fs::remove("zkconv-memory.err");
}
#endif

}  // namespace
