// threadIdentC: identity of the calling thread, copies, and the answers after
// the identified thread has ended.
#include "platform/thread_ident.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include "platform/thread.h"

namespace {

bool builtForWindows() {
  const char* file = ZK_TEST_MODULE_FILE;
  const std::size_t length = std::strlen(file);
  return length > 4 && std::strcmp(file + length - 4, ".dll") == 0;
}

threadIdentC identityOfEndedThread() {
  threadIdentC* identity = nullptr;
  std::thread thread([&] { identity = new threadIdentC(); });
  thread.join();
  threadIdentC copy(*identity);
  delete identity;
  return copy;
}

}  // namespace

TEST(ThreadIdent, IdentifiesCallingThread) {
  threadIdentC identity;
  EXPECT_NE(identity.id(), 0u);
  EXPECT_NE(identity.id(), 0xFFFFFFFFu);
  EXPECT_EQ(identity.id(), threadIdentC::currentId());
  EXPECT_TRUE(identity.hasHandle());
  EXPECT_TRUE(identity.isCurrent());
  EXPECT_TRUE(identity.isRunning());
  EXPECT_TRUE(identity.isCallingThread());
}

TEST(ThreadIdent, CopiesAndAssignmentsOwnTheirHandles) {
  threadIdentC identity;
  threadIdentC copy(identity);
  threadIdentC assigned = identityOfEndedThread();
  EXPECT_FALSE(assigned.isRunning());
  assigned = copy;
  {
    threadIdentC scoped(identity);  // closing this handle must not affect the others
  }
  EXPECT_EQ(copy.id(), identity.id());
  EXPECT_EQ(assigned.id(), identity.id());
  EXPECT_TRUE(copy.isRunning());
  EXPECT_TRUE(assigned.isRunning());
  assigned = assigned;
  EXPECT_TRUE(assigned.isRunning());
}

TEST(ThreadIdent, AnswersNotRunningAfterItsThreadEnded) {
  const threadIdentC identity = identityOfEndedThread();
  EXPECT_TRUE(identity.hasHandle());
  EXPECT_FALSE(identity.isRunning());
  EXPECT_FALSE(identity.isCurrent());
  EXPECT_FALSE(identity.isCallingThread());
}

TEST(ThreadIdent, ThreadThatEndedWithCode259) {
  static threadIdentC* identity;
  identity = nullptr;
  threadC thread;
  ASSERT_TRUE(thread.start(
      [](void*) -> std::uint32_t {
        identity = new threadIdentC();
        return 259;
      },
      nullptr));
  std::uint64_t code = 0;
  ASSERT_TRUE(thread.join(&code));
  EXPECT_EQ(code, 259u);
  // Windows reads the exit code to tell whether a thread runs, and 259 is
  // the code for "still active"; the POSIX record knows that it ended.
  EXPECT_EQ(identity->isRunning(), builtForWindows());
  delete identity;
}

// A slot found under the caller's id belongs to the caller only if its
// thread still runs; once the caller has claimed its slot in a table, the
// answer holds for that table without asking again. Ids are reused too
// rarely to meet this through a real table, so the question is put directly,
// on a fresh thread that has claimed nothing yet.
TEST(ThreadIdent, SlotOwnershipIsAskedOncePerTable) {
  const threadIdentC ended = identityOfEndedThread();
  std::thread fresh([&] {
    const int tableA = 0;
    const int tableB = 0;
    const threadIdentC self;
    EXPECT_FALSE(threadIdentC::callerOwnsSlotIn(&tableA, ended)) << "an ended thread's slot is not the caller's";
    EXPECT_TRUE(threadIdentC::callerOwnsSlotIn(&tableA, self));
    EXPECT_TRUE(threadIdentC::callerOwnsSlotIn(&tableA, ended)) << "claimed: no second question in this table";
    EXPECT_FALSE(threadIdentC::callerOwnsSlotIn(&tableB, ended)) << "the claim belongs to one table";
    threadIdentC::claimSlotIn(&tableB);
    EXPECT_TRUE(threadIdentC::callerOwnsSlotIn(&tableB, ended));
  });
  fresh.join();
}
