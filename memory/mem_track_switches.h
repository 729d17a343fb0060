// The memory-tracking switches: read once from the environment when the heap
// first needs its block header size.
//
// Promises: memTrackReadSwitches() runs at most once per module (later calls
// do nothing); it sets the bits of memTrackFlags for each defined variable
// ("ZKMEMTRACK_TYPEINFO" 0x01, "ZKMEMTRACK_LEAK" 0x02, "ZKMEMTRACK_LOCATION"
// 0x04, whatever their values) and copies "ZKMEMTRACK_OUTPUT" into
// outputFileName. A file name of 128 characters or more does not fit and is
// not used at all: reports then go to the debugger output rather than to a
// file named by a cut-off part of the value. It allocates nothing from the
// pool and takes the module's pool lock, so it may run from inside the heap.
//
// memTrackFlags may be read and replaced (memTrackSetFlags) on any thread;
// the header size is fixed by the first reading whatever changes later.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

constexpr std::uint32_t memTrackFlagTypeInfo = 0x01;
constexpr std::uint32_t memTrackFlagLeak = 0x02;
constexpr std::uint32_t memTrackFlagLocation = 0x04;
constexpr std::uint32_t memTrackFlagChain = 0x80;

constexpr std::size_t memTrackOutputFileNameSize = 128;

extern std::atomic<std::uint32_t> memTrackFlags;         // switches, 0 at load
extern char outputFileName[memTrackOutputFileNameSize];  // report file, empty: debugger output

void memTrackReadSwitches();

// Replaces memTrackFlags and answers the previous value.
std::uint32_t memTrackSetFlags(std::uint32_t flags);

// The block header size the switches ask for: 144 with location tracking,
// else 16. Reads the switches first if that has not happened yet.
std::uint64_t memTrackBlockHeaderSize();
