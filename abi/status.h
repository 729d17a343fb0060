// The statuses interface operations answer.
//
// Every operation answers an unsigned 32-bit status: 0 for success, non-zero
// for failure. Most failures answer 1. QueryInterface differs between
// implementations, and callers across modules rely on each answer as it is,
// so the names say which shape a failure has:
// - statusNoInterfaceOutCleared (1): the object does not answer the
//   identifier and has set *out to null (single-interface objects made with
//   defRAVODWrapperT, the class factory);
// - statusNoInterfaceOutUntouched (2): the object does not answer the
//   identifier (or was given a null argument) and has left *out as it was
//   (dispatchable objects and the interfaces nested in them).
#pragma once

#include <cstdint>

inline constexpr uint32_t statusOk = 0;
inline constexpr uint32_t statusFailed = 1;
inline constexpr uint32_t statusNoInterfaceOutCleared = 1;
inline constexpr uint32_t statusNoInterfaceOutUntouched = 2;
