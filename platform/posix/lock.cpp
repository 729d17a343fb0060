// lockC backend for POSIX: a recursive pthread mutex in the opaque storage.
#include "platform/lock.h"

#include <pthread.h>

static_assert(sizeof(pthread_mutex_t) <= lockC::sectionSize, "pthread_mutex_t must fit lockC's storage");
static_assert(alignof(pthread_mutex_t) <= 8, "pthread_mutex_t must fit lockC's alignment");

namespace {
pthread_mutex_t* mutexIn(void* section) { return static_cast<pthread_mutex_t*>(section); }
}  // namespace

void lockC::sectionInit(void* section) {
  pthread_mutexattr_t attributes;
  pthread_mutexattr_init(&attributes);
  pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
  pthread_mutex_init(mutexIn(section), &attributes);
  pthread_mutexattr_destroy(&attributes);
}

void lockC::sectionEnter(void* section) { pthread_mutex_lock(mutexIn(section)); }

void lockC::sectionLeave(void* section) { pthread_mutex_unlock(mutexIn(section)); }

void lockC::sectionDestroy(void* section) { pthread_mutex_destroy(mutexIn(section)); }
