// threadIdentC over the thread-handle primitives of the backends.
#include "platform/thread_ident.h"

#include "platform/thread_handle.h"

namespace {

// Tables in which the calling thread's slot is known to be its own. Two
// live threads never share an id, so an entry stays true for as long as the
// thread lives, even if its table is replaced by another at the same address.
constexpr int claimedTableCapacity = 8;
thread_local const void* claimedTables[claimedTableCapacity];

bool isClaimed(const void* table) {
  for (const void* claimed : claimedTables)
    if (claimed == table) return true;
  return false;
}

}  // namespace

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

bool threadIdentC::isCurrent() const { return threadId == threadHandleCurrentId(); }

bool threadIdentC::isRunning() const { return threadHandleIsRunning(handle); }

bool threadIdentC::isCallingThread() const { return isCurrent() && (!threadHandleIdsAreReused() || isRunning()); }

bool threadIdentC::callerOwnsSlotIn(const void* table, const threadIdentC& found) {
  if (!threadHandleIdsAreReused() || isClaimed(table)) return true;
  if (!found.isRunning()) return false;
  claimSlotIn(table);
  return true;
}

void threadIdentC::claimSlotIn(const void* table) {
  if (!threadHandleIdsAreReused() || isClaimed(table)) return;
  for (const void*& claimed : claimedTables) {
    if (claimed) continue;
    claimed = table;
    return;
  }
}
