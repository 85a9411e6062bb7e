// TEMPORARY: replaced by "Character frame selection, characters 8 to 15". Until their sheet
// rules are written, characters 8 to 15 are drawn with the fallback cell and change nothing.
#include "game/core/records.h"
#include "game/view/chara_frame.h"

namespace veyrdale {

int SelectFrameChara8(BattleObject*) {
  return charaframe::kFallbackCell;
}
int SelectFrameChara9(BattleObject*) {
  return charaframe::kFallbackCell;
}
int SelectFrameChara10(BattleObject*, int) {
  return charaframe::kFallbackCell;
}
int SelectFrameChara11(BattleObject*) {
  return charaframe::kFallbackCell;
}
int SelectFrameChara12(BattleObject*) {
  return charaframe::kFallbackCell;
}
int SelectFrameChara13(BattleObject*) {
  return charaframe::kFallbackCell;
}
int SelectFrameChara14(BattleObject*) {
  return charaframe::kFallbackCell;
}
int SelectFrameChara15(BattleObject*) {
  return charaframe::kFallbackCell;
}

}  // namespace veyrdale
