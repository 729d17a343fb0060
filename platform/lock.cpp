// lockC's first-use initialisation and destruction, shared by both backends.
#include "platform/lock.h"

#include <thread>

namespace {

// Serialises the first-use initialisation and the destruction of every lockC
// in the module. Constant-initialised, so it works before any constructor.
std::atomic_flag initialisationFlag = ATOMIC_FLAG_INIT;

class initialisationSpinC {
 public:
  initialisationSpinC() {
    while (initialisationFlag.test_and_set(std::memory_order_acquire)) std::this_thread::yield();
  }
  ~initialisationSpinC() { initialisationFlag.clear(std::memory_order_release); }
  initialisationSpinC(const initialisationSpinC&) = delete;
  initialisationSpinC& operator=(const initialisationSpinC&) = delete;
};

}  // namespace

void lockC::initialiseOnce() {
  initialisationSpinC spin;
  if (isInitialised()) return;
  const std::uintptr_t self = reinterpret_cast<std::uintptr_t>(this);
  sectionInit(section);
  guard[0].store(self - guardOffset, std::memory_order_relaxed);
  guard[2].store(self + guardOffset, std::memory_order_relaxed);
  guard[1].store(self, std::memory_order_release);
}

void lockC::destroy() {
  if (!isInitialised()) return;
  initialisationSpinC spin;
  if (!isInitialised()) return;
  sectionDestroy(section);
  guard[1].store(0, std::memory_order_release);
  guard[0].store(0, std::memory_order_relaxed);
  guard[2].store(0, std::memory_order_relaxed);
}

static_assert(sizeof(lockC) == lockC::sectionSize + 3 * sizeof(void*),
              "lockC is the platform lock storage and three guard words");
static_assert(sizeof(std::atomic<std::uintptr_t>) == sizeof(void*), "guard words are pointer-sized");
