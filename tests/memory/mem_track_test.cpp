// The public entry points on the program's own heap, locally and in chain
// mode, where this program's member is the whole chain.
#include "memory/mem_track.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "memory/mgr_chain.h"
#include "memory/module_heap.h"
#include "platform/module_file.h"
#include "tests/support/module_copies.h"

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

// With two copies of the module file loaded, this program heads the chain:
// a chain-mode report covers every module's heap, once each under its own
// file name, the peaks are summed, and every report slot leaves the output
// function of its module at the default.
TEST_F(MemTrack, ChainModeCoversEveryModuleOfTheProcess) {
  moduleCopiesC copies("zkchain-memory-test", "zkmember-", {"a", "b"});
  copies.load(0);
  copies.load(1);
  dynMgrChainS* own = memTrackChainMember();
  ASSERT_EQ(own, own->head);
  std::vector<dynMgrChainS*> members;
  for (dynMgrChainS* member = own; member != nullptr; member = member->next) members.push_back(member);
  ASSERT_EQ(3u, members.size());

  memTrackSetFlags(memTrackFlags | memTrackFlagChain);
  memTrackTextC text;
  memTrackReportToText(text);
  const std::string report = text.text();
  std::vector<std::string> names;
  const std::string title = "ZKMEMTRACK Summary Report (Pid=";
  for (std::size_t at = report.find(title); at != std::string::npos; at = report.find(title, at + 1)) {
    const std::size_t comma = report.find(',', at), close = report.find(")\n", at);
    names.push_back(report.substr(comma + 1, close - comma - 1));
  }
  EXPECT_EQ((std::vector<std::string>{ownModuleName(), copies.file(1), copies.file(0)}), names) << report;

  std::uint64_t bytes = 0, osBytes = 0, pageBytes = 0;
  for (dynMgrChainS* member : members) {
    bytes += member->peakBytes();
    osBytes += member->peakOsBytes();
    pageBytes += member->peakPageBytes();
  }
  EXPECT_EQ(bytes, memTrackPeakBytes());
  EXPECT_EQ(osBytes, memTrackPeakOsBytes());
  EXPECT_EQ(pageBytes, memTrackPeakPageBytes());

  memTrackSetFlags(memTrackFlags & ~memTrackFlagChain);
  const struct slotS {
    const char* name;
    void (*call)(dynMgrChainS*);
  } slots[] = {
      {"summaryReport", [](dynMgrChainS* m) { m->summaryReport(&capture); }},
      {"memoryCheck", [](dynMgrChainS* m) { m->memoryCheck(&capture); }},
      {"compareSnapshot", [](dynMgrChainS* m) { m->compareSnapshot(&capture); }},
      {"inspectAddress", [](dynMgrChainS* m) { m->inspectAddress(&capture, &captured); }},
  };
  for (const slotS& slot : slots) {
    SCOPED_TRACE(slot.name);
    captured.clear();
    memTrackSetOutput(&capture);
    slot.call(own);
    EXPECT_EQ(memTrackDefaultOutput(), memTrackGetOutput());
    EXPECT_EQ(0u, captured.find("ZKMEMTRACK ")) << "delivered through the function passed in";
  }
}

}  // namespace
