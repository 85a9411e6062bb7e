// The media-stream service: a movie file decoded frame by frame into a display surface, on the
// caller's thread, paced by the platform clock.
//
// It stands in for a multimedia stream whose video lands in a display surface. The library makes
// a stream, initialises it for reading, adds the primary video (with the display that owns the
// surfaces) and a default audio renderer, opens the file through a MediaSource of its own file
// access, and makes a sample: a rectangle of a surface that receives frames. Updating the sample
// copies the next frame into it once that frame is due by the stream clock; when it is not due
// yet, the update is left pending on an event, which a later poll of the event completes.
//
// The stream clock counts 100 ns units from the first frame. It runs on the platform clock
// (platform/clock.h) while the stream is in the run state and holds still otherwise, so a fake or
// virtual clock makes playback exact. A frame is due when its presentation time has come; of
// several due frames the newest is shown, so a late caller keeps pace with the clock.
//
// Files are untrusted. A file opens only when it holds a video stream of non-zero size whose
// first frame decodes, and never when a picture demuxer claims it. Audio is never played: the
// stream reports that it dropped a sound track. Frames are converted (and scaled, should a frame
// change its size) into the sample's surface by libswscale; the surface must be 16-bit, 24-bit
// or 32-bit RGB.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/display.h"
#include "platform/media/media_source.h"
#include "platform/rect.h"

namespace platform {

// Results. The two positive ones are successes that are not "done".
constexpr int kStreamOk = 0;
constexpr int kStreamPending = 0x40001;      // the update waits for its frame on the event
constexpr int kStreamEndOfStream = 0x40003;  // no frame follows the last one delivered
constexpr int kStreamBadArgument = -1;       // a null or unusable argument, a wrong type
constexpr int kStreamWrongOrder = -2;        // a call the stream is not ready for
constexpr int kStreamNoVideo = -3;           // no decodable video of non-zero size
constexpr int kStreamNotRunning = -4;        // an update while the stream is stopped
constexpr int kStreamBadFormat = -5;         // a surface the frames cannot be converted into
constexpr int kStreamDisplayFailed = -6;     // the display refused a surface or a lock
constexpr int kStreamFault = -7;             // the call was told to fail (tests)

enum class StreamType { kRead, kWrite };
enum class StreamState { kStop, kRun };

class StreamEvent;
class StreamSample;
class VideoStream;

class MediaStream {
 public:
  // A new stream, not yet initialised.
  static int Create(std::unique_ptr<MediaStream>* out);
  ~MediaStream();
  MediaStream(const MediaStream&) = delete;
  MediaStream& operator=(const MediaStream&) = delete;

  // Reading only; once.
  int Initialize(StreamType type);
  // The video goes into surfaces of this display (kept weakly: the display may go first).
  int AddPrimaryVideo(const std::shared_ptr<Display>& display);
  // The sound track of the file, if any, is taken and dropped.
  int AddDefaultAudio();
  // Takes the source and opens it; kStreamNoVideo when it holds no decodable video.
  int OpenFile(std::unique_ptr<MediaSource> source);
  // True after OpenFile when the file had a sound track that the default renderer dropped.
  bool DroppedAudio() const;
  // The primary video added by AddPrimaryVideo; kStreamWrongOrder before it.
  int GetPrimaryVideo(std::unique_ptr<VideoStream>* out);
  // In 100 ns units.
  int GetDuration(int64_t* out);
  int GetTime(int64_t* out);
  int GetState(StreamState* out);
  // Run starts or resumes the clock, stop holds it where it is.
  int SetState(StreamState state);
  // The clock moves to time (clamped to 0..duration); the next update shows the frame due then.
  int Seek(int64_t time);

 private:
  struct Core;
  MediaStream();
  std::shared_ptr<Core> core_;
  friend class VideoStream;
  friend class StreamSample;
};

// The primary video of a stream (it keeps the stream's state alive).
class VideoStream {
 public:
  ~VideoStream();
  // The frame size; 0 x 0 before a file is open.
  int GetFormat(int32_t* width, int32_t* height);
  // In 100 ns units.
  int GetTimePerFrame(int64_t* out);
  // A sample on surface (null: a surface of the frame's size in the display's mode format, made
  // by the stream in system memory). rect null means the frame's size at the surface's origin;
  // it must lie inside the surface. The sample holds a reference of its surface while it lives.
  // kStreamBadFormat for a surface format frames cannot take.
  int CreateSample(const std::shared_ptr<Surface>& surface, const Rect* rect,
                   std::unique_ptr<StreamSample>* out);

 private:
  friend class MediaStream;
  explicit VideoStream(std::shared_ptr<MediaStream::Core> core);
  std::shared_ptr<MediaStream::Core> core_;
};

class StreamSample {
 public:
  ~StreamSample();
  // The surface with one reference for the caller, and the sample's rectangle on it.
  int GetSurface(std::shared_ptr<Surface>* surface, Rect* rect);
  // kStreamOk when the next frame is due (it is in the surface now), kStreamPending when it is
  // not (a poll of event completes it later), kStreamEndOfStream when no frame follows, or an
  // error. flags are reserved (0).
  int Update(uint32_t flags, StreamEvent* event);

 private:
  friend class VideoStream;
  friend class StreamEvent;
  struct State;
  explicit StreamSample(std::shared_ptr<State> state);
  std::shared_ptr<State> state_;
};

// A manual-reset event, not signalled when made.
class StreamEvent {
 public:
  StreamEvent();
  ~StreamEvent();
  StreamEvent(const StreamEvent&) = delete;
  StreamEvent& operator=(const StreamEvent&) = delete;
  // Only a zero wait exists: a poll. It completes an update pending on this event when its frame
  // has come due. True when signalled.
  bool Poll();
  void Reset();

 private:
  friend class StreamSample;
  bool signalled_ = false;
  std::weak_ptr<StreamSample::State> pending_;
};

// Tests: every stream call of this name ("Create", "Initialize", "AddPrimaryVideo",
// "AddDefaultAudio", "OpenFile", "GetPrimaryVideo", "GetDuration", "GetFormat", "CreateSample",
// "GetSurface", "GetTimePerFrame") fails with kStreamFault. Empty: none.
void SetMediaStreamFault(const std::string& call);

}  // namespace platform
