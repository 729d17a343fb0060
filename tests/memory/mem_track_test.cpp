// The public entry points on the program's own heap, locally and in chain
// mode, where this program's member is the whole chain.
#include "memory/mem_track.h"

#include <gtest/gtest.h>

#include <string>

#include "memory/mgr_chain.h"
#include "memory/module_heap.h"
#include "platform/module_file.h"

namespace {

std::string captured;
void capture(const char* text) { captured += text; }

// Restores the switches and the output function after each test.
class MemTrack : public ::testing::Test {
 protected:
  MemTrack() : savedFlags(memTrackSetFlags(memTrackFlags & ~memTrackFlagChain)) {}
  ~MemTrack() override {
    memTrackSetFlags(savedFlags);
    memTrackResetOutput();
  }
  std::uint32_t savedFlags;
};

// Every entry point reports locally and through the chain; the member's
// report resets the output function to the default, the local report leaves
// it as it is.
TEST_F(MemTrack, EntryPointsLocallyAndThroughTheChain) {
  ASSERT_NE(nullptr, memTrackChainMember());
  ASSERT_EQ(memTrackChainMember(), memTrackChainMember()->head) << "this program's member is its own head";
  const std::string name = ownModuleName();
  const struct rowS {
    const char* what;
    void (*deliver)();
    void (*toText)(memTrackTextC&);
    const char* start;
  } rows[] = {
      {"summary", &memTrackReport, &memTrackReportToText, "ZKMEMTRACK Summary Report (Pid="},
      {"check", &memTrackCheck, &memTrackCheckToText, "ZKMEMTRACK Memory Check (Pid="},
      {"compare", &memTrackCompare, &memTrackCompareToText, "ZKMEMTRACK Compare Snap ("},
  };
  memTrackSnapshot();
  for (const rowS& row : rows) {
    SCOPED_TRACE(row.what);
    for (bool chain : {false, true}) {
      SCOPED_TRACE(chain ? "chain mode" : "local");
      memTrackSetFlags(chain ? memTrackFlags | memTrackFlagChain : memTrackFlags & ~memTrackFlagChain);
      captured.clear();
      memTrackSetOutput(&capture);
      row.deliver();
      EXPECT_EQ(0u, captured.find(row.start)) << captured;
      EXPECT_NE(std::string::npos, captured.find(name)) << captured;
      EXPECT_EQ(chain ? memTrackDefaultOutput() : &capture, memTrackGetOutput());
      memTrackSetOutput(&capture);
      memTrackTextC text;
      row.toText(text);
      EXPECT_EQ(0u, std::string(text.text()).find(row.start)) << text.text();
      EXPECT_EQ(chain ? memTrackDefaultOutput() : &capture, memTrackGetOutput());
    }
  }
  memTrackSetFlags(memTrackFlags | memTrackFlagChain);
  captured.clear();
  memTrackSetOutput(&capture);
  memTrackInspect(&captured);
  EXPECT_EQ(0u, captured.find("ZKMEMTRACK Inspect Addr ")) << captured;
  EXPECT_NE(std::string::npos, captured.find("Not in Mgr found!\ncan not eval!\n")) << captured;
}

TEST_F(MemTrack, PeaksAndFlags) {
  const std::uint64_t os = memTrackPeakOsBytes(), pages = memTrackPeakPageBytes();
  EXPECT_EQ(modulePool().peakOsBytes, os);
  EXPECT_EQ(modulePool().peakPageCount * 10000, pages);
  EXPECT_EQ(os + pages, memTrackPeakBytes());
  const std::uint32_t before = memTrackFlags;
  EXPECT_EQ(before, memTrackSetFlags(before | memTrackFlagChain));
  EXPECT_EQ(os, memTrackPeakOsBytes());
  EXPECT_EQ(pages, memTrackPeakPageBytes());
  EXPECT_EQ(os + pages, memTrackPeakBytes());
}

}  // namespace
