// lockedFlagC: a boolean flag guarded by a lockC. It starts false.
#pragma once

#include "platform/lock.h"

class lockedFlagC {
 public:
  lockedFlagC() : flag(false) {}

  // Sets the flag.
  void set() {
    lockGuardC guard(lock);
    flag = true;
  }

  // Answers the flag and, when reset is true, clears it.
  bool testAndReset(bool reset) {
    lockGuardC guard(lock);
    const bool wasSet = flag;
    if (reset) flag = false;
    return wasSet;
  }

 private:
  lockC lock;  // guards flag
  bool flag;   // the flag
};
