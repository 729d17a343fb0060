// The unwinding of a cancelled or exiting POSIX thread: the C++ runtime
// raises it as abi::__forced_unwind, which may be caught only to be
// rethrown.
#include "platform/thread_unwind.h"

#include <cxxabi.h>
#include <pthread.h>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZK_ADDRESS_SANITIZER 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define ZK_ADDRESS_SANITIZER 1
#endif

#if defined(ZK_ADDRESS_SANITIZER)
#include <sanitizer/asan_interface.h>
#endif

namespace {

// Under AddressSanitizer: a cancellation unwinds the frames below the
// catching one without the sanitizer seeing them go (the C library starts
// the unwinding, not a C++ throw), so their red zones stay marked. The
// rethrow below then reuses that stack and would be reported as an overflow.
// Clearing the marks of the unused stack below this frame is what the
// sanitizer itself does for every C++ throw.
void forgetUnwoundFrames() {
#if defined(ZK_ADDRESS_SANITIZER)
  pthread_attr_t attributes;
  if (pthread_getattr_np(pthread_self(), &attributes) != 0) return;
  void* lowest = nullptr;
  size_t size = 0;
  if (pthread_attr_getstack(&attributes, &lowest, &size) == 0) {
    char here = 0;
    char* const low = static_cast<char*>(lowest);
    if (low < &here) ASAN_UNPOISON_MEMORY_REGION(low, static_cast<size_t>(&here - low));
  }
  pthread_attr_destroy(&attributes);
#endif
}

}  // namespace

// The unwinding is not a C++ object: the handler's reference is bound to
// null, which the undefined-behaviour sanitizer would report; the handler
// never reads it.
__attribute__((no_sanitize("null"))) void rethrowIfThreadUnwinding() {
  forgetUnwoundFrames();
  try {
    throw;
  } catch (abi::__forced_unwind&) {
    throw;
  } catch (...) {
    // Any other exception stays with the caller's handler.
  }
}
