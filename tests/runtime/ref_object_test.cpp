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

class testWidgetC final
    : public defRAVODWrapperT<testWidgetC, zkITestWidget, &kWidgetId> {
 public:
  uint32_t Poke(uint32_t value) override { return value + 1; }

 private:
  ~testWidgetC() override { ++widgetDestructions; }
};

TEST(RefObject, StartsAtZeroAndDestroysOnLastRelease) {
  widgetDestructions = 0;
  testWidgetC* widget = new testWidgetC;
  EXPECT_EQ(0u, widget->currentRefCount());
  EXPECT_EQ(1u, widget->AddRef());
  EXPECT_EQ(2u, widget->AddRef());
  EXPECT_EQ(1u, widget->Release());
  EXPECT_EQ(0, widgetDestructions);
  EXPECT_EQ(0u, widget->Release());
  EXPECT_EQ(1, widgetDestructions);
}

TEST(RefObject, WrapperQueryInterface) {
  widgetDestructions = 0;
  zkInterfacePtrT<zkITestWidget> widget(new testWidgetC);
  ASSERT_EQ(1u, static_cast<testWidgetC*>(widget.get())->currentRefCount());

  void* out = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(0u, widget->QueryInterface(&zkIID_IUnknown, &out));
  EXPECT_EQ(static_cast<zkIUnknown*>(widget.get()), out);
  static_cast<zkIUnknown*>(out)->Release();

  const zkIIDS lowerCase = {0, "zktestwidget"};
  out = nullptr;
  EXPECT_EQ(0u, widget->QueryInterface(&lowerCase, &out));
  EXPECT_EQ(static_cast<zkIUnknown*>(widget.get()), out);
  static_cast<zkIUnknown*>(out)->Release();

  out = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(1u, widget->QueryInterface(&zkIID_IDispatch, &out));
  EXPECT_EQ(nullptr, out) << "wrapper classes clear the out pointer on failure";
  EXPECT_EQ(1u, static_cast<testWidgetC*>(widget.get())->currentRefCount());

  zkInterfacePtrT<zkITestWidget> second;
  EXPECT_EQ(0u, second.query(widget.get(), kWidgetId));
  EXPECT_EQ(2u, static_cast<testWidgetC*>(widget.get())->currentRefCount());
  EXPECT_EQ(8u, second->Poke(7));
  second.reset();
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

TEST(InterfacePtr, CopyMoveAttachDetach) {
  widgetDestructions = 0;
  testWidgetC* raw = new testWidgetC;
  {
    zkInterfacePtrT<zkITestWidget> a(raw);
    zkInterfacePtrT<zkITestWidget> b(a);
    EXPECT_EQ(2u, raw->currentRefCount());
    zkInterfacePtrT<zkITestWidget> c(std::move(b));
    EXPECT_EQ(nullptr, b.get());
    EXPECT_EQ(2u, raw->currentRefCount());
    c = a;
    EXPECT_EQ(2u, raw->currentRefCount());
    zkITestWidget* owned = c.detach();
    EXPECT_EQ(2u, raw->currentRefCount());
    c.attach(owned);
    EXPECT_EQ(2u, raw->currentRefCount());
    EXPECT_EQ(1u, c.query(nullptr, kWidgetId));
    EXPECT_EQ(1u, raw->currentRefCount());
  }
  EXPECT_EQ(1, widgetDestructions);
}

}  // namespace
