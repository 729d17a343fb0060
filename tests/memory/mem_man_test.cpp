// memManSystemC and memManInterfaceC over the module's heap.
#include "memory/mem_man.h"

#include <gtest/gtest.h>

#include <thread>

#include "memory/module_heap.h"

namespace {

class frameworkObjectC : public memManInterfaceC {
 public:
  ZK_DELETING_DESTRUCTOR(frameworkObjectC)
  char payload[40] = {};
};

TEST(MemManInterface, ClassOperatorsUseTheModuleHeapAndFallBackToTheSystemManager) {
  currentManagerTable().get();  // this thread's slot, itself a pool block, exists from here on
  const std::uint64_t before = modulePool().outstanding;
  frameworkObjectC* object = new frameworkObjectC;
  ASSERT_NE(nullptr, object);
  EXPECT_EQ(before + 1, modulePool().outstanding);
  EXPECT_EQ(sizeof(frameworkObjectC), modulePool().blockSize(object));
  EXPECT_EQ(memManSystemC::instance(), object->getMemManager(true));
  deleteObject(object);
  EXPECT_EQ(before, modulePool().outstanding);
  EXPECT_EQ(memManSystemC::instance(), currentManagerTable().get()) << "the destructor records the manager";
  std::thread worker([] {
    EXPECT_EQ(nullptr, currentManagerTable().get()) << "a fresh thread: no destructor recorded a manager yet";
    const std::uint64_t workerBefore = modulePool().outstanding;
    void* raw = memManInterfaceC::operator new(32);
    EXPECT_EQ(workerBefore + 1, modulePool().outstanding);
    memManInterfaceC::operator delete(raw);
    EXPECT_EQ(workerBefore, modulePool().outstanding);
  });
  worker.join();
}

}  // namespace
