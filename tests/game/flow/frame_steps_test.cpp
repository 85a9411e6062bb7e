// The frame loop's counter steps and the sound entries.
#include "game/flow/frame_steps.h"

#include <string>

#include <gtest/gtest.h>

#include "game/core/frame_state.h"
#include "game/core/sound_entries.h"

namespace {

using namespace veyrdale;

TEST(FrameSteps, SceneFrameHoldsDuringTheFreeze) {
  struct Case {
    int freeze;
    int sceneAfter;
    int freezeAfter;
  } cases[] = {{0, 11, 0}, {60, 10, 59}, {1, 10, 0}, {-4, 10, -4}};
  for (const Case& c : cases) {
    SceneFrame = 10;
    FrameCount = 100;
    FreezeFrames = c.freeze;
    AdvanceFrameCounters();
    EXPECT_EQ(SceneFrame, c.sceneAfter) << c.freeze;
    EXPECT_EQ(FreezeFrames, c.freezeAfter);
    EXPECT_EQ(FrameCount, 101);
  }
  FreezeFrames = 0;
}

TEST(FrameSteps, CaptureRequestsStartTheirFades) {
  struct Case {
    int fade;
    int spell;
    bool capture;
    int fadeFrames;
    int spellFadeFrames;
  } cases[] = {{0, 0, false, 3, 3},
               {1, 0, true, 30, 3},
               {0, 1, true, 3, 20},
               {1, 1, true, 30, 20},
               {2, 0, false, 3, 3}};
  for (const Case& c : cases) {
    FadeCaptureRequest = static_cast<uint8_t>(c.fade);
    SpellCaptureRequest = static_cast<uint8_t>(c.spell);
    FadeFrames = SpellFadeFrames = 3;
    EXPECT_EQ(TakeCaptureRequests(), c.capture);
    EXPECT_EQ(FadeFrames, c.fadeFrames);
    EXPECT_EQ(SpellFadeFrames, c.spellFadeFrames);
    EXPECT_EQ(FadeCaptureRequest, 0);
    EXPECT_EQ(SpellCaptureRequest, 0);
  }
}

TEST(SoundEntries, NamesMatchTheEntriesAndPlaysStayInside) {
  struct Case {
    int entry;
    const char* name;
  } cases[] = {{kSoundBlock, "block"},  {kSoundBomb, "bomb"},
               {kSoundSpell, "spell"},  {kSoundCSpell, "c_spell"},
               {kSoundOut, "out"},      {kSoundE1, "e1"},
               {kSoundE5, "e5"},        {kSoundShotXwSword, "shot_xw_sword"},
               {kSoundGyaban, "gyaban"}};
  for (const Case& c : cases) EXPECT_EQ(std::string(kSoundNames[c.entry]), c.name);
  EXPECT_EQ(kSoundE1 + 4, kSoundE5) << "the drum beats are drawn from e1-e4";
  for (int entry = 0; entry < kSoundCount; ++entry) EXPECT_EQ(SoundHandles[entry], -1);
  // Entries outside the table play nothing and read nothing outside it.
  for (int entry : {-1, static_cast<int>(kSoundCount), 1000, -1000000}) PlaySoundEntry(entry);
}

}  // namespace
