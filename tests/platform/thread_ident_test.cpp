// threadIdentC: identity of the calling thread, copies, and the answers after
// the identified thread has ended.
#include "platform/thread_ident.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "platform/thread.h"

namespace {

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
  // Where the exit code tells whether a thread runs, 259 means "still
  // active"; otherwise the thread is known to have ended.
  EXPECT_EQ(threadHandleRunningReadFromExitCode(), identity->isRunning());
  delete identity;
}
