// The pieces of the head-up display that its files share. hud_draw.cpp draws the display in its
// fixed order (badges, flashes, beams, the status bar, the fades);
// hud_announce.cpp draws the round's announcements, the knock-out and time-up display and the
// survival notice; hud_declare.cpp the spell cards; hud_name_plate.cpp the opponent's name.
#pragma once

#include <numbers>

namespace veyrdale::view {

// A 128th of half a turn, the unit the display's turning pictures count in.
constexpr double kPiOver128 = std::numbers::pi / 128;

// How far the panels have slid off screen, 0-64 pixels: they leave while the story's dialogue
// runs and come back as it ends.
int HudSlide();

// While the round starts (RoundFrame 0-279): the player tags, the red band, the emblem, the
// first-round title, the round's letters and the closing word.
void DrawRoundAnnouncements(int shake);
// While RoundEndFrames runs: the knock-out or time-up banner, with the freeze's flash first.
void DrawRoundEndDisplay();
// Before a survival round: the band, the round label and its number.
void DrawSurvivalNotice();

// Outside the story's dialogue: each spell card's declaration and name panel.
void DrawSpellDeclarations();
// While the freeze runs: the red or black screen of the few cards that have one at their moment.
void DrawCardFlashes();
// While the freeze and the cut-in of character 0's or 10's special card run.
void DrawSpecialDeclaration(int shake);
// While NamePlateFrames runs: the opponent's name, fading in and out.
void DrawNamePlate();

}  // namespace veyrdale::view
