// The manager chain's variable: its name for this process, and which values
// name a head.
#include "platform/process_chain.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "platform/process.h"
#include "platform/process_environment.h"

namespace {

TEST(ProcessChain, NameIsKeyedByProcessIdAndCreationTime) {
  const std::uint64_t created = processCreationTime();
  EXPECT_NE(0u, created);
  EXPECT_EQ(created, processCreationTime());
  const std::uint32_t key =
      processCurrentId() ^ static_cast<std::uint32_t>(created >> 32) ^ static_cast<std::uint32_t>(created);
  char name[processChainNameSize];
  processChainVariableName(name);
  EXPECT_EQ("ZKDYNMGRV8_" + std::to_string(key), name);
}

// A published object passes when its table is readable and its head word
// names itself; it is withdrawn again.
TEST(ProcessChain, PublishReadAndWithdraw) {
  static void* table[processChainTableSlots] = {};
  struct memberS {
    void* table;
    void* next;
    void* head;
    void* tracker;
  };
  memberS head{table, nullptr, nullptr, nullptr};
  head.head = &head;
  memberS follower{table, nullptr, &head, nullptr};
  memberS tableless{nullptr, nullptr, nullptr, nullptr};
  tableless.head = &tableless;
  char name[processChainNameSize];
  processChainVariableName(name);
  char value[processChainValueSize];
  ASSERT_FALSE(processEnvironmentRead(name, value, sizeof value)) << "no chain in this process";

  const struct rowS {
    const char* what;
    memberS* published;
    bool isHead;
  } rows[] = {
      {"a head", &head, true},
      {"a follower", &follower, false},
      {"no readable table", &tableless, false},
  };
  for (const rowS& row : rows) {
    SCOPED_TRACE(row.what);
    ASSERT_TRUE(processChainPublish(row.published));
    EXPECT_EQ(row.isHead ? row.published : nullptr, processChainHead());
    EXPECT_EQ(row.published != &tableless, processChainMemberIsReadable(row.published));
    processChainWithdraw();
    EXPECT_FALSE(processEnvironmentRead(name, value, sizeof value));
    EXPECT_EQ(nullptr, processChainHead());
  }
}

}  // namespace
