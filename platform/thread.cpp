// threadC over the thread-handle primitives of the backends.
#include "platform/thread.h"

threadC::threadC() : handle(nullptr), threadId(0) {}

threadC::threadC(std::uint32_t id, void* adopted) : handle(adopted), threadId(id) {}

threadC::threadC(const threadC& other) : handle(threadHandleDuplicate(other.handle)), threadId(other.threadId) {}

threadC& threadC::operator=(const threadC& other) {
  if (this == &other) return *this;
  close();
  threadId = other.threadId;
  handle = threadHandleDuplicate(other.handle);
  return *this;
}

threadC::~threadC() { close(); }

threadC threadC::current() { return threadC(threadHandleCurrentId(), threadHandleDuplicateCurrent()); }

void threadC::close() {
  threadHandleClose(handle);
  handle = nullptr;
}

bool threadC::start(threadFunctionT function, void* argument) {
  if (handle) return false;
  return threadHandleStart(function, argument, handle, threadId);
}

bool threadC::join(std::uint64_t* exitCode) {
  if (!handle) return false;
  threadHandleWaitForEnd(handle);
  std::uint32_t code = 0;
  const bool codeRead = threadHandleExitCode(handle, code);
  if (exitCode) *exitCode = codeRead ? code : joinExitCodeUnknown;
  close();
  return true;
}

bool threadC::terminate() {
  if (threadId == 0 || !handle) return false;
  return threadHandleTerminate(handle);
}

bool threadC::isRunning() const { return threadHandleIsRunning(handle); }

bool threadC::isCurrent() const { return isRunning() && threadId == threadHandleCurrentId(); }

void threadC::exitCurrent(std::uint32_t code) { threadHandleExitCurrent(code); }
