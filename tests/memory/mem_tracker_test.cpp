// The memory reports on private heaps: summary, detail, snapshot and
// comparison, memory check, inspection, and that no report changes the pages
// it describes.
#include "memory/mem_tracker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "memory/mem_block_iterator.h"
#include "memory/pool_poison.h"
#include "platform/module_file.h"
#include "platform/process.h"

namespace {

std::string pointerText(const void* p) { return memTrackPointerText(p).text; }

// "Mem ..., Cnt ..., Name unk (size) (0x<user> + 0x<offset>)\n"
std::string blockLine(std::uint64_t size, std::uint64_t count, const void* user, std::uint64_t offset = 0) {
  char line[160];
  std::snprintf(line, sizeof line, "Mem %6llu, Cnt %6llu, Name unk (%llu) (0x%s + 0x%04llx)\n",
                static_cast<unsigned long long>(size * count), static_cast<unsigned long long>(count),
                static_cast<unsigned long long>(size), pointerText(user).c_str(),
                static_cast<unsigned long long>(offset));
  return line;
}

// "Id %6d," or "Parent %6d,"
std::string field(const char* name, std::uint64_t value) {
  char text[32];
  std::snprintf(text, sizeof text, "%s %6llu,", name, static_cast<unsigned long long>(value));
  return text;
}

std::string title(const char* name) {
  return "ZKMEMTRACK " + std::string(name) + " (Pid=" + std::to_string(processCurrentId()) + "," + ownModuleName() +
         ")\n";
}

// A private heap with its own statistics tables.
class MemTracker : public ::testing::TestWithParam<std::uint64_t> {
 protected:
  MemTracker() : pool(&lock, GetParam()) {}
  ~MemTracker() override {
    for (void* p : blocks) pool.deallocate(p);
    const char* fault = nullptr;
    EXPECT_EQ(0u, pool.validate(&fault)) << (fault ? fault : "");
  }

  // A zero-filled block, freed at the end of the test.
  void* take(std::uint64_t size) {
    blocks.push_back(pool.allocate(size));
    std::memset(blocks.back(), 0, size);
    return blocks.back();
  }
  // The walk's ordinal of a pool block: its Id in the reports.
  std::uint64_t ordinalOf(void* p) {
    memBlockIteratorS walk(pool);
    while (walk.next())
      if (walk.block == pool.headerOf(p)) return walk.ordinal;
    return 0;
  }
  void give(void* p) {
    for (auto& kept : blocks)
      if (kept == p) kept = nullptr;
    pool.deallocate(p);
  }
  template <class buildT>
  std::string run(buildT build) {
    memTrackTextC text(pool);
    build(text);
    return text.text();
  }
  std::string summary() {
    return run([this](memTrackTextC& t) { tracker.summaryReport(t); });
  }
  std::string compare() {
    return run([this](memTrackTextC& t) { tracker.compareSnapshot(t); });
  }
  std::string check() {
    return run([this](memTrackTextC& t) { tracker.memoryCheck(t); });
  }
  std::string inspect(const void* address) {
    return run([&](memTrackTextC& t) { tracker.inspectAddress(t, address); });
  }
  memBlockHeaderS* header(void* p) { return pool.headerOf(p); }

