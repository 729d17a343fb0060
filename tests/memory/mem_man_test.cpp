// memManSystemC, memManInterfaceC and memManDataPoolC over the module's heap.
#include "memory/mem_man.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include "memory/module_heap.h"

namespace {

class frameworkObjectC : public memManInterfaceC {
 public:
  char payload[40] = {};
};

TEST(MemManInterface, ClassOperatorsUseTheModuleHeap) {
  currentManagerTable().get();  // this thread's slot, itself a pool block, exists from here on
  const std::uint64_t before = modulePool().outstanding;
  frameworkObjectC* object = new frameworkObjectC;
  ASSERT_NE(nullptr, object);
  EXPECT_EQ(before + 1, modulePool().outstanding);
  EXPECT_EQ(sizeof(frameworkObjectC), modulePool().blockSize(object));
  EXPECT_EQ(memManSystemC::instance(), object->getMemManager(true));
  delete object;
  memManSystemC::instance()->deallocate(nullptr);  // nothing happens
  EXPECT_EQ(before, modulePool().outstanding);
  EXPECT_EQ(memManSystemC::instance(), currentManagerTable().get()) << "the destructor records the manager";
}

TEST(MemManInterface, ClassDeleteWithoutADestructorFallsBackToTheSystemManager) {
  std::thread worker([] {
    EXPECT_EQ(nullptr, currentManagerTable().get()) << "a fresh thread: no destructor recorded a manager yet";
    const std::uint64_t before = modulePool().outstanding;
    void* raw = memManInterfaceC::operator new(32);
    EXPECT_EQ(before + 1, modulePool().outstanding);
    memManInterfaceC::operator delete(raw);
    EXPECT_EQ(before, modulePool().outstanding);
  });
  worker.join();
}

TEST(MemManDataPool, AssignCopyReallocateAndEmpty) {
  memManDataPoolC<char> a;
  ASSERT_TRUE(a.assign("hello", 6));
  memManDataPoolC<char> b(a);
  EXPECT_NE(a.data, b.data);
  EXPECT_STREQ("hello", b.data);
  const char* before = b.data;
  b = b;  // same data: nothing happens
  EXPECT_EQ(before, b.data);
  ASSERT_TRUE(b.reallocate(3));
  EXPECT_EQ(3u, b.size);
  EXPECT_EQ(0, std::memcmp("hel", b.data, 3));
  ASSERT_TRUE(a.assign(a.data + 1, 5));  // a source inside its own storage is read before that is freed
  ASSERT_EQ(5u, a.size);
  EXPECT_EQ(0, std::memcmp("ello", a.data, 5)) << "last byte 0x" << std::hex << (a.data[4] & 0xFF);
  ASSERT_TRUE(a.assign(nullptr, 4));
  EXPECT_EQ(nullptr, a.data) << "a null source leaves no storage";
  EXPECT_EQ(0u, a.size);
  ASSERT_TRUE(a.allocate(10));
  EXPECT_EQ(10u, modulePool().blockSize(a.data));
  a = memManDataPoolC<char>();
  EXPECT_EQ(nullptr, a.data) << "copying an empty buffer empties";
}

}  // namespace
