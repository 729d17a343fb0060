// The code-track manager: the ring, the frame stack, flushing, and the
// public operations on the module's manager.
#include "diagnostics/code_track.h"

#include <cstdlib>

#include "platform/clock.h"
#include "platform/environment.h"
#include "platform/module_file.h"
#include "platform/text_file.h"
#include "platform/thread_ident.h"

namespace {

// Holds the recursion guard for a scope when it was free on entry; clears it
// again on every way out of the scope, exceptions included.
class recordingGuardC {
 public:
  explicit recordingGuardC(codeTrackSiteS& guarded) : site(guarded), held(!guarded.recording) {
    if (held) site.recording = true;
  }
  ~recordingGuardC() { release(); }

  recordingGuardC(const recordingGuardC&) = delete;
  recordingGuardC& operator=(const recordingGuardC&) = delete;

  // Whether this scope holds the guard (it was free on entry).
  bool isHeld() const { return held; }
  void release() {
    if (held) site.recording = false;
    held = false;
  }

 private:
  codeTrackSiteS& site;
  bool held;
};

// The environment variable that turns writing on: present, and its value read
// as atoi reads it (leading white space, a sign, digits up to the first
// non-digit) is not 0. strtol instead of atoi, because atoi's result is
// undefined beyond int's range, and glibc's wraps "4294967296" to 0; strtol
// saturates, so every non-zero number counts as not 0.
bool traceRequestedByEnvironment() {
  const char* value = getRuntimeEnvironmentVariable("ZKCODETRACK");
  return value != nullptr && std::strtol(value, nullptr, 10) != 0;
}

// Runs one operation on the module's manager, under the module's code-track
// lock, when a manager is alive there.
template <class OperationT>
void onModuleManager(OperationT operation) {
  lockGuardC guard(codeTrackModuleSite().lock);
  codeTrackMgrC* manager = codeTrackModuleSite().manager.load(std::memory_order_relaxed);
  if (codeTrackModuleSite().alive.load(std::memory_order_relaxed) && manager != nullptr) operation(*manager);
}

}  // namespace

codeTrackMgrC::codeTrackMgrC() : codeTrackMgrC(codeTrackModuleSite()) {}

codeTrackMgrC::codeTrackMgrC(codeTrackSiteS& ownSite)
    : flushEach(0), mustWrite(0), ownerThreadId(0), writePos(0), site(ownSite) {
  const std::uint32_t builder = threadIdentC::currentId();
  for (codeTrackRecordS& record : ring) {
    record.counter = 0;
    record.time = 0;
    clearCodeTrackRecord(record, builder);
  }
  lockGuardC guard(site.lock);
  writePos = 0;
  mustWrite = 0;
  site.manager.store(this, std::memory_order_relaxed);
  site.alive.store(true, std::memory_order_release);
  flushEach = getRuntimeEnvironmentVariable("ZKCODETRACK_FLUSH") != nullptr ? 1 : 0;
  ownerThreadId = builder;
}

codeTrackMgrC::~codeTrackMgrC() {
  lockGuardC guard(site.lock);
  {
    recordingGuardC recording(site);
    if (recording.isHeld()) flush(false);
  }
  site.alive.store(false, std::memory_order_release);
  site.manager.store(nullptr, std::memory_order_relaxed);
}

// Making a record, under the lock:
// 1. if the recursion guard is set, nothing is recorded;
// 2. the guard is set;
// 3. the slot at writePos is cleared and stamped with the calling thread;
// 4. text, number, kind (and extra, number2) are filled in;
// 5. the clocks are read: the performance counter first, then the system
//    time;
// 6. writePos advances; at the end of the ring it wraps to 0 and the ring is
//    flushed (not forced), so the record just made is written with the rest
//    in the order the records were made;
// 7. the guard is cleared;
// 8. with flushEach, a forced flush through the guarded entry point.
void codeTrackMgrC::addRecord(const char* text, std::uint32_t number, std::uint32_t kind) {
  addRecord(text, number, nullptr, 0, kind);
}

