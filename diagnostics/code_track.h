// Code tracking: the module's flight recorder.
//
// Code marks points of interest (a trace point, a tested condition, a
// function's entry and exit, a named frame opened and closed, an exception)
// with the codeTrack* operations below. Each adds one timestamped record to a
// ring of 10000 records shared by all threads. The ring is written, oldest
// record first, as text lines to the trace file:
// - on codeTrackFlush() (a forced flush);
// - after every record when "ZKCODETRACK_FLUSH" existed when the manager was
//   built;
// - when the ring is full and when the manager is destroyed, provided a flush
//   goes ahead: "ZKCODETRACK" (read as a decimal integer, as atoi reads it,
//   at every flush; numbers beyond int's range count as not 0) is not 0, an
//   exception has been recorded, or a file name has been configured.
// Otherwise the ring silently keeps the latest 10000 records. A flush that
// goes ahead empties the ring, also when the file cannot be opened.
//
// The trace file is the configured name, or the directory of
// codeTrackDirectory() + "codetrack." + the building thread's id + "." +
// ownModuleName() + ".txt", opened for appending in text mode. That default
// name is predictable and lies in a directory other users may write to, so
// it is opened as a private file (openPrivateTextFileForAppend): on POSIX a
// link, FIFO, device, second link or another user's file planted under it
// is left alone and the flush writes nothing.
//
// A manager works on a site (codeTrackSiteS): the code-track lock, the
// `alive` flag and the recursion guard, which live beside it and outlive it.
// The module's manager is a plain global `codeTrackMgrC` built with the
// default constructor on the module's site, after the memory manager's
// globals and destroyed before them; the free codeTrack* functions act on
// it, and do nothing while no manager is alive on the module's site. Other
// sites serve tests.
//
// Every operation except getting the file name holds the site's lock for its
// whole duration, file writing included (lock order: engine lock, code-track
// lock, then the allocation and pool locks, which str copies and frame pages
// take). An operation reached from inside another one on the same thread
// (recursion guard set) records nothing. An exception that passes through an
// operation leaves the guard cleared (if the operation set it) and the lock
// released. Failures are not reported: operations on a site without a live
// manager, and records or frames that cannot get memory, are dropped.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>

#include "base/str.h"
#include "diagnostics/code_track_format.h"
#include "memory/page_mem.h"
#include "platform/lock.h"

class codeTrackMgrC;

// What lives beside a manager. Intended for static storage: zero-filled
// storage is a valid, empty site before any constructor runs and stays one
// after the manager is destroyed.
struct codeTrackSiteS {
  lockC lock;                           // the code-track lock
  std::atomic<bool> alive;              // set from the manager's construction to right after its final flush
  bool recording;                       // recursion guard; read and written only under the lock
  std::atomic<codeTrackMgrC*> manager;  // the manager alive on this site, or null
};

// The module's site.
codeTrackSiteS& codeTrackModuleSite();

class codeTrackMgrC {
 public:
  static constexpr std::int32_t ringSize = 10000;

  // A manager on the module's site.
  codeTrackMgrC();
  // A manager on the given site; one live manager per site at a time.
  explicit codeTrackMgrC(codeTrackSiteS& site);
  // A flush that is not forced, then the site no longer has a manager.
  ~codeTrackMgrC();

  codeTrackMgrC(const codeTrackMgrC&) = delete;
  codeTrackMgrC& operator=(const codeTrackMgrC&) = delete;

  // The operations of the free codeTrack* functions below, on this manager.
  void point(const char* file, std::uint32_t line);
  void point(const char* file, std::uint32_t line, const char* text);
  std::uint32_t cond(const char* file, std::uint32_t line, std::uint32_t value);
  void frameEnter(const char* file, std::uint32_t line, const char* name);
  void frameLeave();
  void fnc(const char* file, std::uint32_t line, std::uint32_t done);
  void fnc(const char* file, std::uint32_t line, std::uint32_t done, std::uint32_t result);
  void fnc(const char* file, std::uint32_t line, std::uint32_t done, const char* text);
  void exception(const char* text, std::uint32_t number);
  void forcedFlush();
  const char* getFileName() const;
  void setFileName(const char* name);

