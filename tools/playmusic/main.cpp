// playmusic FILE SECONDS [--once]: plays a music file through the library, headless.
//
// Starts the library, starts the file as music (looping, or once with --once), pumps messages
// for SECONDS of real time, reads whether music still plays, stops it, ends the library and
// prints one line:
//   path=<sequencer|media|none> restarts=N playing=P
// path is the way the music took at its start, N the loop restarts the library handled, P 1
// while music played at the end. SDL_AUDIODRIVER=disk records what was heard.
// When nothing plays (path=none) it ends at once, with a line on stderr saying why: the file
// cannot be read, no sound output, the soundfont a MIDI file needs could not be loaded (each one
// tried, and why; without an output too, after that), or not music the library plays.
// Exit 0 when the music played; 1 when nothing played, the library does not start (255 when it
// ends the process itself) or standard output cannot be written; 2 on a usage error, or when
// another instance holds the library's lock.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "morrow/sound/music.h"
#include "morrow/sound/music_internal.h"
#include "morrow/sound/sound.h"
#include "morrow/sound/sound_internal.h"
#include "morrow/system/library.h"
#include "platform/audio/midi_file.h"
#include "platform/audio/sequencer.h"
#include "platform/clock.h"
#include "tools/lib/toolrun/tool_run.h"

namespace {

// The longest run the tool takes, in seconds.
constexpr double kMaxSeconds = 3600;
// The pump runs about as often as a game's frame loop would call it.
constexpr int kPumpIntervalMs = 5;

int Usage() {
  std::fprintf(stderr, "usage: playmusic FILE SECONDS [--once]\n");
  return toolrun::kUsage;
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

// The line's part for soundfonts that did not load, each with its reason; empty for none.
std::string NotLoaded(const std::vector<platform::SoundfontRefusal>& refused) {
  std::string why;
  for (const platform::SoundfontRefusal& r : refused) {
    if (!why.empty()) why += "; ";
    why += "the soundfont " + r.path + " could not be loaded: " + r.reason;
  }
  return why;
}

// Why neither way plays the file, as far as the tool can tell from outside the library. The
// library plays regular files only, and so the file is looked at: a named pipe is refused without
// waiting for a writer the library never waited for.
std::string WhyNothingPlayed(const std::string& file) {
  toolrun::RegularFile head;
  std::string refusal;
  if (!toolrun::ReadRegularFile(file, &head, &refusal, 12)) return refusal;
  const bool midi = platform::HasMidiSignature(reinterpret_cast<const uint8_t*>(head.bytes.data()),
                                               head.bytes.size());
  if (morrow::GetSoundSystemState().device == nullptr) {
    // A silent library tries no soundfont; one that would not load is the next fault a MIDI file
    // meets once there is an output, and is said now too.
    const std::string soundfonts = midi ? NotLoaded(platform::TrySoundfonts()) : std::string();
    return "no sound output: the library runs silent" +
           (soundfonts.empty() ? std::string() : "; " + soundfonts);
  }
  if (!midi) return file + ": not music the library plays";
  const std::string why = NotLoaded(morrow::GetMusicState().soundfontRefusals);
  return why.empty() ? file + ": the MIDI sequencer did not take it" : why;
}

int Run(int argc, char** argv) {
  if (argc < 3 || argc > 4 || toolrun::IsOption(argv[1])) return Usage();
  bool once = false;
  if (argc == 4) {
    if (std::string(argv[3]) != "--once") return Usage();
    once = true;
  }
  double seconds = 0;
  if (!ParseSeconds(argv[2], &seconds)) return Usage();

  morrow::ChangeWindowMode(1);
  if (toolrun::StartLibrary(1) != 0) return 1;
  morrow::StartMusicPlayback(argv[1], once ? morrow::kPlayBackground : morrow::kPlayLoop);
  const char* path = PathName();
  const bool started = std::string(path) != "none";
  int64_t end = platform::NowMicroseconds() + static_cast<int64_t>(seconds * 1e6);
  while (started && platform::NowMicroseconds() < end) {
    if (morrow::PumpMessages() != 0) break;
    platform::SleepMilliseconds(kPumpIntervalMs);
  }
  int playing = morrow::CheckMusicPlayback() != 0 ? 1 : 0;
  int restarts = morrow::GetMusicState().loopRestarts;
  const std::string why = started ? std::string() : WhyNothingPlayed(argv[1]);
  morrow::StopMusicPlayback();
  morrow::EndLibrary();
  std::printf("path=%s restarts=%d playing=%d\n", path, restarts, playing);
  if (started) return 0;
  toolrun::Say("nothing played: " + why);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  toolrun::Begin("playmusic");
  return toolrun::End(Run(argc, argv));
}