void codeTrackMgrC::addRecord(const char* text, std::uint32_t number, const char* extra, std::uint32_t number2,
                              std::uint32_t kind) {
  lockGuardC guard(site.lock);
  if (!site.alive.load(std::memory_order_relaxed)) return;
  recordingGuardC recording(site);
  if (!recording.isHeld()) return;

  codeTrackRecordS& record = ring[writePos];
  clearCodeTrackRecord(record, threadIdentC::currentId());
  record.text = text;
  record.number = number;
  record.kind = kind;
  record.number2 = number2;
  // Only a non-empty extra text allocates.
  if (extra != nullptr && extra[0] != '\0') record.extra = extra;
  record.counter = readPerformanceCounter();
  record.time = readSystemFileTime();

  // The position wraps before the flush, which starts its walk at writePos:
  // at 0 the walk visits the slots in the order they were filled.
  if (++writePos >= ringSize) {
    writePos = 0;
    flush(false);
    writePos = 0;
  }
  recording.release();

  if (flushEach != 0) forcedFlush();
}

// Flush, under the lock (recursively entered):
// 1. it goes ahead when forced, when mustWrite is set, when a name is
//    configured, or when "ZKCODETRACK" read as a decimal integer is not 0;
//    otherwise the ring stays as it is;
// 2. the name is the configured one or the default in the temporary
//    directory;
// 3. the file is opened for appending in text mode and, if that worked, the
//    ring is written oldest first and the file closed;
// 4. in either case the ring is emptied and writePos returns to 0.
void codeTrackMgrC::flush(bool forced) {
  lockGuardC guard(site.lock);
  const bool goAhead = forced || mustWrite != 0 || configuredName.length() > 0 || traceRequestedByEnvironment();
  if (!goAhead) return;

  const str name = configuredName.length() > 0
                       ? configuredName
                       : codeTrackFileNameIn(codeTrackDirectory().c_str(), ownerThreadId, ownModuleName());
  // fileName keeps its storage while the name stays the same, so a text
  // handed out by getFileName() stays valid across flushes to the same file.
  if (!(fileName == name.c_str()) || !fileName.hasStorage()) fileName = name;

  // The default name is predictable and lies in a directory other users may
  // write to, where a link or a file planted under it must not be written
  // through; a configured name is the caller's choice.
  std::FILE* file = configuredName.length() > 0 ? openTextFileForAppend(fileName.c_str())
                                                : openPrivateTextFileForAppend(fileName.c_str());
  if (file != nullptr) {
    writeRing(file);
    std::fclose(file);
  }
  clearRing();
}

// Visits every slot once, starting at writePos (the oldest record once the
// ring has wrapped), skipping empty slots.
void codeTrackMgrC::writeRing(std::FILE* file) const {
  for (std::int32_t visited = 0; visited < ringSize; ++visited) {
    const codeTrackRecordS& record = ring[(writePos + visited) % ringSize];
    if (record.kind == codeTrackKindEmpty) continue;
    std::fputs(formatCodeTrackLine(record).c_str(), file);
  }
}

void codeTrackMgrC::clearRing() {
  const std::uint32_t caller = threadIdentC::currentId();
  for (codeTrackRecordS& record : ring) clearCodeTrackRecord(record, caller);
  writePos = 0;
}

void codeTrackMgrC::point(const char* file, std::uint32_t line) { addRecord(file, line, codeTrackKindPoint); }

void codeTrackMgrC::point(const char* file, std::uint32_t line, const char* text) {
  addRecord(file, line, text, 0, codeTrackKindPoint);
}

std::uint32_t codeTrackMgrC::cond(const char* file, std::uint32_t line, std::uint32_t value) {
  addRecord(file, line, nullptr, value, codeTrackKindCondition);
  return value;
}

void codeTrackMgrC::frameEnter(const char* file, std::uint32_t line, const char* name) {
  lockGuardC guard(site.lock);
  if (!site.alive.load(std::memory_order_relaxed)) return;
  addRecord(file, line, name, 0, codeTrackKindFrameEnter);
  recordingGuardC recording(site);
  if (!recording.isHeld()) return;
  zkCodeTrackFrameS* frame = frames.nextSlot();
  if (frame == nullptr) return;  // no memory for a page: the frame is not kept
  frame->name = name != nullptr ? name : "";
  frame->file = file;
  frame->line = line;
}

// With no open frame there is nothing to close: no record is made and the
// count stays 0, so nothing outside the stack is ever read.
void codeTrackMgrC::frameLeave() {
  lockGuardC guard(site.lock);
  if (!site.alive.load(std::memory_order_relaxed) || frames.count == 0) return;
  const zkCodeTrackFrameS& frame = frames[frames.count - 1];
  addRecord(frame.file, frame.line, frame.name.c_str(), 0, codeTrackKindFrameLeave);
  recordingGuardC recording(site);
  if (!recording.isHeld()) return;
  if (frames.count > 0) frames.count -= 1;
}

