// lockedFlagC.
#include "platform/locked_flag.h"

#include <gtest/gtest.h>

#include <cstring>
#include <new>

TEST(LockedFlag, StartsFalseAlsoInDirtyStorageAndResetsOnlyWhenAsked) {
  alignas(lockedFlagC) unsigned char storage[sizeof(lockedFlagC)];
  std::memset(storage, 0xFF, sizeof storage);
  lockedFlagC* flag = new (storage) lockedFlagC();

  EXPECT_FALSE(flag->testAndReset(false)) << "a new flag is false whatever its storage held";
  flag->set();
  EXPECT_TRUE(flag->testAndReset(false));
  EXPECT_TRUE(flag->testAndReset(true)) << "reading without reset left it set";
  EXPECT_FALSE(flag->testAndReset(false)) << "reset cleared it";
  flag->set();
  flag->set();
  EXPECT_TRUE(flag->testAndReset(true));
  EXPECT_FALSE(flag->testAndReset(true));
  flag->~lockedFlagC();
}
