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
                                           SettingCase{"sse2", true},
                                           SettingCase{"reference", false},
                                           SettingCase{"Reference", true},
                                           SettingCase{"scalar", true}));

// What the setting leaves of a faked processor's instruction sets: AVX2 only beside SSE2, and
// not under sse2 or reference.
struct NarrowingCase {
  platform::VectorSupport detected;
  const char* setting;
  platform::VectorSupport want;
};

class RasterNarrowing : public ::testing::TestWithParam<NarrowingCase> {};

TEST_P(RasterNarrowing, KeepsWhatTheProcessorHasAndTheSettingAllows) {
  const platform::VectorSupport got =
      platform::ApplyRasterSetting(GetParam().detected, GetParam().setting);
  EXPECT_EQ(got.sse2, GetParam().want.sse2);
  EXPECT_EQ(got.avx2, GetParam().want.avx2);
}

INSTANTIATE_TEST_SUITE_P(Values, RasterNarrowing,
                         ::testing::Values(NarrowingCase{{true, true}, nullptr, {true, true}},
                                           NarrowingCase{{true, false}, nullptr, {true, false}},
                                           NarrowingCase{{false, true}, nullptr, {false, false}},
                                           NarrowingCase{{false, false}, "auto", {false, false}},
                                           NarrowingCase{{true, true}, "auto", {true, true}},
                                           NarrowingCase{{true, true}, "sse2", {true, false}},
                                           NarrowingCase{{true, false}, "sse2", {true, false}},
                                           NarrowingCase{{true, true}, "reference", {false, false}},
                                           NarrowingCase{{true, true}, "avx2", {true, true}},
                                           NarrowingCase{{true, true}, "SSE2", {true, true}}));

}  // namespace
