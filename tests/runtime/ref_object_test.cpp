// Reference counting through defRAVODWrapperT and zkInterfacePtrT.
#include "runtime/ref_object.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "runtime/interface_ptr.h"

namespace {

class zkITestWidget : public zkIUnknown {
 public:
  virtual uint32_t Poke(uint32_t value) = 0;

 protected:
  ~zkITestWidget() = default;
};

const zkIIDS kWidgetId = {0, "ZKTESTWIDGET"};

int widgetDestructions = 0;

class testWidgetC final : public defRAVODWrapperT<testWidgetC, zkITestWidget, &kWidgetId> {
 public:
  uint32_t Poke(uint32_t value) override { return value + 1; }

 private:
  ~testWidgetC() override { ++widgetDestructions; }
};

TEST(RefObject, WrapperCountsAndAnswers) {
  widgetDestructions = 0;
  testWidgetC* raw = new testWidgetC;
  EXPECT_EQ(0u, raw->currentRefCount()) << "a wrapper starts without references";
  zkInterfacePtrT<zkITestWidget> widget(raw);
  const zkIIDS lowerCase = {0, "zktestwidget"};
  for (const zkIIDS* id : {&zkIID_IUnknown, &lowerCase}) {
    void* out = nullptr;
    EXPECT_EQ(0u, widget->QueryInterface(id, &out)) << id->name;
    EXPECT_EQ(static_cast<zkIUnknown*>(raw), out);
    EXPECT_EQ(2u, raw->currentRefCount());
    static_cast<zkIUnknown*>(out)->Release();
  }
  void* out = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(1u, widget->QueryInterface(&zkIID_IDispatch, &out));
  EXPECT_EQ(nullptr, out) << "wrapper classes clear the out pointer on failure";

  zkInterfacePtrT<zkITestWidget> second(widget);
  zkInterfacePtrT<zkITestWidget> moved(std::move(second));
  EXPECT_EQ(nullptr, second.get());
  EXPECT_EQ(2u, raw->currentRefCount()) << "a move takes the reference over";
  moved.attach(moved.detach());
  EXPECT_EQ(2u, raw->currentRefCount()) << "detach and attach keep the reference";
  EXPECT_EQ(1u, moved.query(nullptr, kWidgetId)) << "a failed query empties the holder";
  EXPECT_EQ(1u, raw->currentRefCount());
  EXPECT_EQ(8u, widget->Poke(7));
  widget.reset();
  EXPECT_EQ(1, widgetDestructions);
}

TEST(RefObject, ConcurrentReleaseDestroysExactlyOnce) {
  constexpr int kThreads = 4;
  constexpr int kPerThread = 2000;
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
