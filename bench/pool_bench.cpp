// Small allocate/free pairs through memPoolC against malloc/free: LIFO pairs
// and batches freed in shuffled order, for 8, 64, 512 and 2040 bytes. After
// the runs a summary prints, per case, nanoseconds per pair for both and the
// ratio pool / malloc (below 1: the pool is faster).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "memory/mem_pool.h"

namespace {

constexpr int batchSize = 256;

lockC benchPoolLock;
memPoolC benchPool(&benchPoolLock);

struct poolHeapS {
  static void* allocate(std::size_t size) { return benchPool.allocate(size); }
  static void deallocate(void* p) { benchPool.deallocate(p); }
};

struct mallocHeapS {
  static void* allocate(std::size_t size) { return std::malloc(size); }
  static void deallocate(void* p) { std::free(p); }
};

const std::vector<int>& shuffledOrder() {
  static const std::vector<int> order = [] {
    std::vector<int> indices(batchSize);
    for (int i = 0; i < batchSize; ++i) indices[i] = i;
    std::shuffle(indices.begin(), indices.end(), std::mt19937(12345));
    return indices;
  }();
  return order;
}

// One allocation and its free, again and again.
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

// A batch of allocations, freed in a fixed shuffled order.
template <class HeapT>
void shuffledBatches(benchmark::State& state) {
  const std::size_t size = static_cast<std::size_t>(state.range(0));
  const std::vector<int>& order = shuffledOrder();
  void* blocks[batchSize];
  for (auto _ : state) {
    for (void*& block : blocks) block = HeapT::allocate(size);
    benchmark::DoNotOptimize(blocks);
    for (int index : order) HeapT::deallocate(blocks[index]);
  }
  state.SetItemsProcessed(state.iterations() * batchSize);
}

void sizes(benchmark::internal::Benchmark* bench) {
  for (int size : {8, 64, 512, 2040}) bench->Arg(size);
}

BENCHMARK_TEMPLATE(lifoPairs, poolHeapS)->Name("lifo/pool")->Apply(sizes);
BENCHMARK_TEMPLATE(lifoPairs, mallocHeapS)->Name("lifo/malloc")->Apply(sizes);
BENCHMARK_TEMPLATE(shuffledBatches, poolHeapS)->Name("shuffled/pool")->Apply(sizes);
BENCHMARK_TEMPLATE(shuffledBatches, mallocHeapS)->Name("shuffled/malloc")->Apply(sizes);

// Console output as usual, plus the nanoseconds per pair of every run kept
// for the summary.
class summaryReporterC : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.iterations == 0) continue;
      const auto items = run.counters.find("items_per_second");
      if (items == run.counters.end() || items->second.value <= 0) continue;
      nanosecondsPerPair[run.benchmark_name()] = 1e9 / items->second.value;
    }
    ConsoleReporter::ReportRuns(runs);
  }

  void printSummary() const {
    std::printf("\n%-10s %6s %12s %12s %8s\n", "order", "bytes", "pool ns", "malloc ns", "ratio");
    for (const char* order : {"lifo", "shuffled"}) {
      for (int size : {8, 64, 512, 2040}) {
        const std::string suffix = "/" + std::to_string(size);
        const auto pool = nanosecondsPerPair.find(std::string(order) + "/pool" + suffix);
        const auto native = nanosecondsPerPair.find(std::string(order) + "/malloc" + suffix);
        if (pool == nanosecondsPerPair.end() || native == nanosecondsPerPair.end()) continue;
        std::printf("%-10s %6d %12.2f %12.2f %8.2f\n", order, size, pool->second, native->second,
                    pool->second / native->second);
      }
    }
  }

 private:
  std::map<std::string, double> nanosecondsPerPair;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  summaryReporterC reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.printSummary();
  benchmark::Shutdown();
  return 0;
}
