// Appending to the object collection against a std::vector of pointers
// doing the same reference work, for lists of 1 Ki and 64 Ki elements: build
// the list, then release it. Appending is amortised constant time when the
// ratio stays near 1 at both sizes (copying the array on every append would
// make the larger list hundreds of times slower per element).
#include <benchmark/benchmark.h>

#include <atomic>
#include <vector>

#include "runtime/object_collection.h"

namespace {

// An object whose counts cost what an atomic count costs and that is never
// destroyed.
class elementC final : public zkIUnknown {
 public:
  uint32_t QueryInterface(const zkIIDS*, void**) override { return 1; }
  uint32_t AddRef() override { return ++count; }
  uint32_t Release() override { return --count; }

 private:
  std::atomic<uint32_t> count{1};
};

elementC element;

void collectionAppends(benchmark::State& state) {
  const int size = static_cast<int>(state.range(0));
  for (auto _ : state) {
    zkClassObjectCollectionT<zkIUnknown>* collection = zkClassObjectCollectionT<zkIUnknown>::create();
    collection->AddRef();
    for (int i = 0; i < size; ++i) collection->add(&element);
    benchmark::DoNotOptimize(collection);
    collection->Release();
  }
  state.SetItemsProcessed(state.iterations() * size);
}

void vectorAppends(benchmark::State& state) {
  const int size = static_cast<int>(state.range(0));
  for (auto _ : state) {
    std::vector<zkIUnknown*> items;
    for (int i = 0; i < size; ++i) {
      element.AddRef();
      items.push_back(&element);
    }
    benchmark::DoNotOptimize(items.data());
    for (zkIUnknown* item : items) item->Release();
  }
  state.SetItemsProcessed(state.iterations() * size);
}

BENCHMARK(collectionAppends)->Name("append/collection")->Arg(1 << 10)->Arg(1 << 16);
BENCHMARK(vectorAppends)->Name("append/vector")->Arg(1 << 10)->Arg(1 << 16);

}  // namespace
