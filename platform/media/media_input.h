// The demuxing both media services share (the music player and the movie stream): a container
// read from a MediaSource through FFmpeg's own I/O, and the decoder of its best stream of a kind.
//
// Files are untrusted. A file a picture demuxer claims is refused (every still format has one,
// and a picture is never media), and nested resources (playlists, reference files) are never
// opened, so the services read nothing past the source they were given. Decoders run on the
// caller's thread.
//
// Only the platform's media code includes this header: it shows FFmpeg's types.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <memory>

#include "platform/media/media_source.h"

namespace platform {

// FFmpeg's own messages stay silent; called once per process by every service.
void QuietMediaLibraryLog();

class MediaInput {
 public:
  MediaInput() = default;
  ~MediaInput() { Close(); }
  MediaInput(const MediaInput&) = delete;
  MediaInput& operator=(const MediaInput&) = delete;

  // Takes the source; it stays with the input until Close or the next Open.
  void SetSource(std::unique_ptr<MediaSource> source) { source_ = std::move(source); }
  bool HasSource() const { return source_ != nullptr; }
  // Opens the source from its first byte and reads the stream information, then opens the
  // decoder of the best stream of the kind (every other stream is discarded). False, with
  // everything closed but the source, when any step fails.
  bool Open(AVMediaType kind);
  // Closes the decoder and the container; the source stays.
  void Close();

  AVFormatContext* format() const { return format_; }
  AVCodecContext* codec() const { return codec_; }
  int stream() const { return stream_; }

 private:
  static int ReadPacket(void* opaque, uint8_t* buffer, int bytes);
  static int64_t SeekPacket(void* opaque, int64_t offset, int whence);
  bool Fail() {
    Close();
    return false;
  }

  std::unique_ptr<MediaSource> source_;
  AVIOContext* io_ = nullptr;
  AVFormatContext* format_ = nullptr;
  AVCodecContext* codec_ = nullptr;
  int stream_ = -1;
};

}  // namespace platform
