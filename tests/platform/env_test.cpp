#include "platform/env.h"

#include <cstdlib>

#include <gtest/gtest.h>

namespace {

TEST(EnvSetting, UnsetEmptyAndMalformed) {
  unsetenv("MORROW_TEST_SETTING");
  EXPECT_FALSE(platform::EnvSetting("MORROW_TEST_SETTING").has_value());
  EXPECT_EQ(platform::EnvInteger("MORROW_TEST_SETTING", 7), 7);
  setenv("MORROW_TEST_SETTING", "", 1);
  EXPECT_FALSE(platform::EnvSetting("MORROW_TEST_SETTING").has_value());
  setenv("MORROW_TEST_SETTING", "0x10", 1);
  EXPECT_EQ(platform::EnvInteger("MORROW_TEST_SETTING", 7), 16);
  setenv("MORROW_TEST_SETTING", "12abc", 1);
  EXPECT_EQ(platform::EnvInteger("MORROW_TEST_SETTING", 7), 7);
  unsetenv("MORROW_TEST_SETTING");
}

}  // namespace
