// The rules of motion on drawn frames: how a character frame selection turns, drops, glides, aims,
// dashes and shakes the players' copies of the drawn frame, and what it asks of the battle beyond
// them. They run only where the draw makes a selection, once per drawn frame, so at half rate the
// turning, falling and braking steps are larger to keep their speed.
#include <cstdint>

#include "game/battle/access.h"
#include "game/battle/directions.h"
#include "game/battle/drawn_frame.h"
#include "game/battle/player_control.h"
#include "game/battle/shots.h"
#include "game/core/data_files.h"
#include "game/core/frame_state.h"
#include "game/core/match_setup.h"
#include "game/core/numeric.h"
#include "game/core/sound_entries.h"

namespace veyrdale {

bool DrawnFrame::Free() {
  return FreezeFrames == 0;
}

bool DrawnFrame::FreeAndUnheld(int p) {
  return Free() && g_playerState.holdTimer[p] == 0;
}

bool DrawnFrame::HalfRate() {
  return g_display.halfRatePresent != 0;
}

void DrawnFrame::Turn(int p, int sign) {
  BattleObject& o = players[p];
  const int step = (HalfRate() ? 32 : 16) * sign;
  o.heading = ((o.heading & 255) + step) & 255;
}

void DrawnFrame::Fall(int p, double limit, double gravity, double halfRateGravity) {
  BattleObject& o = players[p];
  o.guard = 2;
  if (o.vz < limit) o.vz = static_cast<float>(o.vz + (HalfRate() ? halfRateGravity : gravity));
  o.z += o.vz;
  if (o.z >= 0.0f) {
    o.vz = 0.0f;
    // The landing puff, made by the battle from the player as it landed.
    Request* puff = Add(Request::Kind::kPuff, 0, p);
    if (puff != nullptr) puff->source = o;
  }
}

void DrawnFrame::Jump(int p) {
  if (!Free() || !(players[p].z < 0.0f)) return;
  Fall(p, 3.0, 0.2, 0.4);
}

void DrawnFrame::Glide(int p, int heading, float z) {
  if (!Free() || !(z < 0.0f)) return;
  BattleObject& o = players[p];
  o.vx = VelocityX(heading, -6.0f);
  o.vy = VelocityY(heading, -6.0f);
  Fall(p, 2.0, 0.35, 0.7);
}

void DrawnFrame::Aim(int p, const BattleObject& from) {
  const int x = TruncToInt(from.x);
  const int y = TruncToInt(from.y);
  int32_t heading = from.heading;
  int nearest = 999999;  // farther opponents are not aimed at
  const int inPlay = PlayersInPlay();
  for (int i = 0; i < inPlay; ++i) {
    if (i == p) continue;
    const BattleObject& other = players[i];
    if (other.state >= kStateKnockedOut) continue;
    if (g_match.teamMode == 1 && g_match.team[i] == g_match.team[p]) continue;
    const int d = GetSquaredDistance(x, y, TruncToInt(other.x), TruncToInt(other.y));
    if (d < nearest) {
      nearest = d;
      heading = HeadingBetween(from.x, from.y, other.x, other.y);
    }
  }
  players[p].heading = heading;
}

void DrawnFrame::Jitter(BattleObject& record) {
  record.x += static_cast<float>(Random(2, record.owner) - 1);
  record.y += static_cast<float>(Random(2, record.owner) - 1);
}

void DrawnFrame::Spin(BattleObject& record, int64_t recovery) {
  // Only the low four bits of the counter count: 16 steps a unit wrap at 16 units.
  record.heading = ((record.heading & 255) + 16 * static_cast<int32_t>(recovery & 15)) & 255;
}

void DrawnFrame::Lift(BattleObject& record) {
  record.y -= 8.0f;
}

void DrawnFrame::Dash(int p, int64_t t, int heading, const BattleObject& from) {
  if (!FreeAndUnheld(p)) return;
  BattleObject& o = players[p];
  if (t == 80) {
    const int64_t turn = 288 - 64 * static_cast<int64_t>(Random(1, p));
    o.heading = WrapHeading(o.heading + turn);
    Add(Request::Kind::kSound, kSoundDash, p);
  } else if (t >= 73 && t <= 79) {
    o.vx = VelocityX(heading, 12.0f);
    o.vy = VelocityY(heading, 12.0f);
    o.guard = -16;
  } else if (t == 72 || t == 71) {
    const double brake = HalfRate() ? 0.2 : 0.45;
    o.vx = static_cast<float>(o.vx * brake);
    o.vy = static_cast<float>(o.vy * brake);
    Aim(p, from);
  } else if (t == 64 || t == 63) {
    Aim(p, from);
  }
}

void DrawnFrame::SwingShake(int64_t t) {
  if (t == 51) {
    Add(Request::Kind::kShake, 8);
  } else if (t == 50) {
    Add(Request::Kind::kShake, 7);
  }
}

}  // namespace veyrdale
