// The media-playback service: a music file of any audio format FFmpeg reads, decoded while it
// plays and mixed with everything else.
//
// It stands in for a playback graph: the library renders a file into it, runs it, sets its
// volume, rewinds it to the start and reads its events. The file's bytes come from a
// MediaSource the library supplies (its own file access), so the service never opens a path.
// Decoding happens on the caller's thread: Update, called by every pump pass, keeps about one
// second decoded ahead in a ring that the mixer consumes and resamples to its rate. Once the
// mixer has played the last sample, Update queues the complete event and reports that a
// notification is due (unless notifications are off).
//
// Files are untrusted: a file without an audio stream, one a picture demuxer claims, or one
// whose audio does not decode is refused by Render; nested resources (playlists and the like)
// are never opened.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "platform/audio/audio_device.h"
#include "platform/media/media_source.h"

namespace platform {

// Event codes, as the library's music handling numbers them.
constexpr int32_t kMediaEventComplete = 1;

class MediaPlayer final : private MixerInput {
 public:
  // Null without a running sound output.
  static std::unique_ptr<MediaPlayer> Create();
  ~MediaPlayer() override;
  MediaPlayer(const MediaPlayer&) = delete;
  MediaPlayer& operator=(const MediaPlayer&) = delete;

  // Opens the source and gets its audio ready to play. kAudioBadArgument when it holds no
  // decodable audio; a player takes one source.
  int Render(std::unique_ptr<MediaSource> source);
  // The mixer starts consuming.
  int Run();
  // Back to the first sample: what was decoded ahead is dropped.
  int SetPositionToStart();
  // Hundredths of a decibel, -10000..0; kAudioBadArgument outside.
  int SetVolume(int32_t hundredthsOfDecibel);
  int GetVolume(int32_t* hundredthsOfDecibel) const;
  // The oldest queued event; kAudioFailed when none is queued.
  int GetEvent(int32_t* code);
  // Notifications on or off (off: events are still queued, none is reported).
  void SetNotify(bool on);
  // Decodes ahead and queues the events the mixer reached; true when a notification is due.
  bool Update();

  // The sample rate of the ring (the file's).
  int rate() const { return rate_; }

 private:
  struct Decoder;
  MediaPlayer();
  void MixInto(int32_t* stereo, int frames) override;
  // Moves decoded frames into the ring as far as it has room. Lock held.
  void MoveToRing();
  void Fill();
  // Once the last sample has been played: the complete event is due. Lock held.
  void ReachEnd();

  std::unique_ptr<Decoder> decoder_;
  bool notify_ = false;
  std::deque<int32_t> events_;
  std::vector<int16_t> pending_;  // decoded stereo frames not yet in the ring
  size_t pendingOffset_ = 0;      // samples of pending_ already moved
  int rate_ = 0;

  // Guarded by the device lock.
  std::vector<int16_t> ring_;  // stereo frames
  uint32_t ringFrames_ = 0;
  uint32_t readFrame_ = 0;
  uint32_t heldFrames_ = 0;
  uint32_t fraction_ = 0;  // between the read frame and the next, in 1/2^32
  uint64_t step_ = 0;      // ring frames per output frame, 32.32 fixed point
  int32_t volume_ = kVolumeFull;
  int32_t gain_ = 65536;
  bool running_ = false;
  bool inputEnded_ = false;  // nothing more will come into the ring
  bool completeSeen_ = false;
  std::atomic<bool> completeReached_{false};
};

}  // namespace platform
