// The charset component's cost, in one run:
// (a) "Convert" through Invoke against one direct libiconv call (open,
//     convert, close) on the same text, ISO-8859-1 to UTF-8, at 16 bytes,
//     1 KiB and 1 MiB;
// (b) HTML encoding and decoding of 1 MiB of mixed Latin-1 text against the
//     plain conversion of the same text, through a converter's native face.
// After the runs a summary prints the ratios the component is held to.
#include <benchmark/benchmark.h>
#include <iconv.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "abi/charset_interfaces.h"
#include "abi/interface_ptr.h"
#include "charset/charset_factory.h"
#include "runtime/variant.h"

namespace {

// Mostly ASCII words, with Latin-1 letters, no-break spaces and markup
// characters mixed in; never a zero byte.
std::string mixedLatin1(size_t size) {
  static const char pieces[][8] = {"the ",
                                   "caf\xE9 ",
                                   "na\xEFve ",
                                   "a < b ",
                                   "\xA0",
                                   "Stra\xDF"
                                   "e ",
                                   "& ",
                                   "\"q\" ",
                                   "\xBD ",
                                   "word "};
  std::string text;
  unsigned seed = 12345;
  while (text.size() < size) {
    seed = seed * 1103515245u + 12345u;
    text += pieces[(seed >> 16) % (sizeof pieces / sizeof pieces[0])];
  }
  text.resize(size);
  return text;
}

zkInterfacePtrT<zkIDispatch> makeComponent() {
  void* answer = nullptr;
  prxbaseICharsetFactoryC::createInstance(zkIID_IDispatch, &answer);
  zkInterfacePtrT<zkIDispatch> component;
  component.attach(static_cast<zkIDispatch*>(static_cast<zkIUnknown*>(answer)));
  return component;
}

zkInterfacePtrT<zkICharsetConverter> openConverter(const char* from, const char* to) {
  void* answer = nullptr;
  prxbaseICharsetFactoryC::createInstance(zkIID_ICharsetFactory, &answer);
  zkInterfacePtrT<ICharsetFactory> factory;
  factory.attach(static_cast<ICharsetFactory*>(static_cast<zkIUnknown*>(answer)));
  zkIUnknown* converter = nullptr;
  factory->openConverter(from, to, &converter);
  zkInterfacePtrT<zkICharsetConverter> held;
  held.attach(static_cast<zkICharsetConverter*>(converter));
  return held;
}

void invokeConvert(benchmark::State& state) {
  const std::string text = mixedLatin1(static_cast<size_t>(state.range(0)));
  auto component = makeComponent();
  zkVariantS args[3];
  args[0].setString("ISO-8859-1");
  args[1].setString("UTF-8");
  args[2].setString(text.c_str());
  for (auto _ : state) {
    zkVariantS result;
    if (component->Invoke("Convert", kindMethod, 3, args, &result, nullptr) != 0 || result.type != zkVarString) {
      state.SkipWithError("Convert failed");
      break;
    }
    benchmark::DoNotOptimize(result.value.stringValue);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}

void directLibiconv(benchmark::State& state) {
  const std::string text = mixedLatin1(static_cast<size_t>(state.range(0)));
  std::vector<char> out(text.size() * 8 + 1);
  for (auto _ : state) {
    iconv_t handle = iconv_open("UTF-8", "ISO-8859-1");
    const char* in = text.data();
    size_t inLeft = text.size();
    char* output = out.data();
    size_t outLeft = out.size() - 1;
    if (iconv(handle, &in, &inLeft, &output, &outLeft) == static_cast<size_t>(-1)) {
      state.SkipWithError("iconv failed");
    }
    iconv_close(handle);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}

void convertString(benchmark::State& state, const char* from, const char* to, const std::string& text) {
  auto converter = openConverter(from, to);
  for (auto _ : state) {
    zkVariantS result;
    if (converter->ConvertString(text.c_str(), &result) != 0) {
      state.SkipWithError("ConvertString failed");
      break;
    }
    benchmark::DoNotOptimize(result.value.stringValue);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * text.size());
}

constexpr size_t htmlTextSize = 1 << 20;

void plainConversion(benchmark::State& state) {
  convertString(state, "ISO-8859-1", "UTF-8", mixedLatin1(htmlTextSize));
}

void htmlEncode(benchmark::State& state) { convertString(state, "ISO-8859-1", "HTML", mixedLatin1(htmlTextSize)); }

void htmlDecode(benchmark::State& state) {
  // The entity text of the same 1 MiB; throughput counts its own bytes.
  auto encoder = openConverter("ISO-8859-1", "HTML");
  zkVariantS encoded;
  encoder->ConvertString(mixedLatin1(htmlTextSize).c_str(), &encoded);
  const char* html = "";
  encoded.getString(&html);
  convertString(state, "HTML", "ISO-8859-1", html);
}

BENCHMARK(invokeConvert)->Arg(16)->Arg(1024)->Arg(1 << 20);
BENCHMARK(directLibiconv)->Arg(16)->Arg(1024)->Arg(1 << 20);
BENCHMARK(plainConversion);
BENCHMARK(htmlEncode);
BENCHMARK(htmlDecode);

// Keeps the real time per iteration of every run for the summary.
class summaryReporterC : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      times[run.benchmark_name()] = run.GetAdjustedRealTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }

  // Prints the ratios whose two runs both ran (a filter may skip some).
  void printSummary() const {
    std::printf("\nsummary (real time ratios)\n");
    for (const char* size : {"16", "1024", "1048576"}) {
      printRatio(std::string("Convert via Invoke / direct libiconv at ") + size + " bytes",
                 std::string("invokeConvert/") + size, std::string("directLibiconv/") + size,
                 std::string(size) == "1048576" ? "  (goal <= 1.3)" : "");
    }
    printRatio("HTML encode / plain conversion, 1 MiB", "htmlEncode", "plainConversion", "  (goal <= 3)");
    printRatio("HTML decode / plain conversion, 1 MiB of text", "htmlDecode", "plainConversion", "");
  }

 private:
  void printRatio(const std::string& label, const std::string& numerator, const std::string& denominator,
                  const char* goal) const {
    const auto top = times.find(numerator);
    const auto bottom = times.find(denominator);
    if (top == times.end() || bottom == times.end()) return;
    std::printf("  %s: %.2f%s\n", label.c_str(), top->second / bottom->second, goal);
  }

  std::map<std::string, double> times;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  summaryReporterC reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.printSummary();
  benchmark::Shutdown();
  return 0;
}
