// One small allocation and its free, again and again (LIFO), through the
// module's pooled heap and through the C library's malloc, at 8, 64 and 512
// bytes.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "memory/module_heap.h"

namespace {

struct poolHeapS {
  static void* allocate(std::size_t size) { return modulePool().allocate(size); }
  static void deallocate(void* p) { modulePool().deallocate(p); }
};

struct mallocHeapS {
  static void* allocate(std::size_t size) { return std::malloc(size); }
  static void deallocate(void* p) { std::free(p); }
};

template <class HeapT>
void lifoPairs(benchmark::State& state) {
  const std::size_t size = static_cast<std::size_t>(state.range(0));
  for (auto _ : state) {
    void* p = HeapT::allocate(size);
    benchmark::DoNotOptimize(p);
    HeapT::deallocate(p);
  }
  state.SetItemsProcessed(state.iterations());
}

void sizes(benchmark::internal::Benchmark* bench) {
  for (int size : {8, 64, 512}) bench->Arg(size);
}

}  // namespace

BENCHMARK_TEMPLATE(lifoPairs, poolHeapS)->Name("lifo/pool")->Apply(sizes);
BENCHMARK_TEMPLATE(lifoPairs, mallocHeapS)->Name("lifo/malloc")->Apply(sizes);
