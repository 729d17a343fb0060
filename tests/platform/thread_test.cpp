// threadC, processC and lockedFlagC.
#include "platform/thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/locked_flag.h"
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

// A thread that runs until blockerRelease is set.
std::atomic<bool> blockerRelease{false};

std::uint32_t blockUntilReleased(void*) {
  while (!blockerRelease) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return 0;
}

// Waits in the platform's own wait for the blocker (a kernel wait on
// Windows, a cancellation point on POSIX), so that terminating it interrupts
// no runtime library code.
std::atomic<bool> waiterStarted{false};

std::uint32_t waitForBlocker(void* blocker) {
  threadC handleOnBlocker(*static_cast<threadC*>(blocker));
  waiterStarted = true;
  handleOnBlocker.join();
  return 5;
}

}  // namespace

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
    std::uint64_t code = 12345;
    EXPECT_TRUE(thread.join(&code));
    EXPECT_EQ(code, row.code);
    EXPECT_FALSE(thread.hasHandle());
    code = 12345;
    EXPECT_FALSE(thread.join(&code)) << "the handle was closed";
    EXPECT_EQ(code, 12345u);
  }
}

// Without a handle join and terminate refuse; start refuses while holding one.
TEST(Thread, HandleRules) {
  threadC thread;
  EXPECT_EQ(thread.id(), 0u);
  std::uint64_t code = 99;
  EXPECT_FALSE(thread.join(&code));
  EXPECT_EQ(code, 99u);
  EXPECT_FALSE(thread.terminate());
  EXPECT_FALSE(thread.isRunning());
  EXPECT_FALSE(thread.isCurrent());

  ASSERT_TRUE(thread.start(returnArgument, nullptr));
  const std::uint32_t firstId = thread.id();
  EXPECT_FALSE(thread.start(returnArgument, nullptr));
  EXPECT_EQ(thread.id(), firstId);
  EXPECT_TRUE(thread.join());
  EXPECT_TRUE(thread.start(returnArgument, nullptr));
  threadC copy(thread);
  thread.close();  // keeps the id
  EXPECT_FALSE(thread.hasHandle());
  EXPECT_TRUE(thread.equals(copy));
  EXPECT_TRUE(copy.join());
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

TEST(Thread, TerminateEndsAWaitingThreadWithCode0) {
  blockerRelease = false;
  waiterStarted = false;
  threadC blocker;
  ASSERT_TRUE(blocker.start(blockUntilReleased, nullptr));
  threadC waiter;
  ASSERT_TRUE(waiter.start(waitForBlocker, &blocker));
  while (!waiterStarted) std::this_thread::yield();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_TRUE(waiter.isRunning());
  EXPECT_TRUE(waiter.terminate());
  EXPECT_TRUE(waiter.hasHandle());
  threadC copy(waiter);
  std::uint64_t code = 77;
  EXPECT_TRUE(waiter.join(&code));
  EXPECT_EQ(code, 0u);
  EXPECT_FALSE(copy.isRunning());
  EXPECT_TRUE(blocker.isRunning());
  blockerRelease = true;
  EXPECT_TRUE(blocker.join(&code));
  EXPECT_EQ(code, 0u);
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

TEST(LockedFlag, SetTestAndReset) {
  lockedFlagC flag;
  EXPECT_FALSE(flag.testAndReset(false));
  flag.set();
  EXPECT_TRUE(flag.testAndReset(false));
  EXPECT_TRUE(flag.testAndReset(true));
  EXPECT_FALSE(flag.testAndReset(true));
  flag.set();
  flag.set();
  EXPECT_TRUE(flag.testAndReset(true));
  EXPECT_FALSE(flag.testAndReset(false));
}
