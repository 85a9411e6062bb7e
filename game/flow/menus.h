// The front end: the opening and return-to-title pictures (scene 9), the title with its main menu
// and the demonstration battle (scene 0), the mode menu (1), the player-count menu (8) and the
// story-kind menu that starts a story (11); the backgrounds every menu draws.
//
// All labels are cells of the menu picture set; no menu draws text with a font. AdvanceStoryStage
// is declared in game/flow/flow.h.
#pragma once

namespace veyrdale {

void TitleReturnScene();  // 9
void TitleScene();        // 0
void ModeMenuScene();     // 1
void PlayerCountScene();  // 8
void StoryKindScene();    // 11

// The title's background: the picture, its slow additive glow and the logo fading in.
void DrawTitleBackground();
// The background of the menu scene SceneId; nothing for a scene without one.
void DrawMenuBackground();

// Four computer players on random open characters (never character 6) with distinct colours per
// character, on a random arena other than 1.
void SetupDemoBattle();

// The number of versus arenas an unlock level opens: 7, 8, 8, 10.
int VersusStageCountFor(int unlockLevel);

}  // namespace veyrdale
