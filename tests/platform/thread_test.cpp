// threadC and processC.
#include "platform/thread.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/process.h"
#include "platform/thread_ident.h"

namespace {

// The id the started thread sees for itself.
std::uint32_t reportOwnId(void* seen) {
  *static_cast<std::uint32_t*>(seen) = threadIdentC::currentId();
  return 0;
}

TEST(Thread, StartReportsTheIdTheThreadSeesForItself) {
  for (int round = 0; round < 4; ++round) {
    std::uint32_t seen = 0;
    threadC thread;
    ASSERT_TRUE(thread.start(reportOwnId, &seen));
    const std::uint32_t reported = thread.id();
    ASSERT_TRUE(thread.join());
    EXPECT_EQ(reported, seen);
    EXPECT_NE(0u, reported);
    EXPECT_NE(threadIdentC::currentId(), reported);
  }
}

std::uint32_t returnArgument(void* argument) {
  return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(argument));
}

std::uint32_t exitEarly(void* argument) { threadC::exitCurrent(returnArgument(argument)); }

// Its own id if threadC::current() sees itself as current, else 0.
std::uint32_t reportWhetherCurrent(void*) {
  const threadC self = threadC::current();
  return self.isCurrent() ? self.id() : 0;
}

}  // namespace

// Start refuses while the object holds a handle; join closes it.
TEST(Thread, JoinPassesBackExitCodes) {
  const struct rowS {
    const char* what;
    std::uint32_t code;
    threadFunctionT function;
  } rows[] = {
      {"returns 0", 0, returnArgument},
      {"returns 42", 42, returnArgument},
      {"returns all ones", 0xFFFFFFFFu, returnArgument},
      {"ends early with 7", 7, exitEarly},
      {"ends early with 259", 259, exitEarly},
  };
  for (const rowS& row : rows) {
    SCOPED_TRACE(row.what);
    threadC thread;
    ASSERT_TRUE(thread.start(row.function, reinterpret_cast<void*>(static_cast<std::uintptr_t>(row.code))));
    EXPECT_TRUE(thread.hasHandle());
    const std::uint32_t id = thread.id();
    EXPECT_FALSE(thread.start(returnArgument, nullptr));
    EXPECT_EQ(thread.id(), id);
    std::uint64_t code = 12345;
    EXPECT_TRUE(thread.join(&code));
    EXPECT_EQ(code, row.code);
    EXPECT_FALSE(thread.hasHandle());
    code = 12345;
    EXPECT_FALSE(thread.join(&code)) << "the handle was closed";
    EXPECT_EQ(code, 12345u);
  }
}

TEST(Thread, RunningAndCurrentBeforeAndAfterEnd) {
  threadC self = threadC::current();
  EXPECT_TRUE(self.hasHandle());
  EXPECT_TRUE(self.isRunning());
  EXPECT_TRUE(self.isCurrent());

  threadC thread;
  ASSERT_TRUE(thread.start(reportWhetherCurrent, nullptr));
  threadC copy(thread);
  std::uint64_t code = 0;
  ASSERT_TRUE(thread.join(&code));
  EXPECT_EQ(code, copy.id()) << "the started thread did not see itself as current, under the id start() reported";
  EXPECT_TRUE(copy.hasHandle());
  EXPECT_FALSE(copy.isRunning());
  EXPECT_FALSE(copy.isCurrent());
  EXPECT_FALSE(copy.equals(self));
  code = 0;
  EXPECT_TRUE(copy.join(&code)) << "a second handle on the same thread can still wait for it";
  EXPECT_EQ(code, copy.id());
}

// Sleeps in short steps until terminated; each sleep is a point where a
// POSIX thread's cancellation takes effect.
std::uint32_t sleepUntilTerminated(void*) {
  for (;;) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

TEST(Thread, TerminateEndsAWaitingThreadWithExitCodeZero) {
  threadC none;
  EXPECT_FALSE(none.terminate()) << "no thread, no handle";

  threadC thread;
  ASSERT_TRUE(thread.start(sleepUntilTerminated, nullptr));
  const std::uint32_t id = thread.id();
  EXPECT_TRUE(thread.terminate());
  EXPECT_EQ(id, thread.id()) << "terminate keeps the id";
  EXPECT_TRUE(thread.hasHandle()) << "terminate keeps the handle";
  std::uint64_t code = 99;
  ASSERT_TRUE(thread.join(&code));
  EXPECT_EQ(0u, code);
  EXPECT_FALSE(thread.isRunning());
}

TEST(Process, RunningAnswers) {
  processC self;
  EXPECT_NE(self.id(), 0u);
  EXPECT_TRUE(self.isRunning());
  EXPECT_TRUE(processC(self.id()).isRunning());
  for (std::uint32_t id : {0u, 0x7FFFFFF0u, 0xFFFFFFFFu, 0x80000000u}) {
    SCOPED_TRACE(id);
    EXPECT_FALSE(processC(id).isRunning()) << "no such process";
  }
}
