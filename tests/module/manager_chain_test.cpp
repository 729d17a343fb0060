// The per-process manager chain with several copies of the module file loaded
// into this host process (which is no member itself), seen through the
// host's view of the chain.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "abi/engine_binding.h"
#include "host/memory_reports.h"
#include "host/reference_engine.h"
#include "platform/process_chain.h"
#include "platform/process_environment.h"
#include "tests/support/module_copies.h"

namespace {

std::string captured;
void capture(const char* text) { captured += text; }

// The module file names in the summary titles, in chain order, one letter
// per copy ("zkchain-a.so" is "a").
std::string chainOrder() {
  captured.clear();
  hostMemorySummary(&capture);
  std::string order;
  const std::string title = "ZKMEMTRACK Summary Report (Pid=";
  for (std::size_t at = captured.find(title); at != std::string::npos; at = captured.find(title, at + 1)) {
    const std::size_t name = captured.find(",zkchain-", at);
    if (name != std::string::npos) order += captured[name + 9];
  }
  return order;
}

std::string variableName() {
  char name[processChainNameSize];
  processChainVariableName(name);
  return name;
}

bool variableIsSet() {
  char value[processChainValueSize];
  return processEnvironmentRead(variableName().c_str(), value, sizeof value);
}

class ManagerChain : public ::testing::Test {
 protected:
  ManagerChain() : copies("zkchain-test", "zkchain-", {"a", "b", "c"}) {}
  moduleCopiesC copies;
};

// Loads ('+') and unloads ('-') of the copies a, b, c, with the chain after
// each step, head first.
TEST_F(ManagerChain, JoinAndLeaveOrders) {
  ASSERT_EQ("", chainOrder()) << "no chain before the first load";
  const struct stepS {
    const char* step;
    const char* order;
  } steps[] = {
      {"+a", "a"},    // the first becomes the head
      {"+b", "ab"},   //
      {"+c", "acb"},  // later members join right after the head
      {"-c", "ab"},   // a follower leaves alone
      {"+c", "acb"},  //
      {"-b", "ac"},   //
      {"-a", ""},     // the head dissolves the chain
      {"+b", "b"},    // a later load starts a new chain; c stays orphaned
      {"-b", ""},     //
  };
  dynMgrChainS* memberOfC = nullptr;
  for (const stepS& step : steps) {
    SCOPED_TRACE(step.step);
    const std::size_t copy = static_cast<std::size_t>(step.step[1] - 'a');
    if (step.step[0] == '+') {
      copies.load(copy);
    } else {
      copies.unload(copy);
    }
    EXPECT_EQ(step.order, chainOrder());
    const std::vector<dynMgrChainS*> members = hostChainMembers();
    EXPECT_EQ(!members.empty(), variableIsSet());
    if (!members.empty()) {
      EXPECT_EQ(members[0], static_cast<dynMgrChainS*>(processChainHead())) << "the variable names the head";
      for (dynMgrChainS* member : members) EXPECT_EQ(members[0], member->head);
    }
    if (std::string(step.step) == "+c") memberOfC = members.at(1);
  }
  ASSERT_NE(nullptr, memberOfC);
  EXPECT_EQ(nullptr, memberOfC->head) << "c was orphaned when its head left";
  EXPECT_EQ(0u, memberOfC->peakBytes() - memberOfC->peakOsBytes() - memberOfC->peakPageBytes());
}

// Every member reports its own heap once, under its own file name; the
// peaks are sums over the members.
TEST_F(ManagerChain, ReportsAndPeaksOfEveryMember) {
  // Each module binds an engine once, so that its heap holds pages.
  referenceEngineC engine;
  for (std::size_t i = 0; i < 3; ++i) {
    copies.load(i);
    auto init = reinterpret_cast<raVodInitRemoteEngineF>(moduleSymbol(copies.handle(i), kInitRemoteEngineName));
    auto term =
        reinterpret_cast<raVodTerminateRemoteEngineF>(moduleSymbol(copies.handle(i), kTerminateRemoteEngineName));
    ASSERT_TRUE(init != nullptr && term != nullptr);
    init(&engine);
    term();
  }
  engine.releaseFactories();
  const std::vector<dynMgrChainS*> members = hostChainMembers();
  ASSERT_EQ(3u, members.size());
  captured.clear();
  EXPECT_EQ(3u, hostMemoryCheck(&capture));
  for (std::size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(copies.file(i));
    const std::size_t first = captured.find("," + copies.file(i) + ")");
    EXPECT_NE(std::string::npos, first) << captured;
    EXPECT_EQ(std::string::npos, captured.find("," + copies.file(i) + ")", first + 1)) << captured;
  }
  hostMemoryPeaksS sum = {0, 0, 0};
  for (dynMgrChainS* member : members) {
    sum.bytes += member->peakBytes();
    sum.osBytes += member->peakOsBytes();
    sum.pageBytes += member->peakPageBytes();
  }
  const hostMemoryPeaksS peaks = hostMemoryPeaks();
  EXPECT_EQ(sum.bytes, peaks.bytes);
  EXPECT_EQ(sum.osBytes, peaks.osBytes);
  EXPECT_EQ(sum.pageBytes, peaks.pageBytes);
  EXPECT_EQ(peaks.osBytes + peaks.pageBytes, peaks.bytes);
  EXPECT_NE(0u, peaks.pageBytes) << "every module holds pages after its start";
  EXPECT_EQ(0u, peaks.pageBytes % 10000);
}

// Values that name no live head: the module starts a chain of its own over
// them and removes the variable when it leaves; nothing faults.
TEST_F(ManagerChain, UnusableVariableValuesMeanNoChain) {
  copies.load(0);
  const std::vector<dynMgrChainS*> members = hostChainMembers();
  ASSERT_EQ(1u, members.size());
  char stale[processChainValueSize];
  std::snprintf(stale, sizeof stale, "%p", static_cast<void*>(members[0]));
  copies.unload(0);
  alignas(8) static unsigned char zeros[64] = {};
  char notAMember[processChainValueSize];
  std::snprintf(notAMember, sizeof notAMember, "%p", static_cast<void*>(zeros));
  const std::string values[] = {"garbage", "", "0x10", notAMember, stale, std::string(300, '7')};
  for (const std::string& value : values) {
    SCOPED_TRACE("value \"" + value.substr(0, 40) + "\"");
    ASSERT_TRUE(value.empty() || processEnvironmentWrite(variableName().c_str(), value.c_str()));
    EXPECT_EQ(nullptr, processChainHead());
    copies.load(1);
    EXPECT_EQ("b", chainOrder());
    copies.unload(1);
    EXPECT_FALSE(variableIsSet());
  }
}

}  // namespace
