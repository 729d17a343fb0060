// The charset component's cost:
// - "Convert" through Invoke against one direct libiconv open + convert +
//   close of the same text, ISO-8859-1 to UTF-8, at 16 bytes, 1 KiB, 1 MiB;
// - HTML encoding and decoding of 1 MiB of mixed Latin-1 text against the
//   plain conversion of the same text, through a converter's native face;
// - "ConvertString" of 1 KiB texts through Invoke, each thread on its own
//   converter, on one thread and on two.
#include <benchmark/benchmark.h>
#include <iconv.h>

#include <string>
#include <vector>

#include "abi/charset_interfaces.h"
#include "abi/interface_ptr.h"
#include "bench_text.h"
#include "charset/charset_factory.h"
#include "runtime/variant.h"

namespace {

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
  const std::string text = benchMixedLatin1(static_cast<size_t>(state.range(0)));
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
  state.SetItemsProcessed(state.iterations());
}

void directLibiconv(benchmark::State& state) {
  const std::string text = benchMixedLatin1(static_cast<size_t>(state.range(0)));
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
  state.SetItemsProcessed(state.iterations());
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
  state.SetItemsProcessed(state.iterations());
}

constexpr size_t htmlTextSize = 1 << 20;

void plainConversion(benchmark::State& state) {
  convertString(state, "ISO-8859-1", "UTF-8", benchMixedLatin1(htmlTextSize));
}

void htmlEncode(benchmark::State& state) { convertString(state, "ISO-8859-1", "HTML", benchMixedLatin1(htmlTextSize)); }

// Decodes the entity text of the same 1 MiB.
void htmlDecode(benchmark::State& state) {
  auto encoder = openConverter("ISO-8859-1", "HTML");
  zkVariantS encoded;
  encoder->ConvertString(benchMixedLatin1(htmlTextSize).c_str(), &encoded);
  const char* html = "";
  encoded.getString(&html);
  convertString(state, "HTML", "ISO-8859-1", html);
}

// Each thread converts 1 KiB texts through "ConvertString" on a converter
// of its own; items are conversions of all threads together.
void threadsConvertString(benchmark::State& state) {
  const std::string text = benchMixedLatin1(1024);
  auto converter = openConverter("ISO-8859-1", "UTF-8");
  zkInterfacePtrT<zkIDispatch> dispatch;
  dispatch.query(converter.get(), zkIID_IDispatch);
  zkVariantS argument;
  argument.setString(text.c_str());
  for (auto _ : state) {
    zkVariantS result;
    if (dispatch->Invoke("ConvertString", kindMethod, 1, &argument, &result, nullptr) != 0 ||
        result.type != zkVarString) {
      state.SkipWithError("ConvertString failed");
      break;
    }
    benchmark::DoNotOptimize(result.value.stringValue);
  }
  state.SetItemsProcessed(state.iterations());
}

}  // namespace

BENCHMARK(invokeConvert)->Name("convert/invoke")->Arg(16)->Arg(1024)->Arg(1 << 20);
BENCHMARK(directLibiconv)->Name("convert/direct")->Arg(16)->Arg(1024)->Arg(1 << 20);
BENCHMARK(plainConversion)->Name("html/plain")->Unit(benchmark::kMillisecond);
BENCHMARK(htmlEncode)->Name("html/encode")->Unit(benchmark::kMillisecond);
BENCHMARK(htmlDecode)->Name("html/decode")->Unit(benchmark::kMillisecond);
BENCHMARK(threadsConvertString)->Name("threads/convertString1KiB")->Threads(1)->Threads(2)->UseRealTime();
// The same in CPU time, which a loaded machine does not distort: the cost of
// one conversion when two threads share the locks, against one thread.
BENCHMARK(threadsConvertString)->Name("threads/convertString1KiB/cpu")->Threads(1)->Threads(2);
