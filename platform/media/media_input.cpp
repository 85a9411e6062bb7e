#include "platform/media/media_input.h"

#include <cerrno>
#include <cstdio>
#include <mutex>
#include <string_view>

namespace platform {
namespace {

constexpr int kIoBufferBytes = 32768;

// Picture files have demuxers too (one per still format, and the numbered-file one).
bool IsPictureDemuxer(const AVInputFormat* format) {
  std::string_view name = format->name != nullptr ? format->name : "";
  return name.starts_with("image2") || name.ends_with("_pipe");
}

// A playlist or a reference file would make the demuxer open further paths on its own, past the
// library's file access.
int RefuseNestedOpen(AVFormatContext*, AVIOContext**, const char*, int, AVDictionary**) {
  return AVERROR(EPERM);
}

}  // namespace

void QuietMediaLibraryLog() {
  static std::once_flag once;
  std::call_once(once, [] { av_log_set_level(AV_LOG_QUIET); });
}

int MediaInput::ReadPacket(void* opaque, uint8_t* buffer, int bytes) {
  int n = static_cast<MediaInput*>(opaque)->source_->Read(buffer, bytes);
  if (n < 0) return AVERROR(EIO);
  return n == 0 ? AVERROR_EOF : n;
}

int64_t MediaInput::SeekPacket(void* opaque, int64_t offset, int whence) {
  MediaSource& s = *static_cast<MediaInput*>(opaque)->source_;
  if ((whence & AVSEEK_SIZE) != 0) {
    int64_t size = s.Size();
    return size >= 0 ? size : AVERROR(ENOSYS);
  }
  whence &= ~AVSEEK_FORCE;
  int origin = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? 1 : whence == SEEK_END ? 2 : -1;
  if (origin < 0) return AVERROR(EINVAL);
  int64_t at = s.Seek(offset, origin);
  return at < 0 ? AVERROR(EIO) : at;
}

void MediaInput::Close() {
  avcodec_free_context(&codec_);
  // The context was given our own I/O: closing it leaves that to us.
  avformat_close_input(&format_);
  if (io_ != nullptr) {
    av_freep(&io_->buffer);
    avio_context_free(&io_);
  }
  stream_ = -1;
}

bool MediaInput::Open(AVMediaType kind) {
  Close();
  QuietMediaLibraryLog();
  if (source_ == nullptr || source_->Seek(0, 0) != 0) return false;
  auto* buffer = static_cast<uint8_t*>(av_malloc(kIoBufferBytes));
  if (buffer == nullptr) return false;
  io_ = avio_alloc_context(buffer, kIoBufferBytes, 0, this, ReadPacket, nullptr,
                           source_->Size() >= 0 ? SeekPacket : nullptr);
  if (io_ == nullptr) {
    av_free(buffer);
    return false;
  }
  format_ = avformat_alloc_context();
  if (format_ == nullptr) return Fail();
  format_->pb = io_;
  format_->flags |= AVFMT_FLAG_CUSTOM_IO;
  format_->io_open = RefuseNestedOpen;
  // No name: a name would let the numbered-picture demuxer claim the file by its extension.
  if (avformat_open_input(&format_, "", nullptr, nullptr) < 0) {
    format_ = nullptr;  // freed by the failed open
    return Fail();
  }
  if (IsPictureDemuxer(format_->iformat) || avformat_find_stream_info(format_, nullptr) < 0) {
    return Fail();
  }
  const AVCodec* decoder = nullptr;
  stream_ = av_find_best_stream(format_, kind, -1, -1, &decoder, 0);
  if (stream_ < 0 || decoder == nullptr) return Fail();
  for (unsigned i = 0; i < format_->nb_streams; ++i) {
    if (static_cast<int>(i) != stream_) format_->streams[i]->discard = AVDISCARD_ALL;
  }
  codec_ = avcodec_alloc_context3(decoder);
  if (codec_ == nullptr ||
      avcodec_parameters_to_context(codec_, format_->streams[stream_]->codecpar) < 0) {
    return Fail();
  }
  codec_->thread_count = 1;
  if (avcodec_open2(codec_, decoder, nullptr) < 0) return Fail();
  return true;
}

}  // namespace platform
