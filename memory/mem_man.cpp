// memManSystemC and memManInterfaceC over the module's pooled heap.
#include "memory/mem_man.h"

#include "memory/module_heap.h"

namespace {

memManSystemC systemManager;

}  // namespace

void* memManSystemC::allocate(std::uint64_t size) { return modulePool().allocate(size); }

void memManSystemC::deallocate(void* p) { modulePool().deallocate(p); }

void* memManSystemC::reallocate(void* p, std::uint64_t size) { return modulePool().reallocate(p, size); }

memManSystemC* memManSystemC::instance() { return &systemManager; }

memManSystemC* memManInterfaceC::getMemManager(bool) { return memManSystemC::instance(); }

memManInterfaceC::~memManInterfaceC() { currentManagerTable().set(memManSystemC::instance()); }

void* memManInterfaceC::operator new(std::size_t size) noexcept {
  lockGuardC guard(moduleAllocationLock());
  return memManSystemC::instance()->allocate(size);
}

void memManInterfaceC::operator delete(void* p) noexcept {
  if (p == nullptr) return;
  lockGuardC guard(moduleAllocationLock());
  memManSystemC* manager = currentManagerTable().get();
  if (manager == nullptr) manager = memManSystemC::instance();
  manager->deallocate(p);
}

void* memManInterfaceC::allocate(std::uint64_t size) {
  lockGuardC guard(moduleAllocationLock());
  return memManSystemC::instance()->allocate(size);
}

void memManInterfaceC::deallocate(void* p) {
  lockGuardC guard(moduleAllocationLock());
  memManSystemC::instance()->deallocate(p);
}

void* memManInterfaceC::reallocate(void* p, std::uint64_t size) {
  lockGuardC guard(moduleAllocationLock());
  return memManSystemC::instance()->reallocate(p, size);
}
