// The object collection: order, count, one reference per element and
// nothing else held, and growth that does not copy on every append.
#include "runtime/object_collection.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "abi/interface_ptr.h"
#include "runtime_fakes.h"

namespace {

using collectionC = zkClassObjectCollectionT<zkIUnknown>;

zkInterfacePtrT<collectionC> makeCollection(uint32_t initialCount = 0) {
  return zkInterfacePtrT<collectionC>(collectionC::create(initialCount));
}

TEST(ObjectCollection, EmptyAndInitialElements) {
  fakeUnknownC sentinel;
  zkIUnknown* out = &sentinel;
  uint32_t count = 99;
  auto fresh = makeCollection();
  ASSERT_TRUE(fresh);
  EXPECT_EQ(0u, fresh->GetCount(&count));
  EXPECT_EQ(0u, count);
  EXPECT_EQ(1u, fresh->GetItem(0, &out));
  EXPECT_EQ(&sentinel, out) << "an index past the end leaves the out pointer alone";
  EXPECT_EQ(1u, fresh->GetCount(nullptr));
  EXPECT_EQ(1u, fresh->GetItem(0, nullptr));

  // Initial elements are empty; appending goes after them.
  auto preset = makeCollection(2);
  ASSERT_EQ(0u, preset->add(&sentinel));
  EXPECT_EQ(0u, preset->GetCount(&count));
  EXPECT_EQ(3u, count);
  EXPECT_EQ(0u, preset->GetItem(1, &out));
  EXPECT_EQ(nullptr, out);
  EXPECT_EQ(0u, preset->GetItem(2, &out));
  EXPECT_EQ(&sentinel, out);
  out->Release();
  EXPECT_EQ(1u, preset->GetItem(3, &out));
  EXPECT_EQ(0u, preset->add(nullptr)) << "a null element is empty";
  preset.reset();
  EXPECT_TRUE(balanced(sentinel));
}

TEST(ObjectCollection, OneReferencePerElementReleasedWithTheCollection) {
  fakeUnknownC twice, once;
  auto collection = makeCollection();
  ASSERT_EQ(0u, collection->add(&twice));
  ASSERT_EQ(0u, collection->add(&once));
  ASSERT_EQ(0u, collection->add(&twice));
  EXPECT_EQ(3u, twice.refs) << "the test's and one per element";
  EXPECT_EQ(2u, once.refs);
  const zkIUnknown* expected[] = {&twice, &once, &twice};
  for (uint32_t i = 0; i < 3; ++i) {
    SCOPED_TRACE("element " + std::to_string(i));
    zkInterfacePtrT<zkIUnknown> item;
    ASSERT_EQ(0u, collection->GetItem(i, item.out()));
    EXPECT_EQ(expected[i], item.get());
  }
  EXPECT_EQ(3u, twice.refs) << "every reference handed out came back";
  collection.reset();
  EXPECT_TRUE(balanced(twice));
  EXPECT_TRUE(balanced(once));
}

// Many appends keep order and references; the room doubles, so the array is
// moved only a logarithmic number of times and never holds references beyond
// the count.
TEST(ObjectCollection, GrowsGeometricallyKeepingOrder) {
  constexpr uint32_t kItems = 5000;
  std::vector<std::unique_ptr<fakeUnknownC>> items;
  auto collection = makeCollection();
  int roomChanges = 0;
  uint64_t room = collection->capacity();
  for (uint32_t i = 0; i < kItems; ++i) {
    items.push_back(std::make_unique<fakeUnknownC>());
    ASSERT_EQ(0u, collection->add(items.back().get()));
    if (collection->capacity() != room) ++roomChanges;
    room = collection->capacity();
    ASSERT_GE(room, i + 1u);
  }
  EXPECT_LE(roomChanges, 12) << "room for " << kItems << " elements after " << roomChanges << " moves";
  EXPECT_LE(room, 2u * kItems);
  uint32_t count = 0;
  collection->GetCount(&count);
  EXPECT_EQ(kItems, count);
  for (uint32_t i = 0; i < kItems; ++i) {
    zkInterfacePtrT<zkIUnknown> item;
    ASSERT_EQ(0u, collection->GetItem(i, item.out()));
    ASSERT_EQ(items[i].get(), item.get()) << "element " << i;
    ASSERT_EQ(3u, items[i]->refs) << "the test's, the element's and the one handed out; element " << i;
  }
  collection.reset();
  for (const auto& item : items) ASSERT_TRUE(balanced(*item));
}

}  // namespace
