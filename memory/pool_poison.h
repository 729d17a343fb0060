// What the pooled heap tells AddressSanitizer about the bytes of its pages.
//
// A page is one allocation of the runtime heap, so without help the
// sanitizer sees every byte of it as live. Under AddressSanitizer the pool
// poisons the user area of every free slot, and the guard byte and the
// slack after each block in use; it unpoisons the requested bytes when it
// hands a block out. Block headers and the page trailer stay readable: the
// pool and the tracker walk them. The few places that must read a poisoned
// byte on purpose (the guard byte checks) read it through poolReadByte.
//
// Without AddressSanitizer every function here compiles to nothing (or a
// plain read).
#pragma once

#include <cstddef>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZK_POOL_POISONING 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) && !defined(ZK_POOL_POISONING)
#define ZK_POOL_POISONING 1
#endif

#if defined(ZK_POOL_POISONING)
#include <sanitizer/asan_interface.h>

// True when this build tells the sanitizer about the pool's bytes.
constexpr bool poolPoisoningOn = true;

inline void poolPoison(const void* address, std::size_t size) { ASAN_POISON_MEMORY_REGION(address, size); }
inline void poolUnpoison(const void* address, std::size_t size) { ASAN_UNPOISON_MEMORY_REGION(address, size); }

// One byte of a page, poisoned or not.
__attribute__((no_sanitize("address"))) inline unsigned char poolReadByte(const unsigned char* at) {
  return *static_cast<const volatile unsigned char*>(at);
}
__attribute__((no_sanitize("address"))) inline void poolWriteByte(unsigned char* at, unsigned char value) {
  *static_cast<volatile unsigned char*>(at) = value;
}
#else
constexpr bool poolPoisoningOn = false;

inline void poolPoison(const void*, std::size_t) {}
inline void poolUnpoison(const void*, std::size_t) {}
inline unsigned char poolReadByte(const unsigned char* at) { return *at; }
inline void poolWriteByte(unsigned char* at, unsigned char value) { *at = value; }
#endif
