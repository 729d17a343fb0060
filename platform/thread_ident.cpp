// threadIdentC over the thread-handle primitives of the backends.
#include "platform/thread_ident.h"

#include "platform/thread_handle.h"

threadIdentC::threadIdentC() : threadId(0), handle(nullptr) { setToCurrent(); }

threadIdentC::threadIdentC(const threadIdentC& other)
    : threadId(other.threadId), handle(threadHandleDuplicate(other.handle)) {}

threadIdentC& threadIdentC::operator=(const threadIdentC& other) {
  if (this == &other) return *this;
  clear();
  threadId = other.threadId;
  handle = threadHandleDuplicate(other.handle);
  return *this;
}

threadIdentC::~threadIdentC() { clear(); }

void threadIdentC::clear() {
  threadHandleClose(handle);
  handle = nullptr;
  threadId = 0;
}

void threadIdentC::setToCurrent() {
  threadId = threadHandleCurrentId();
  threadHandleClose(handle);
  handle = threadHandleDuplicateCurrent();
}

std::uint32_t threadIdentC::currentId() { return threadHandleCurrentId(); }

bool threadIdentC::isCurrent() const { return threadId == threadHandleCurrentId(); }

bool threadIdentC::isRunning() const { return threadHandleIsRunning(handle); }

bool threadIdentC::isCallingThread() const {
  return isCurrent() && (!threadHandleIdsAreReused() || isRunning());
}