void codeTrackMgrC::fnc(const char* file, std::uint32_t line, std::uint32_t done) {
  fnc(file, line, done, std::uint32_t{0});
}

void codeTrackMgrC::fnc(const char* file, std::uint32_t line, std::uint32_t done, std::uint32_t result) {
  addRecord(file, line, nullptr, result, done == 0 ? codeTrackKindFunctionEnter : codeTrackKindFunctionDone);
}

// The text form has no result to show: number2 is 0, as for the plain form,
// so a "done" record reads "Done Fnc (0)" followed by "(" text ")".
void codeTrackMgrC::fnc(const char* file, std::uint32_t line, std::uint32_t done, const char* text) {
  addRecord(file, line, text, 0, done == 0 ? codeTrackKindFunctionEnter : codeTrackKindFunctionDone);
}

void codeTrackMgrC::exception(const char* text, std::uint32_t number) {
  lockGuardC guard(site.lock);
  if (!site.alive.load(std::memory_order_relaxed)) return;
  mustWrite = 1;
  addRecord(text, number, codeTrackKindException);
  recordingGuardC recording(site);
  if (recording.isHeld()) flush(false);
}

void codeTrackMgrC::forcedFlush() {
  lockGuardC guard(site.lock);
  if (!site.alive.load(std::memory_order_relaxed)) return;
  recordingGuardC recording(site);
  if (recording.isHeld()) flush(true);
}

const char* codeTrackMgrC::getFileName() const {
  if (!site.alive.load(std::memory_order_acquire)) return nullptr;
  return fileName.c_str();
}

void codeTrackMgrC::setFileName(const char* name) {
  lockGuardC guard(site.lock);
  if (!site.alive.load(std::memory_order_relaxed)) return;
  configuredName = name;
}

void codeTrackPoint(const char* file, std::uint32_t line) {
  onModuleManager([&](codeTrackMgrC& manager) { manager.point(file, line); });
}

void codeTrackPoint(const char* file, std::uint32_t line, const char* text) {
  onModuleManager([&](codeTrackMgrC& manager) { manager.point(file, line, text); });
}

std::uint32_t codeTrackCond(const char* file, std::uint32_t line, std::uint32_t value) {
  onModuleManager([&](codeTrackMgrC& manager) { manager.cond(file, line, value); });
  return value;
}

void codeTrackFrameEnter(const char* file, std::uint32_t line, const char* name) {
  onModuleManager([&](codeTrackMgrC& manager) { manager.frameEnter(file, line, name); });
}

void codeTrackFrameLeave() {
  onModuleManager([](codeTrackMgrC& manager) { manager.frameLeave(); });
}

void codeTrackFnc(const char* file, std::uint32_t line, std::uint32_t done) {
  onModuleManager([&](codeTrackMgrC& manager) { manager.fnc(file, line, done); });
}

void codeTrackFnc(const char* file, std::uint32_t line, std::uint32_t done, std::uint32_t result) {
  onModuleManager([&](codeTrackMgrC& manager) { manager.fnc(file, line, done, result); });
}

void codeTrackFnc(const char* file, std::uint32_t line, std::uint32_t done, const char* text) {
  onModuleManager([&](codeTrackMgrC& manager) { manager.fnc(file, line, done, text); });
}

void codeTrackException(const char* text, std::uint32_t number) {
  onModuleManager([&](codeTrackMgrC& manager) { manager.exception(text, number); });
}

void codeTrackFlush() {
  onModuleManager([](codeTrackMgrC& manager) { manager.forcedFlush(); });
}

// No lock, as the name may be wanted from anywhere: alive is read with
// acquire ordering, and the manager pointer is only cleared after alive.
const char* codeTrackGetFileName() {
  if (!codeTrackModuleSite().alive.load(std::memory_order_acquire)) return nullptr;
  const codeTrackMgrC* manager = codeTrackModuleSite().manager.load(std::memory_order_acquire);
  return manager != nullptr ? manager->getFileName() : nullptr;
}

void codeTrackSetFileName(const char* name) {
  onModuleManager([&](codeTrackMgrC& manager) { manager.setFileName(name); });
}
