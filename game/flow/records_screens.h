// The records: the records menu (scene 23), the story high-score tables of the main and the extra
// story, one page per difficulty (scenes 24 and 26), the survival records per character (scene 30)
// and a picture page no menu opens (scene 25). They run on the menu pictures and draw their texts
// from the glyph sheets the title loaded for them; leaving for the title frees those sheets.
// Their cursors are in game/core/option_cursors.h.
#pragma once

namespace veyrdale {

void RecordsMenuScene();  // 23
// 24 with extra 0, 26 with extra 1.
void ScoreTableScene(int extra);
void SurvivalRecordScene();  // 30
void PictureScene();         // 25

}  // namespace veyrdale
