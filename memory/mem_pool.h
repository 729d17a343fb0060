// memPoolC: the module's pooled heap.
//
// Blocks whose size rounds up (to a multiple of 8) to at most 2040 bytes come
// from 10,000-byte pages of one size class each (class k serves rounded size
// 8k); larger blocks, and every block while poolsDisabled is set, are OS
// blocks taken straight from the runtime library's heap. Every block starts
// with a memBlockHeaderS; the user pointer is the header address plus
// blockHeaderSize. The layouts below are walked by the memory tracker and are
// fixed: they are checked by static_asserts at the end of this header.
//
// Page invariants (the validity walk checks them):
//   used + |free list| == capacity
//   a page is in sizeClassTable[classSize / 8]'s list  <=>  used < capacity
//   a page is in fullPageList                          <=>  used == capacity
//   capacity == 10000 / stride,  stride == roundUp8(classSize + blockHeaderSize)
//
// Failure: when the runtime heap cannot supply a page or an OS block, or a
// size would overflow, allocate answers null and no counter changes.
// Freeing a freed block is reported (double-free text) and changes nothing.
// Pointers that this heap did not hand out must not be freed here.
//
// Under AddressSanitizer the free slots, the guard byte and the slack after
// each block are poisoned (memory/pool_poison.h).
//
// Thread safety: every operation holds the pool lock (re-entrant) for its
// whole run. The state fields are public so that the tracker can read them
// while it holds the same lock.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/lock.h"

// Header in front of every block, pool or OS.
struct memBlockHeaderS {
  std::uint64_t owner;       // owning page address while in use, else one of memBlockOwner*
  std::uint64_t sizeOrLink;  // requested size while in use; next free block of the page while free
};

// The area that follows each header when location tracking is on.
struct memBlockLocationAreaS {
  unsigned char bytes[128];  // reserved; nothing is recorded in this module
};

// A block header with the location area ("ZKMEMTRACK_LOCATION").
struct memBlockHeaderWithLocationS {
  memBlockHeaderS header;
  memBlockLocationAreaS location;
};

constexpr std::uint64_t memBlockOwnerNeverUsed = 0;                    // page slot never handed out
constexpr std::uint64_t memBlockOwnerFreed = 0xFFFFFFFFFFFFFFFFull;    // freed block
constexpr std::uint64_t memBlockOwnerOsBlock = 0xFFFFFFFFFFFFFFFEull;  // OS block in use

constexpr std::uint64_t memBlockHeaderSizePlain = sizeof(memBlockHeaderS);
constexpr std::uint64_t memBlockHeaderSizeWithLocation = sizeof(memBlockHeaderWithLocationS);

constexpr unsigned char memBlockGuardByte = 0xDF;  // written after user data when size % 8 != 0
constexpr std::size_t memPageAreaSize = 10000;     // block area of a page
constexpr std::uint32_t memPageMagic = 0x11223344;
constexpr unsigned memSizeClassCount = 256;
constexpr std::uint64_t memLargestClassSize = 8 * (memSizeClassCount - 1);  // 2040

// One page: the block area followed by its trailer, one runtime-heap
// allocation of 10,064 bytes.
struct memPageS {
  unsigned char blockArea[memPageAreaSize];  // slot i at blockArea + i * stride
  std::uint32_t magic;                       // memPageMagic
  memPageS* next;                            // next page in the list holding this page
  memPageS* prev;                            // previous page in that list
  memBlockHeaderS* freeHead;                 // first free block, null when full
  std::uint64_t stride;                      // bytes per block, header included (multiple of 8)
  std::uint64_t classSize;                   // rounded request size served, 0..2040
  std::uint64_t used;                        // blocks in use
  std::uint64_t capacity;                    // memPageAreaSize / stride
};

class memPoolC {
 public:
  using runtimeAllocateFn = void* (*)(std::size_t size);
  using runtimeFreeFn = void (*)(void* block);

  // Writes only constants, so a memPoolC in static storage is constant-
  // initialised and serves allocations made before its turn in static
  // construction. fixedBlockHeaderSize 0: the header size comes from the
  // tracking switches on first need; otherwise (tests) it is used as given
  // and must be 16 or 144. passThrough: poolsDisabled starts set, so every
  // block is an OS block of its own from the runtime heap (for sanitizers
  // that must see each block; the reports leave the flag as they found it).
  constexpr explicit memPoolC(lockC* poolLockToUse, std::uint64_t fixedBlockHeaderSize = 0, bool passThrough = false)
      : poolLock(poolLockToUse),
        blockHeaderSize(fixedBlockHeaderSize),
        sizeClassTable{},
        fullPageList(nullptr),
        outstanding(0),
        pageCount(0),
        peakPageCount(0),
        osBytes(0),
        peakOsBytes(0),
        poolsDisabled(passThrough ? 1 : 0),
        shuttingDown(0),
        runtimeAllocate(nullptr),
        runtimeFree(nullptr) {}

