// Standard MIDI files: the checks the sequencer makes before it takes a file.
//
// A file is a plain SMF ("MThd" header and "MTrk" chunks) or an SMF wrapped in a RIFF "RMID"
// file's "data" chunk. Music files are untrusted: every length is checked against the bytes
// there are, and every track must parse event by event up to its end-of-track event, so that a
// truncated or damaged file is refused before the synthesizer sees it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

struct MidiFileInfo {
  size_t offset = 0;  // where "MThd" starts in the image
  size_t size = 0;    // bytes of the SMF from there through its last track
  int format = 0;     // 0, 1 or 2
  int tracks = 0;
  int division = 0;        // the header's division word
  int64_t totalTicks = 0;  // the longest track, in ticks
};

// True when the first bytes say "MThd", or "RIFF" with the form type "RMID" (at least 4 bytes,
// 12 for RIFF, are needed).
bool HasMidiSignature(const uint8_t* data, size_t size);

// Checks the whole image; false when anything in it is not a well-formed MIDI file.
bool ParseMidiFile(const uint8_t* data, size_t size, MidiFileInfo* info);

}  // namespace platform
