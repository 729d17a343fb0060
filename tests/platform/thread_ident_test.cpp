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

// The calling thread's identity and an ended thread's, each also through a
// copy and an assignment; closing one handle leaves the others alone.
TEST(ThreadIdent, IdentifiesTheCallingThreadAndAnswersAfterAThreadEnded) {
  const threadIdentC self;
  EXPECT_NE(self.id(), 0u);
  EXPECT_NE(self.id(), 0xFFFFFFFFu);
  EXPECT_EQ(self.id(), threadIdentC::currentId());
  const threadIdentC ended = identityOfEndedThread();
  for (const threadIdentC* original : {&self, &ended}) {
    const bool running = original == &self;
    SCOPED_TRACE(running ? "calling thread" : "ended thread");
    threadIdentC copy(*original);
    threadIdentC assigned = running ? identityOfEndedThread() : threadIdentC();
    assigned = copy;
    assigned = assigned;
    { threadIdentC scoped(*original); }
    const threadIdentC* const identities[] = {original, &copy, &assigned};
    for (const threadIdentC* identity : identities) {
      EXPECT_EQ(original->id(), identity->id());
      EXPECT_TRUE(identity->hasHandle());
      EXPECT_EQ(running, identity->isRunning());
      EXPECT_EQ(running, identity->isCurrent());
      EXPECT_EQ(running, identity->isCallingThread());
    }
  }
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
  // Windows reads the exit code to tell whether a thread runs, and 259 means
  // "still active"; the POSIX record knows that it ended.
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
