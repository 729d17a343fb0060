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

TEST(ObjectCollection, EmptyAndAnEmptyElement) {
  fakeUnknownC sentinel;
  zkIUnknown* out = &sentinel;
  uint32_t count = 99;
  zkInterfacePtrT<collectionC> collection(collectionC::create());
  EXPECT_EQ(0u, collection->GetCount(&count));
  EXPECT_EQ(0u, count);
  EXPECT_EQ(1u, collection->GetItem(0, &out));
  EXPECT_EQ(&sentinel, out) << "an index past the end leaves the out pointer alone";
  ASSERT_EQ(0u, collection->add(nullptr));
  EXPECT_EQ(0u, collection->GetItem(0, &out));
  EXPECT_EQ(nullptr, out);
}

// Many appends keep order and exactly one reference per element (an object
// added twice holds two), all given back with the collection. The room
// doubles, so the array moves a logarithmic number of times.
TEST(ObjectCollection, GrowsGeometricallyKeepingOrderAndReferences) {
  constexpr uint32_t kItems = 5000;
  std::vector<std::unique_ptr<fakeUnknownC>> items;
  zkInterfacePtrT<collectionC> collection(collectionC::create());
  int moves = 0;
  for (uint32_t i = 0; i < kItems; ++i) {
    const uint64_t room = collection->capacity();
    items.push_back(std::make_unique<fakeUnknownC>());
    ASSERT_EQ(0u, collection->add(items.back().get()));
    if (collection->capacity() != room) ++moves;
  }
  ASSERT_EQ(0u, collection->add(items[0].get()));
  EXPECT_LE(moves, 12);
  EXPECT_LE(collection->capacity(), 2u * kItems);
  uint32_t count = 0;
  collection->GetCount(&count);
  EXPECT_EQ(kItems + 1, count);
  for (uint32_t i = 0; i <= kItems; ++i) {
    zkInterfacePtrT<zkIUnknown> item;
    ASSERT_EQ(0u, collection->GetItem(i, item.out()));
    ASSERT_EQ(items[i % kItems].get(), item.get()) << "element " << i;
  }
  EXPECT_EQ(3u, items[0]->refs) << "the test's and two elements";
  EXPECT_EQ(2u, items[1]->refs) << "the test's and one element";
  collection.reset();
  for (const auto& item : items) ASSERT_TRUE(balanced(*item));
}

}  // namespace
