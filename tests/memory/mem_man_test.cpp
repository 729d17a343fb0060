// memManSystemC, memManInterfaceC and memManDataPoolC over the module's heap.
#include "memory/mem_man.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include "memory/module_heap.h"

namespace {

// A framework object that counts its constructions and destructions.
class countedObjectC : public memManInterfaceC {
 public:
  countedObjectC() { ++constructed; }
  ~countedObjectC() override { ++destroyed; }
  char payload[40] = {};
  static int constructed;
  static int destroyed;
};
int countedObjectC::constructed = 0;
int countedObjectC::destroyed = 0;

TEST(MemManInterface, ClassOperatorsUseTheModuleHeap) {
  currentManagerTable().get();  // this thread's slot, itself a pool block, exists from here on
  const std::uint64_t before = modulePool().outstanding;
  countedObjectC::constructed = countedObjectC::destroyed = 0;
  countedObjectC* object = new countedObjectC;
  ASSERT_NE(nullptr, object);
  EXPECT_EQ(before + 1, modulePool().outstanding);
  EXPECT_EQ(sizeof(countedObjectC), modulePool().blockSize(object));
  EXPECT_EQ(memManSystemC::instance(), object->getMemManager(true));
  EXPECT_EQ(memManSystemC::instance(), object->getMemManager(false));
  delete object;
  EXPECT_EQ(1, countedObjectC::constructed);
  EXPECT_EQ(1, countedObjectC::destroyed);
  EXPECT_EQ(before, modulePool().outstanding);
  EXPECT_EQ(memManSystemC::instance(), currentManagerTable().get()) << "the destructor records the manager";
}

TEST(MemManInterface, ClassDeleteWithoutADestructorFallsBackToTheSystemManager) {
  std::thread worker([] {
    // A fresh thread: no destructor has recorded a manager yet.
    EXPECT_EQ(nullptr, currentManagerTable().get());
    const std::uint64_t before = modulePool().outstanding;
    void* raw = memManInterfaceC::operator new(32);
    EXPECT_EQ(before + 1, modulePool().outstanding);
    memManInterfaceC::operator delete(raw);
    EXPECT_EQ(before, modulePool().outstanding);
  });
  worker.join();
}

TEST(MemManSystem, ForwardsToThePool) {
  memManSystemC* manager = memManSystemC::instance();
  const std::uint64_t before = modulePool().outstanding;
  char* p = static_cast<char*>(manager->allocate(5));
  std::memcpy(p, "abcd", 5);
  char* q = static_cast<char*>(manager->reallocate(p, 5));
  EXPECT_NE(p, q);
  EXPECT_STREQ("abcd", q);
  manager->deallocate(q);
  manager->deallocate(nullptr);
  EXPECT_EQ(before, modulePool().outstanding);
}

TEST(MemManDataPool, AllocateAssignCopyAndRelease) {
  memManDataPoolC<char> a;
  EXPECT_EQ(nullptr, a.data);
  EXPECT_EQ(0u, a.size);

  ASSERT_TRUE(a.assign("hello", 6));
  EXPECT_EQ(6u, a.size);
  EXPECT_STREQ("hello", a.data);

  memManDataPoolC<char> b(a);
  EXPECT_NE(a.data, b.data);
  EXPECT_STREQ("hello", b.data);

  const char* before = b.data;
  b = b;  // same data: nothing happens
  EXPECT_EQ(before, b.data);

  ASSERT_TRUE(b.reallocate(3));
  EXPECT_EQ(0, std::memcmp("hel", b.data, 3));
  EXPECT_EQ(3u, b.size);

  ASSERT_TRUE(a.assign(nullptr, 4));
  EXPECT_EQ(nullptr, a.data) << "a null source leaves no storage";
  EXPECT_EQ(0u, a.size);

  ASSERT_TRUE(a.allocate(10));
  EXPECT_EQ(10u, a.size);
  EXPECT_EQ(10u, modulePool().blockSize(a.data));
  a = memManDataPoolC<char>();
  EXPECT_EQ(nullptr, a.data) << "copying an empty buffer empties";
  b.release();
  EXPECT_EQ(0u, b.size);
}

// A copy whose source lies inside the buffer's own storage reads the old
// bytes before they are freed.
TEST(MemManDataPool, AssignFromItsOwnStorage) {
  memManDataPoolC<char> a;
  ASSERT_TRUE(a.assign("hello", 6));
  ASSERT_TRUE(a.assign(a.data + 1, 5));
  EXPECT_EQ(5u, a.size);
  ASSERT_NE(nullptr, a.data);
  EXPECT_EQ(0, std::memcmp("ello", a.data, 5))
      << "bytes 0x" << std::hex << (a.data[4] & 0xFF) << " at the end";
}

}  // namespace
