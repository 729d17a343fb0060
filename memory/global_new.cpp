// The global allocation operators of the module: every form goes to the
// module's pooled heap and holds only the pool lock. A failed allocation
// answers null, also from the throwing forms (the module is built with
// -fcheck-new, so every new-expression tests its result). Over-aligned
// requests (more than 8, the pool's alignment) take the aligned path of the
// heap and must come back through the aligned delete forms, as the language
// arranges for over-aligned types.
#include <cstddef>
#include <new>

#include "memory/module_heap.h"

void* operator new(std::size_t size) { return modulePool().allocate(size); }
void* operator new[](std::size_t size) { return modulePool().allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return modulePool().allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return modulePool().allocate(size); }

void* operator new(std::size_t size, std::align_val_t alignment) {
  return modulePool().allocateAligned(size, static_cast<std::size_t>(alignment));
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
  return modulePool().allocateAligned(size, static_cast<std::size_t>(alignment));
}
void* operator new(std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
  return modulePool().allocateAligned(size, static_cast<std::size_t>(alignment));
}
void* operator new[](std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
  return modulePool().allocateAligned(size, static_cast<std::size_t>(alignment));
}

void operator delete(void* p) noexcept { modulePool().deallocate(p); }
void operator delete[](void* p) noexcept { modulePool().deallocate(p); }
void operator delete(void* p, std::size_t) noexcept { modulePool().deallocate(p); }
void operator delete[](void* p, std::size_t) noexcept { modulePool().deallocate(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { modulePool().deallocate(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { modulePool().deallocate(p); }

void operator delete(void* p, std::align_val_t alignment) noexcept {
  modulePool().deallocateAligned(p, static_cast<std::size_t>(alignment));
}
void operator delete[](void* p, std::align_val_t alignment) noexcept {
  modulePool().deallocateAligned(p, static_cast<std::size_t>(alignment));
}
void operator delete(void* p, std::size_t, std::align_val_t alignment) noexcept {
  modulePool().deallocateAligned(p, static_cast<std::size_t>(alignment));
}
void operator delete[](void* p, std::size_t, std::align_val_t alignment) noexcept {
  modulePool().deallocateAligned(p, static_cast<std::size_t>(alignment));
}
void operator delete(void* p, std::align_val_t alignment, const std::nothrow_t&) noexcept {
  modulePool().deallocateAligned(p, static_cast<std::size_t>(alignment));
}
void operator delete[](void* p, std::align_val_t alignment, const std::nothrow_t&) noexcept {
  modulePool().deallocateAligned(p, static_cast<std::size_t>(alignment));
}
