// The benchmark program: runs every benchmark (repeat them with
// --benchmark_repetitions), prints Google Benchmark's own table, then one
// summary of the figures below, each from the medians of its two benchmarks
// in this run.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace {

// A figure is the ratio of a measured benchmark to its baseline, both run in
// this process, so that the load of a shared machine falls on both alike.
// Every benchmark reports items_per_second, turned into nanoseconds per item
// (the median of its repetitions). Time ratios are measured / baseline
// (lower is better); throughput ratios baseline / measured (higher is
// better).
enum benchRatioKindE { benchRatioTime, benchRatioThroughput };

struct benchFigureS {
  const char* label;     // what the ratio compares
  const char* measured;  // benchmark name of the numerator
  const char* baseline;  // benchmark name of the denominator
  benchRatioKindE kind;  // how the ratio is formed
  double goal;           // time: at most this; throughput: at least this
};

const benchFigureS figures[] = {
    {"16 B \"Convert\" via Invoke / direct libiconv", "convert/invoke/16", "convert/direct/16", benchRatioTime, 5},
    {"1 KiB \"Convert\" via Invoke / direct libiconv", "convert/invoke/1024", "convert/direct/1024", benchRatioTime,
     1.2},
    {"1 MiB \"Convert\" via Invoke / direct libiconv", "convert/invoke/1048576", "convert/direct/1048576",
     benchRatioTime, 1.05},
    {"pool alloc+free / malloc, LIFO, 8 B", "lifo/pool/8", "lifo/malloc/8", benchRatioTime, 2},
    {"pool alloc+free / malloc, LIFO, 64 B", "lifo/pool/64", "lifo/malloc/64", benchRatioTime, 2},
    {"pool alloc+free / malloc, LIFO, 512 B", "lifo/pool/512", "lifo/malloc/512", benchRatioTime, 2},
    {"collection append / std::vector, 1 Ki elements", "append/collection/1024", "append/vector/1024", benchRatioTime,
     2},
    {"collection append / std::vector, 64 Ki elements", "append/collection/65536", "append/vector/65536",
     benchRatioTime, 2},
    {"lockC enter+leave / std::mutex, uncontended", "lock/lockC", "lock/std::mutex", benchRatioTime, 1},
    {"HTML encode 1 MiB / plain conversion", "html/encode", "html/plain", benchRatioTime, 2},
    {"HTML decode 1 MiB / plain conversion", "html/decode", "html/plain", benchRatioTime, 2},
    {"2 threads x 1 KiB converters: throughput / 1 thread", "threads/convertString1KiB/real_time/threads:2",
     "threads/convertString1KiB/real_time/threads:1", benchRatioThroughput, 1.7},
    // 1.7 times the throughput on two free cores costs at most 2 / 1.7 times
    // the CPU time per conversion.
    {"2 threads x 1 KiB converters: CPU per conversion / 1 thread", "threads/convertString1KiB/cpu/threads:2",
     "threads/convertString1KiB/cpu/threads:1", benchRatioTime, 2 / 1.7},
};

// The name of a run without its repetition and aggregate parts, so that
// every repetition of one benchmark lands under one key.
std::string keyOf(const benchmark::BenchmarkReporter::Run& run) {
  const benchmark::BenchmarkName& name = run.run_name;
  std::string key = name.function_name;
  for (const std::string* part : {&name.args, &name.time_type, &name.threads}) {
    if (!part->empty()) key += "/" + *part;
  }
  return key;
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Google Benchmark's console table, plus nanoseconds per item of every
// repetition kept for the summary.
class summaryReporterC : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
      const auto items = run.counters.find("items_per_second");
      if (items == run.counters.end() || items->second.value <= 0) continue;
      samples[keyOf(run)].push_back(1e9 / items->second.value);
    }
    ConsoleReporter::ReportRuns(runs);
  }

  // One line per figure whose two benchmarks both ran (a filter may skip
  // some).
  void printSummary() const {
    std::printf("\n%-60s %12s %12s %8s %8s %5s  %s\n", "figure (medians)", "measured ns", "baseline ns", "ratio",
                "goal", "met", "reps");
    for (const benchFigureS& figure : figures) {
      const auto measured = samples.find(figure.measured);
      const auto baseline = samples.find(figure.baseline);
      if (measured == samples.end() || baseline == samples.end()) continue;
      const double top = median(measured->second);
      const double bottom = median(baseline->second);
      const bool time = figure.kind == benchRatioTime;
      const double ratio = time ? top / bottom : bottom / top;
      const bool met = time ? ratio <= figure.goal : ratio >= figure.goal;
      std::printf("%-60s %12.1f %12.1f %7.2fx %s%6.2fx %5s  %zu/%zu\n", figure.label, top, bottom, ratio,
                  time ? "<=" : ">=", figure.goal, met ? "yes" : "NO", measured->second.size(),
                  baseline->second.size());
    }
  }

 private:
  std::map<std::string, std::vector<double>> samples;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  // A host process has threads. The C library takes cheaper paths in a
  // process that has never started one (its mutexes skip the bus lock), so
  // start one first, to measure the baselines as a host would see them.
  std::thread([] {}).join();
  summaryReporterC reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.printSummary();
  benchmark::Shutdown();
  return 0;
}
