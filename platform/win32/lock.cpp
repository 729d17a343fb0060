// lockC backend for Windows: a critical section in the opaque storage.
#include "platform/lock.h"

#include <windows.h>

static_assert(sizeof(CRITICAL_SECTION) == lockC::sectionSize, "lockC's storage is one CRITICAL_SECTION");
static_assert(alignof(CRITICAL_SECTION) <= 8, "CRITICAL_SECTION must fit lockC's alignment");

namespace {
CRITICAL_SECTION* sectionIn(void* section) { return static_cast<CRITICAL_SECTION*>(section); }
}  // namespace

void lockC::sectionInit(void* section) { InitializeCriticalSection(sectionIn(section)); }

void lockC::sectionEnter(void* section) { EnterCriticalSection(sectionIn(section)); }

void lockC::sectionLeave(void* section) { LeaveCriticalSection(sectionIn(section)); }

void lockC::sectionDestroy(void* section) { DeleteCriticalSection(sectionIn(section)); }
