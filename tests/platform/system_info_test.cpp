// The processor settings the environment can change: MORROW_MMX and MORROW_RASTER.
#include "platform/system_info.h"
#include "platform/vector_support.h"

#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

namespace {

struct SettingCase {
  const char* value;  // null: unset
  bool keepsTheProcessor;
};

class MmxSetting : public ::testing::TestWithParam<SettingCase> {
 protected:
  void TearDown() override { unsetenv("MORROW_MMX"); }
};

TEST_P(MmxSetting, ZeroHidesTheInstructionsAndNothingElseChanges) {
  unsetenv("MORROW_MMX");
  const platform::CpuInfo detected = platform::ReadCpuInfo();
  if (GetParam().value != nullptr) setenv("MORROW_MMX", GetParam().value, 1);
  const platform::CpuInfo info = platform::ReadCpuInfo();
  EXPECT_EQ(info.hasMmx, GetParam().keepsTheProcessor && detected.hasMmx);
  EXPECT_EQ(info.vendor, detected.vendor);
  EXPECT_EQ(info.hasTimeStampCounter, detected.hasTimeStampCounter);
}

INSTANTIATE_TEST_SUITE_P(Values, MmxSetting,
                         ::testing::Values(SettingCase{nullptr, true}, SettingCase{"1", true},
                                           SettingCase{"0", false}, SettingCase{"", true},
                                           SettingCase{"no", true}, SettingCase{"00", true}));

class RasterSetting : public ::testing::TestWithParam<SettingCase> {
 protected:
  void TearDown() override { unsetenv("MORROW_RASTER"); }
};

TEST_P(RasterSetting, ReferenceTakesAwayTheVectorLoops) {
  unsetenv("MORROW_RASTER");
  const bool detected = platform::ReadVectorSupport().sse2;
#if defined(__x86_64__)
  EXPECT_TRUE(detected);  // part of the instruction set there
#endif
  if (GetParam().value != nullptr) setenv("MORROW_RASTER", GetParam().value, 1);
  EXPECT_EQ(platform::ReadVectorSupport().sse2, GetParam().keepsTheProcessor && detected);
}

INSTANTIATE_TEST_SUITE_P(Values, RasterSetting,
                         ::testing::Values(SettingCase{nullptr, true}, SettingCase{"auto", true},
                                           SettingCase{"reference", false},
                                           SettingCase{"Reference", true},
                                           SettingCase{"scalar", true}));

}  // namespace
