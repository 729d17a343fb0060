// Interface identifiers (the three comparison rules) and reference counting
// through defRAVODWrapperT.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "runtime/interface_id.h"
#include "runtime/ref_object.h"

namespace {

zkIIDS makeId(uint32_t length, const char* text) {
  zkIIDS id{};
  id.length = length;
  std::memcpy(id.name, text, std::min(std::strlen(text), sizeof(id.name)));
  return id;
}

std::string describe(const zkIIDS& id) {
  return "{" + std::to_string(id.length) + ", \"" + std::string(id.name, strnlen(id.name, sizeof(id.name))) + "\"}";
}

TEST(InterfaceId, ComparisonRules) {
  const char* unterminated = "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA";  // fills all 36 bytes
  const struct {
    zkIIDS a, b;
    bool equal;
    const char* why;
  } rows[] = {
      {makeId(8, "ZKIIDDSP"), makeId(8, "ZKIIDDSP"), true, "same counted text"},
      {makeId(8, "ZKIIDDSP"), makeId(8, "zkiiddsp"), false, "counted compare is case-sensitive"},
      {makeId(4, "ZKIIxxxx"), makeId(4, "ZKIIyyyy"), true, "counted compares only length bytes"},
      {makeId(8, "ZKIIDDSP"), makeId(0, "ZKIIDDSP"), true, "counted vs uncounted, exact text"},
      {makeId(8, "ZKIIDDSP"), makeId(0, "zkiiddsp"), false, "mixed compare is case-sensitive"},
      {makeId(8, "ZKIIDDSP"), makeId(0, "ZKIIDDSPX"), false, "uncounted text longer than count"},
      {makeId(8, "ZKIIDDSP"), makeId(0, "ZKIIDDS"), false, "uncounted text shorter than count"},
      {makeId(0, "ZKIIDDSP"), makeId(0, "zkiiddsp"), true, "two uncounted ignore case"},
      {makeId(0, "ZKCOMNATPTR"), makeId(0, "ZKCOMNATPT"), false, "uncounted prefix"},
      {makeId(0, ""), makeId(0, ""), true, "two empty uncounted"},
      {makeId(8, "ZKIIDDSP"), makeId(9, "ZKIIDDSP"), false, "different non-zero lengths"},
      {makeId(37, "ZKIIDDSP"), makeId(37, "ZKIIDDSP"), false, "length beyond the record"},
      {makeId(0, unterminated), makeId(0, "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"), true, "unterminated names"},
      {makeId(36, unterminated), makeId(0, unterminated), true, "unterminated, counted vs uncounted"},
      {makeId(0, "ZKSCR.SYMBOLREF"), zkIID_ISymbolRef, true, "global record"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.why) + ": " + describe(row.a) + " vs " + describe(row.b));
    EXPECT_EQ(row.equal, row.a.equal(row.b));
    EXPECT_EQ(row.equal, row.b.equal(row.a)) << "comparison must be symmetric";
  }
}

const zkIIDS kWidgetId = {0, "ZKTESTWIDGET"};
int widgetDestructions = 0;

class testWidgetC final : public defRAVODWrapperT<testWidgetC, zkIUnknown, &kWidgetId> {
 private:
  ~testWidgetC() override { ++widgetDestructions; }
};

TEST(RefObject, WrapperAnswersItsIdentifiers) {
  widgetDestructions = 0;
  testWidgetC* widget = new testWidgetC;
  EXPECT_EQ(0u, widget->currentRefCount()) << "a wrapper starts without references";
  const zkIIDS lowerCase = {0, "zktestwidget"};
  void* out = nullptr;
  EXPECT_EQ(0u, widget->QueryInterface(&lowerCase, &out));
  EXPECT_EQ(static_cast<zkIUnknown*>(widget), out);
  out = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(1u, widget->QueryInterface(&zkIID_IDispatch, &out));
  EXPECT_EQ(nullptr, out) << "wrapper classes clear the out pointer on failure";
  EXPECT_EQ(0u, widget->Release());
  EXPECT_EQ(1, widgetDestructions);
}

TEST(RefObject, ConcurrentReleaseDestroysExactlyOnce) {
  constexpr int kThreads = 4, kPerThread = 2000;
  for (int round = 0; round < 20; ++round) {
    widgetDestructions = 0;
    testWidgetC* widget = new testWidgetC;
    for (int i = 0; i < kThreads * kPerThread; ++i) widget->AddRef();
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
      threads.emplace_back([widget] {
        for (int i = 0; i < kPerThread; ++i) widget->Release();
      });
    }
    for (std::thread& thread : threads) thread.join();
    ASSERT_EQ(1, widgetDestructions) << "round " << round;
  }
}

}  // namespace