  lockC lock;
  memPoolC pool;
  std::unique_ptr<memStatTableS> snapshotTable = std::make_unique<memStatTableS>();
  std::unique_ptr<memStatTableS> currentTable = std::make_unique<memStatTableS>();
  memTrackerC tracker{pool, *snapshotTable, *currentTable};
  std::vector<void*> blocks;
};

// Both header sizes: location tracking only reserves room, nothing is printed.
INSTANTIATE_TEST_SUITE_P(HeaderSizes, MemTracker,
                         ::testing::Values(memBlockHeaderSizePlain, memBlockHeaderSizeWithLocation));

// Kinds in walk order (class 2 before class 3, lower slots first); the OS
// block only in the OS bytes; the detail lists every pool block with its Id
// and its parent.
TEST_P(MemTracker, SummaryAndDetail) {
  void* first24 = take(24);
  void* second24 = take(24);  // the slot below first24: met first
  void* ten = take(10);
  take(5000);
  std::memcpy(static_cast<char*>(second24) + 8, &ten, sizeof ten);
  EXPECT_EQ(title("Summary Report") + blockLine(10, 1, ten) + blockLine(24, 2, second24) +
                "Mgr Bytes : 58\nOS  Bytes : 5000\n",
            summary());

  const std::uint64_t tenId = ordinalOf(ten), secondId = ordinalOf(second24), firstId = ordinalOf(first24);
  EXPECT_EQ(title("Detail Memory Report") + field("Id", tenId) + field("Parent", secondId) + blockLine(10, 1, ten) +
                field("Id", secondId) + blockLine(24, 1, second24) + field("Id", firstId) + blockLine(24, 1, first24),
            run([this](memTrackTextC& t) { tracker.detailReport(t); }));
  EXPECT_EQ(firstId, secondId + 1);
}

// Every report runs with poolsDisabled set: its own text and sets become OS
// blocks, so the pages, their free lists and the counters are unchanged, and
// the previous poolsDisabled value comes back.
TEST_P(MemTracker, ReportsLeaveThePagesAsTheyWere) {
  void* holder = take(24);
  void* child = take(40);
  std::memcpy(holder, &child, sizeof child);
  take(3000);
  const auto state = [this] {
    std::vector<std::uintptr_t> words{pool.pageCount, pool.outstanding, pool.osBytes,
                                      reinterpret_cast<std::uintptr_t>(pool.fullPageList)};
    for (memPageS* head : pool.sizeClassTable)
      for (memPageS* page = head; page != nullptr; page = page->next)
        words.insert(words.end(), {reinterpret_cast<std::uintptr_t>(page), page->used,
                                   reinterpret_cast<std::uintptr_t>(page->freeHead)});
    return words;
  };
  for (std::uint32_t disabled : {0u, 1u}) {
    SCOPED_TRACE("poolsDisabled before: " + std::to_string(disabled));
    pool.poolsDisabled = disabled;
    const std::vector<std::uintptr_t> before = state();
    std::string all = summary() + compare() + check() + inspect(holder);
    all += run([this](memTrackTextC& t) { tracker.detailReport(t); });
    tracker.takeSnapshot();
    EXPECT_EQ(before, state());
    EXPECT_EQ(disabled, pool.poolsDisabled);
    EXPECT_NE(std::string::npos, all.find("all Childs:\n" + field("Id", 0) + blockLine(40, 1, child))) << all;
  }
  pool.poolsDisabled = 0;
}

// Snapshot, then changes: a kind that grew, one that vanished, one that is
// new. Kinds matched once stay matched until the next snapshot.
TEST_P(MemTracker, SnapshotAndComparison) {
  const std::string header = "ZKMEMTRACK Compare Snap (" + std::string(ownModuleName()) + ")\n";
  take(24);
  take(24);
  void* ten = take(10);
  tracker.takeSnapshot();
  EXPECT_EQ(header, compare()) << "nothing changed";
  give(ten);
  EXPECT_EQ(header, compare()) << "the 10-byte kind was matched by the comparison before";

  tracker.takeSnapshot();
  void* ten2 = take(10);
  EXPECT_EQ(header + "Mem     10, Befor=  0, After=  1,Diff=  1, Name unk (10)\n", compare());
  tracker.takeSnapshot();
  take(24);
  give(ten2);
  take(40);
  EXPECT_EQ(header +
                "Mem     24, Befor=  2, After=  3,Diff=  1, Name unk (24)\n"   // grown
                "Mem     10, Befor=  1, After=  0,Diff= -1, Name unk (10)\n"   // vanished
                "Mem     40, Befor=  0, After=  1,Diff=  1, Name unk (40)\n",  // new
            compare());
}

// Each corruption is one line of the check; the heap is repaired afterwards.
TEST_P(MemTracker, MemoryCheckReportsCorruptedBlocksAndPages) {
  void* ten = take(10);
  void* twenty = take(20);
  take(10);
  void* freed = take(10);
  give(freed);
  memPageS* page = reinterpret_cast<memPageS*>(static_cast<std::uintptr_t>(header(ten)->owner));
  const std::string clean = check();
  EXPECT_EQ(title("Memory Check"), clean.substr(0, title("Memory Check").size()));
  EXPECT_EQ(std::string::npos, clean.find("Invalid")) << clean;

  const std::uint64_t foreignPage = header(twenty)->owner;  // a page of another class
  const struct rowS {
    const char* what;
    void* at;  // bytes changed
    std::size_t size;
    const void* value;
    const char* line;  // expected line, "" for the header address
  } rows[] = {
      {"guard byte", static_cast<char*>(ten) + 10, 1, "\0", ""},
      {"guard byte of the other class", static_cast<char*>(twenty) + 20, 1, "x", ""},
      {"size beyond the class", &header(ten)->sizeOrLink, 8, "\x40\0\0\0\0\0\0\0", ""},
      {"owner of another page", &header(ten)->owner, 8, &foreignPage, ""},
      {"free link far away", &header(freed)->sizeOrLink, 8, "\0\0\0\0\x10\0\0\0", ""},
      {"page magic", &page->magic, 4, "\0\0\0\0", "invalid page block\n"},
  };
  for (const rowS& row : rows) {
    SCOPED_TRACE(row.what);
    const bool freeBlock = row.at == &header(freed)->sizeOrLink;
    const void* block = freeBlock                                   ? header(freed)
                        : row.at == static_cast<char*>(twenty) + 20 ? header(twenty)
                                                                    : header(ten);
    const std::string expected = row.line[0] != '\0' ? row.line : "Invalid Block " + pointerText(block) + "\n";
    // Guard bytes are poisoned under AddressSanitizer: copied byte by byte
    // through the pool's own access.
    unsigned char* at = static_cast<unsigned char*>(row.at);
    unsigned char saved[8];
    for (std::size_t i = 0; i < row.size; ++i) saved[i] = poolReadByte(at + i);
    for (std::size_t i = 0; i < row.size; ++i) poolWriteByte(at + i, static_cast<const unsigned char*>(row.value)[i]);
    const std::string report = check();
    for (std::size_t i = 0; i < row.size; ++i) poolWriteByte(at + i, saved[i]);
    EXPECT_EQ(clean.substr(0, title("Memory Check").size()) + expected,
              report.substr(0, title("Memory Check").size() + expected.size()))
        << report;
    EXPECT_EQ(clean.size() + expected.size(), report.size()) << report;
  }
}

// Parents point at the address exactly; direct children are listed per
// pointer word, all children once each (a cycle brings the root back in).
TEST_P(MemTracker, InspectionOfParentsAndChildren) {
  void* parent = take(32);
  void* object = take(24);
  void* child = take(16);
  void* grandChild = take(40);
  void* words[4] = {nullptr, object, nullptr, nullptr};
  std::memcpy(parent, words, 32);
  void* objectWords[3] = {child, child, static_cast<char*>(grandChild) + 8};  // inside grandChild
  std::memcpy(object, objectWords, 24);
  std::memcpy(child, &grandChild, 8);
  std::memcpy(grandChild, &object, 8);  // back to the inspected object

  // All children in address order.
  std::vector<std::pair<void*, std::uint64_t>> reached{{child, 16}, {object, 24}, {grandChild, 40}};
  std::sort(reached.begin(), reached.end());
  std::string allChildren;
  for (const auto& [block, size] : reached) allChildren += field("Id", 0) + blockLine(size, 1, block);
  EXPECT_EQ("ZKMEMTRACK Inspect Addr " + pointerText(object) + " (Pid=" + std::to_string(processCurrentId()) + "," +
                ownModuleName() + ")\nObject:\n" + field("Id", 0) + blockLine(24, 1, object) + "Parents:\n" +
                field("Id", ordinalOf(parent)) + blockLine(32, 1, parent, 8) + field("Id", ordinalOf(grandChild)) +
                blockLine(40, 1, grandChild, 0) + "direct Childs:\n" + field("Id", 0) + blockLine(16, 1, child) +
                field("Id", 0) + blockLine(16, 1, child) + field("Id", 0) + blockLine(40, 1, grandChild) +
                "Bytes : 72\nall Childs:\n" + allChildren + "Bytes : 80\n",
            inspect(static_cast<char*>(object)));
}
// Addresses outside the pages: an OS block is described through its header;
// an address without a usable header before it (zeros, or memory that cannot
// be read at all) cannot be evaluated, and the report ends there.
TEST_P(MemTracker, InspectionOutsideThePages) {
  void* pooled = take(24);
  void* large = take(4000);
  std::memcpy(large, &pooled, sizeof pooled);
  const std::string head = "Object:\nNot in Mgr found!\n";
  std::string report = inspect(large);
  EXPECT_NE(std::string::npos,
            report.find(head + field("Id", 0) + blockLine(4000, 1, large) + "Parents:\ndirect Childs:\n" +
                        field("Id", 0) + blockLine(24, 1, pooled) + "Bytes : 24\n"))
      << report;

  alignas(8) static unsigned char zeros[512] = {};
  const void* unevaluable[] = {zeros + 256, reinterpret_cast<void*>(GetParam()), reinterpret_cast<void*>(0x1000)};
  for (const void* address : unevaluable) {
    SCOPED_TRACE(pointerText(address));
    report = inspect(address);
    ASSERT_GE(report.size(), head.size() + 14);
    EXPECT_EQ(head + "can not eval!\n", report.substr(report.size() - head.size() - 14)) << report;
  }
}

// Children are collected without recursion: a chain of 20,000 blocks (deeper
// than a recursive walk's stack would allow) is one kind with every block but
// the first counted.
TEST_P(MemTracker, InspectionAlongALongChain) {
  constexpr int length = 20000;
  std::vector<void*> chain;
  for (int i = 0; i < length; ++i) chain.push_back(take(8));
  for (int i = 0; i + 1 < length; ++i) std::memcpy(chain[i], &chain[i + 1], 8);
  const std::string report = inspect(chain[0]);
  const std::string all = report.substr(report.find("all Childs:\n"));
  EXPECT_EQ(0u, all.find("all Childs:\n" + field("Id", 0) + "Mem 159992, Cnt  19999, Name unk (8)")) << all;
  EXPECT_NE(std::string::npos, all.find("Bytes : 159992\n")) << all;
}
// A kind met when the table is full is not listed but still counted.
TEST_P(MemTracker, FullStatisticsTableCountsTheRest) {
  for (std::uint64_t size = 1; size <= memStatTableCapacity + 2; ++size) take(size);
  const std::string report = summary();
  EXPECT_EQ(memStatTableCapacity, currentTable->count);
  EXPECT_NE(std::string::npos, report.find("Unlisted Blocks : 2\nMgr Bytes : 526851\n"))
      << report.substr(report.size() - 200);
}
}  // namespace
