// Between the mode menus and the battle: the character selection (scene 2 for versus and
// survival, 12 for team versus), the team assignment (13) and the stage selection (3), and the
// starts of a versus battle and of a survival run.
//
// Human slots decide for themselves. Once someone has decided and nobody is choosing, the
// remaining slots become computer players, and the first decided human chooses for them one after
// another; a human who starts choosing again releases every computer slot.
#pragma once

namespace veyrdale {

// The slot's states in MatchSetup::selectState.
enum SelectState : int {
  kSlotIdle = 0,
  kSlotChoosing = 1,
  kSlotComputerChoosing = 2,  // a computer player chosen by a human
  kSlotDecided = 3,
  kSlotComputerDecided = 4,
};

void CharacterSelectScene(int kind);  // kind 1: versus and survival, 2: team versus
void TeamAssignScene();
void StageSelectScene();

// Moves the slot's character cursor by inputPlayer's presses, over the characters the unlock
// level opens (button 3 held draws a random open one every frame), and returns it.
int ChooseCharacter(int slot, int inputPlayer);
// Moves the slot's colour by inputPlayer's presses over the colours of its character no decided
// player holds, and moves it off a colour that has become taken.
void ChooseColourSlot(int slot, int inputPlayer);
// The settings panel: the row, and the start gauge level (0-2) or the handicap (0-4) of the row.
// Button 1 or 2 closes the panel.
void ChangePlayerSetting(int slot, int inputPlayer);

// Whether the unlock level opens a character, and the open characters in ascending order.
bool IsCharacterOpen(int character, int unlockLevel);
int OpenCharacters(int unlockLevel, int* out);  // out holds 16; returns the count

}  // namespace veyrdale
