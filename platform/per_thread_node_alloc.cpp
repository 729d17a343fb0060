// Interim allocator of per-thread table nodes, over the runtime library's
// heap. The pooled heap replaces it with one that serves the nodes from the
// module's own pool.
#include <cstdlib>

#include "platform/per_thread_value.h"

void* perThreadNodeAllocate(std::size_t size) { return std::malloc(size); }

void perThreadNodeFree(void* block) { std::free(block); }
