// An uncontended enter and leave of a lockC against a lock and unlock of a
// std::mutex.
#include <benchmark/benchmark.h>

#include <mutex>

#include "platform/lock.h"

namespace {

void lockCPair(benchmark::State& state) {
  static lockC lock;
  for (auto _ : state) {
    lockGuardC guard(lock);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
}

void stdMutexPair(benchmark::State& state) {
  static std::mutex mutex;
  for (auto _ : state) {
    std::lock_guard<std::mutex> guard(mutex);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
}

}  // namespace

BENCHMARK(lockCPair)->Name("lock/lockC");
BENCHMARK(stdMutexPair)->Name("lock/std::mutex");
