// playmusic FILE SECONDS [--once]: plays a music file through the library, headless.
//
// Starts the library, starts the file as music (looping, or once with --once), pumps messages
// for SECONDS of real time, reads whether music still plays, stops it, ends the library and
// prints one line:
//   path=<sequencer|media|none> restarts=N playing=P
// path is the way the music took at its start, N the loop restarts the library handled, P 1
// while music played at the end. SDL_AUDIODRIVER=disk records what was heard.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "morrow/sound/music.h"
#include "morrow/sound/music_internal.h"
#include "morrow/sound/sound.h"
#include "morrow/system/library.h"
#include "platform/clock.h"

namespace {

// The longest run the tool takes, in seconds.
constexpr double kMaxSeconds = 3600;
// The pump runs about as often as a game's frame loop would call it.
constexpr int kPumpIntervalMs = 5;

int Usage() {
  std::fprintf(stderr, "usage: playmusic FILE SECONDS [--once]\n");
  return 2;
}

bool ParseSeconds(const char* text, double* out) {
  char* end = nullptr;
  errno = 0;
  double v = std::strtod(text, &end);
  if (errno != 0 || end == text || *end != '\0' || !(v >= 0 && v <= kMaxSeconds)) return false;
  *out = v;
  return true;
}

const char* PathName() {
  const morrow::MusicState& m = morrow::GetMusicState();
  if (m.sequencerPlaying) return "sequencer";
  if (m.mediaPlaying) return "media";
  return "none";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3 || argc > 4) return Usage();
  bool once = false;
  if (argc == 4) {
    if (std::string(argv[3]) != "--once") return Usage();
    once = true;
  }
  double seconds = 0;
  if (!ParseSeconds(argv[2], &seconds)) return Usage();

  morrow::ChangeWindowMode(1);
  if (morrow::InitLibrary() != 0) {
    std::fprintf(stderr, "playmusic: the library start failed\n");
    return 1;
  }
  morrow::StartMusicPlayback(argv[1], once ? morrow::kPlayBackground : morrow::kPlayLoop);
  const char* path = PathName();
  int64_t end = platform::NowMicroseconds() + static_cast<int64_t>(seconds * 1e6);
  while (platform::NowMicroseconds() < end) {
    if (morrow::PumpMessages() != 0) break;
    platform::SleepMilliseconds(kPumpIntervalMs);
  }
  int playing = morrow::CheckMusicPlayback() != 0 ? 1 : 0;
  int restarts = morrow::GetMusicState().loopRestarts;
  morrow::StopMusicPlayback();
  morrow::EndLibrary();
  std::printf("path=%s restarts=%d playing=%d\n", path, restarts, playing);
  return 0;
}