  // Module unload: sets shuttingDown and, when nothing is outstanding,
  // returns every page; then, for the module's own heap with leak tracking
  // on, delivers the leak report. The object stays usable afterwards.
  ~memPoolC();

  memPoolC(const memPoolC&) = delete;
  memPoolC& operator=(const memPoolC&) = delete;

  // A block of size usable bytes aligned to 8, or null when the runtime heap
  // fails (no counter changes then).
  void* allocate(std::uint64_t size);
  // Frees a block of this heap; null does nothing; a freed block is reported
  // as a double free and left unchanged.
  void deallocate(void* userPointer);
  // A new block holding min(size, old size) bytes of the old one; the old one
  // is freed. Null: allocate(size). On failure answers null and the old block
  // stays valid and allocated.
  void* reallocate(void* userPointer, std::uint64_t size);

  // Blocks aligned to `alignment` (a power of two); up to 8 this is
  // allocate(). Larger alignments take size + alignment bytes and keep the
  // address of the underlying block in the 8 bytes before the user pointer,
  // so they must be freed with deallocateAligned and the same alignment.
  void* allocateAligned(std::uint64_t size, std::size_t alignment);
  void deallocateAligned(void* userPointer, std::size_t alignment);

  // Requested size of an in-use block (its header's sizeOrLink).
  std::uint64_t blockSize(const void* userPointer) const;
  memBlockHeaderS* headerOf(const void* userPointer) const;

  lockC& lock() const { return *poolLock; }

  // Test seam: replaces the runtime heap functions used for pages and OS
  // blocks (null restores malloc/free). Only while the heap holds nothing.
  void setRuntimeHeap(runtimeAllocateFn allocateFn, runtimeFreeFn freeFn);

  // Debug validity walk over every page list, every slot and every counter.
  // Answers the number of faults found (0: sound); *firstFault, when given,
  // receives a description of the first one (a static text).
  std::uint64_t validate(const char** firstFault = nullptr) const;

  // State, guarded by the pool lock.
  lockC* poolLock;                              // the pool lock
  std::uint64_t blockHeaderSize;                // 16, 144 with location tracking; 0 until first need
  memPageS* sizeClassTable[memSizeClassCount];  // non-full pages of each class
  memPageS* fullPageList;                       // pages without a free block, all classes
  std::uint64_t outstanding;                    // allocations minus deallocations
  std::uint64_t pageCount;                      // pages held
  std::uint64_t peakPageCount;                  // most pages ever held
  std::uint64_t osBytes;                        // requested bytes of OS blocks held
  std::uint64_t peakOsBytes;                    // most OS bytes ever held
  std::uint32_t poolsDisabled;                  // set: every allocation is an OS block
  std::uint8_t shuttingDown;                    // set at unload: emptied pages always go back

 private:
  std::uint64_t ensureBlockHeaderSize();
  memPageS* createPage(std::uint64_t classSize);
  void releasePage(memPageS* page);
  void* allocateOsBlock(std::uint64_t size);
  void* runtimeHeapAllocate(std::size_t size);
  void runtimeHeapFree(void* block);
  void reportDoubleFree();

  runtimeAllocateFn runtimeAllocate;  // null: malloc
  runtimeFreeFn runtimeFree;          // null: free
};

static_assert(sizeof(memBlockHeaderS) == 16, "block header is two 64-bit words");
static_assert(offsetof(memBlockHeaderS, sizeOrLink) == 8, "sizeOrLink follows owner");
static_assert(sizeof(memBlockHeaderWithLocationS) == 144, "header with location area is 144 bytes");
static_assert(sizeof(memPageS) == 10064, "a page is one allocation of 10,064 bytes");
static_assert(offsetof(memPageS, magic) == 10000, "trailer follows the block area");
static_assert(offsetof(memPageS, next) == 10008, "trailer layout");
static_assert(offsetof(memPageS, prev) == 10016, "trailer layout");
static_assert(offsetof(memPageS, freeHead) == 10024, "trailer layout");
static_assert(offsetof(memPageS, stride) == 10032, "trailer layout");
static_assert(offsetof(memPageS, classSize) == 10040, "trailer layout");
static_assert(offsetof(memPageS, used) == 10048, "trailer layout");
static_assert(offsetof(memPageS, capacity) == 10056, "trailer layout");
