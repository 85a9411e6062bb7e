// The MIDI sequencer service: standard MIDI files played by a software synthesizer (FluidSynth)
// that renders inside the mixer.
//
// The library sees a device it opens on a file, asks for its output port, plays (from the
// current position or from the start) with notification, and closes. The notification is a flag
// the mixer raises when the piece reaches its last tick; the library's pump takes it with
// SequencerTakeEnd and turns it into its own message. Only the natural end of the device still
// open is reported: a close drops a pending end.
//
// There is no audio driver of the synthesizer's own: it runs at the mixer's rate, its player is
// timed by the samples rendered, and it plays at one fixed gain. The soundfont is
// MORROW_SOUNDFONT when set (that file only), else the first of the General MIDI soundfonts
// Debian installs that loads; it is loaded at the first open and kept until SequencerShutdown.
// The sequencer opens it, never the synthesizer by its name: anything but a regular file is
// passed over at once after one line, "morrow: cannot read the soundfont PATH: REASON" (a missing
// one quietly). Why each one tried was not loaded is kept for the caller (SoundfontRefusals).
// Without a running sound output, or without a soundfont, every open fails.
//
// One piece is open at a time. Every call takes the device lock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// The port every device plays through: the mapper.
constexpr uint32_t kSequencerMapperPort = 0xFFFF;

// The soundfonts an open tries, in order.
std::vector<std::string> SoundfontCandidates();

// A soundfont an open tried and could not load, and why: the open's reason ("No such file or
// directory", "is a folder, not a file"), "is empty", "is not a soundfont: ...", or the
// synthesizer's own words ("the synthesizer refused it: ...").
struct SoundfontRefusal {
  std::string path;
  std::string reason;

  bool operator==(const SoundfontRefusal&) const = default;
};

// The soundfonts the last open tried, in order, when none of them loaded; empty after an open that
// loaded one, or that failed or succeeded without trying any.
std::vector<SoundfontRefusal> SoundfontRefusals();

// Loads the soundfonts an open would try into a synthesizer of its own, dropped at once, without
// a sound output and without the device lock, for a caller that has no output to open with: why
// each one tried did not load, as SoundfontRefusals says it; empty when one loads. As slow as an
// open's first load.
std::vector<SoundfontRefusal> TrySoundfonts();

// Opens the MIDI file held in data (copied). Device identifiers count from 1. kAudioOk;
// kAudioNotReady without a running output; kAudioBadArgument for what is not a well-formed MIDI
// file; kAudioFailed when no soundfont loads or a piece is open already.
int SequencerOpen(const uint8_t* data, size_t size, uint32_t* device);
int SequencerStatusPort(uint32_t device, uint32_t* port);
// The player's position in ticks of the file.
int SequencerStatusPosition(uint32_t device, int64_t* ticks);
// Plays with notification: from tick 0, or from where the device stands (a device that has
// never played starts at 0).
int SequencerPlay(uint32_t device, bool fromStart);
// Stops, silences every note, drops a pending end and frees the piece.
int SequencerClose(uint32_t device);
// The open device when its piece has reached its end since the last call; each end is taken
// once.
bool SequencerTakeEnd(uint32_t* device);
// Closes the open piece and frees the synthesizer and its soundfont.
void SequencerShutdown();

}  // namespace platform
