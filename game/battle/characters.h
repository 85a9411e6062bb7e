// What sets some characters apart, named for the tests that the battle and the battle draw make on
// a character number (the `kind` of a player record, or of a shot, which carries its owner's).
// A tuning value that one routine gives one character stays a number in that routine, beside the
// comment that says what it does; a trait that more than one routine tests is named here.
#pragma once

namespace veyrdale {

// Character 10 is built on character 0: the same dash with its parrying spin (states 6 and 7), a
// charge released into button 2's moves, and a sixth move that strikes without a hit effect.
constexpr bool FightsLikeCharacter0(int character) {
  return character == 0 || character == 10;
}

// Character 0 rallies below 80 life: in its low-life mode its shots hit harder, and it takes less
// damage and half the knock-back.
constexpr bool HasLowLifeMode(int character) {
  return character == 0;
}

// In the story, character 10 keeps a full meter and waits half as long after its moves.
constexpr bool StrongerInStory(int character) {
  return character == 10;
}

// Character 4 brings a companion that follows it, draws with it and, while it is powered up,
// fires its shots too.
constexpr bool HasCompanion(int character) {
  return character == 4;
}

// Character 6's dash leaves a ground mark that turns shots aside, and the draw shows it.
constexpr bool LeavesGroundMarks(int character) {
  return character == 6;
}

// Character 14 holds a player to juggle it: its victim goes on reeling from the hits it takes.
constexpr bool HoldJugglesVictim(int character) {
  return character == 14;
}

// Character 12's spell cards black out the arena: the arena is drawn as a silhouette and the
// caster above it.
constexpr bool CardDarkensArena(int character) {
  return character == 12;
}

// Character 15's spell cards tint the whole screen red.
constexpr bool CardTintsScreenRed(int character) {
  return character == 15;
}

// Character 2's sixth move is a dive its owner rides: a dive that is lost throws the owner back.
constexpr bool OwnerRidesShot(int character, int move) {
  return character == 2 && move == 6;
}

// Character 10's ninth move carries the player it catches (the shot's `recovery` holds that
// player): a carrying shot that is lost lets the player go.
constexpr bool ShotCarriesPlayer(int character, int move) {
  return character == 10 && move == 9;
}

}  // namespace veyrdale