  // Inspection, for tests and reports; read them under the site's lock when
  // other threads may record.
  std::int32_t writePosition() const { return writePos; }
  const codeTrackRecordS& slot(std::int32_t index) const { return ring[index]; }
  std::uint64_t openFrameCount() const { return frames.count; }
  const zkCodeTrackFrameS& openFrame(std::uint64_t index) const { return frames[index]; }
  bool flushesEachRecord() const { return flushEach != 0; }
  std::uint32_t ownerThread() const { return ownerThreadId; }

 private:
  // Makes one record at writePos (see code_track.cpp for the steps).
  void addRecord(const char* text, std::uint32_t number, std::uint32_t kind);
  void addRecord(const char* text, std::uint32_t number, const char* extra, std::uint32_t number2, std::uint32_t kind);
  // Writes the ring if forced or a reason to write exists; see code_track.cpp.
  void flush(bool forced);
  void writeRing(std::FILE* file) const;
  void clearRing();

  std::int32_t flushEach;                 // "ZKCODETRACK_FLUSH" existed at construction
  std::int32_t mustWrite;                 // set by the first exception record, never cleared
  str fileName;                           // name used by the latest flush that went ahead
  str configuredName;                     // name given through setFileName; empty by default
  std::uint32_t ownerThreadId;            // the thread that built the manager
  std::int32_t writePos;                  // next slot to fill, 0 to ringSize - 1
  codeTrackRecordS ring[ringSize];        // the records; empty slots have kind 0
  pageMemT<zkCodeTrackFrameS, 3> frames;  // open frames, innermost at count - 1; pages stay once made
  codeTrackSiteS& site;                   // lock, alive flag and recursion guard
};

// The public operations, on the module's manager. Each does nothing while no
// manager is alive on the module's site.

// A trace point (kind 1), with extra text in the second form.
void codeTrackPoint(const char* file, std::uint32_t line);
void codeTrackPoint(const char* file, std::uint32_t line, const char* text);
// A condition record (kind 2) of value; answers value, so that the call can
// stand inside the tested condition.
std::uint32_t codeTrackCond(const char* file, std::uint32_t line, std::uint32_t value);
// A frame-opening record (kind 3) with the name (null: no name), then the
// frame {name, file, line} is pushed.
void codeTrackFrameEnter(const char* file, std::uint32_t line, const char* name);
// A frame-closing record (kind 4) with the file, line and name of the
// innermost frame, which is then popped. Without an open frame nothing is
// recorded and nothing changes.
void codeTrackFrameLeave();
// A function record: kind 5 when done is 0, else kind 6, with number2 = 0,
// = result, or = 0 with extra text. (A literal 0 as fourth argument is
// ambiguous between the last two forms; pass 0u or a typed value.)
void codeTrackFnc(const char* file, std::uint32_t line, std::uint32_t done);
void codeTrackFnc(const char* file, std::uint32_t line, std::uint32_t done, std::uint32_t result);
void codeTrackFnc(const char* file, std::uint32_t line, std::uint32_t done, const char* text);
// Marks the trace as one that must be written, records the exception (kind
// 7, text and number), then flushes (not forced, but it now goes ahead).
void codeTrackException(const char* text, std::uint32_t number);
// A forced flush: the ring is written even when nothing asks for it.
void codeTrackFlush();
// Null while no manager is alive; otherwise the name used by the latest flush
// that went ahead ("" before the first). Takes no lock. The text stays valid
// until a flush writes to a differently named file or the manager ends.
const char* codeTrackGetFileName();
// From now on the trace goes to exactly this file and every flush goes ahead;
// null or "" returns to the default name and rules.
void codeTrackSetFileName(const char* name);

// Opens a frame on construction and closes it on destruction, so that every
// way out of a scope, exceptions included, closes the frame.
class codeTrackFrameScopeC {
 public:
  codeTrackFrameScopeC(const char* file, std::uint32_t line, const char* name) {
    codeTrackFrameEnter(file, line, name);
  }
  ~codeTrackFrameScopeC() { codeTrackFrameLeave(); }

  codeTrackFrameScopeC(const codeTrackFrameScopeC&) = delete;
  codeTrackFrameScopeC& operator=(const codeTrackFrameScopeC&) = delete;
};
