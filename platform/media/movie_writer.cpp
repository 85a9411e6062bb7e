#include "platform/media/movie_writer.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <memory>

#include "platform/media/media_input.h"

namespace platform {
namespace {

constexpr int kSoundRate = 8000;
constexpr int kIoBufferBytes = 32768;

struct Encoder {
  AVCodecContext* codec = nullptr;
  AVStream* stream = nullptr;
  ~Encoder() { avcodec_free_context(&codec); }
};

// The muxer's output: the caller's stream, which it writes and seeks in, and the system's reason
// for the first of its calls that failed, so that the failure says why and not only where.
struct StreamOutput {
  std::FILE* stream = nullptr;
  int error = 0;

  int Failed() {
    if (error == 0) error = errno != 0 ? errno : EIO;
    return AVERROR(error);
  }

  static int Write(void* opaque, uint8_t* bytes, int size) {
    auto* out = static_cast<StreamOutput*>(opaque);
    errno = 0;
    if (size > 0 && std::fwrite(bytes, 1, static_cast<size_t>(size), out->stream) !=
                        static_cast<size_t>(size)) {
      return out->Failed();
    }
    return size;
  }

  static int64_t Seek(void* opaque, int64_t offset, int whence) {
    auto* out = static_cast<StreamOutput*>(opaque);
    errno = 0;
    if ((whence & AVSEEK_SIZE) != 0) {
      struct stat st;
      if (std::fflush(out->stream) != 0 || fstat(fileno(out->stream), &st) != 0) {
        return out->Failed();
      }
      return st.st_size;
    }
    whence &= ~AVSEEK_FORCE;
    if (whence != SEEK_SET && whence != SEEK_CUR && whence != SEEK_END) return AVERROR(EINVAL);
    if (fseeko(out->stream, offset, whence) != 0) return out->Failed();
    const off_t at = ftello(out->stream);
    return at >= 0 ? at : out->Failed();
  }
};

struct Writer {
  AVFormatContext* format = nullptr;
  AVIOContext* io = nullptr;
  StreamOutput output;
  AVPacket* packet = nullptr;
  AVFrame* frame = nullptr;
  Encoder video, sound;
  std::string* error;

  explicit Writer(std::string* e) : error(e) {}
  ~Writer() {
    // The context was given our own I/O: freeing it leaves that, and the stream, to us.
    avformat_free_context(format);
    if (io != nullptr) {
      av_freep(&io->buffer);
      avio_context_free(&io);
    }
    av_packet_free(&packet);
    av_frame_free(&frame);
  }

  // A failed write or seek on the stream is the reason, whatever step it surfaced in; otherwise
  // the step, with the media library's word for `code` when there is one.
  bool Fail(const char* why, int code = 0) {
    if (error == nullptr) return false;
    if (output.error != 0) {
      *error = std::strerror(output.error);
    } else if (code < 0) {
      char text[AV_ERROR_MAX_STRING_SIZE] = {};
      av_strerror(code, text, sizeof text);
      *error = std::string(why) + ": " + text;
    } else {
      *error = why;
    }
    return false;
  }

  bool AddEncoder(AVCodecID id, Encoder* e, const std::function<void(AVCodecContext*)>& setUp) {
    const AVCodec* codec = avcodec_find_encoder(id);
    if (codec == nullptr) return false;
    e->codec = avcodec_alloc_context3(codec);
    if (e->codec == nullptr) return false;
    setUp(e->codec);
    e->codec->thread_count = 1;
    if ((format->oformat->flags & AVFMT_GLOBALHEADER) != 0) {
      e->codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    if (avcodec_open2(e->codec, codec, nullptr) < 0) return false;
    e->stream = avformat_new_stream(format, nullptr);
    if (e->stream == nullptr) return false;
    e->stream->time_base = e->codec->time_base;
    return avcodec_parameters_from_context(e->stream->codecpar, e->codec) >= 0;
  }

  // Sends a frame (null: the end) and writes every packet that comes out; 0 or the media
  // library's error.
  int Encode(Encoder* e, AVFrame* f) {
    if (int sent = avcodec_send_frame(e->codec, f); sent < 0) return sent;
    while (true) {
      int got = avcodec_receive_packet(e->codec, packet);
      if (got == AVERROR(EAGAIN) || got == AVERROR_EOF) return 0;
      if (got < 0) return got;
      // Each frame lasts one frame time, so that the movie's duration counts the last one.
      if (packet->duration == 0 && e == &video) packet->duration = 1;
      av_packet_rescale_ts(packet, e->codec->time_base, e->stream->time_base);
      packet->stream_index = e->stream->index;
      if (int written = av_interleaved_write_frame(format, packet); written < 0) return written;
    }
  }

  int VideoFrame(const TestMovieSpec& spec, int index) {
    av_frame_unref(frame);
    frame->format = AV_PIX_FMT_BGR0;
    frame->width = spec.width;
    frame->height = spec.height;
    if (int made = av_frame_get_buffer(frame, 0); made < 0) return made;
    const uint32_t c = spec.colours[static_cast<size_t>(index)];
    for (int y = 0; y < spec.height; ++y) {
      uint8_t* row = frame->data[0] + static_cast<ptrdiff_t>(y) * frame->linesize[0];
      for (int x = 0; x < spec.width; ++x) {
        row[4 * x] = static_cast<uint8_t>(c);
        row[4 * x + 1] = static_cast<uint8_t>(c >> 8);
        row[4 * x + 2] = static_cast<uint8_t>(c >> 16);
        row[4 * x + 3] = 0;
      }
    }
    frame->pts = index;
    return Encode(&video, frame);
  }

  int SoundFrame(const TestMovieSpec& spec, int index) {
    av_frame_unref(frame);
    frame->format = AV_SAMPLE_FMT_S16;
    AVChannelLayout mono = AV_CHANNEL_LAYOUT_MONO;
    if (int copied = av_channel_layout_copy(&frame->ch_layout, &mono); copied < 0) return copied;
    frame->sample_rate = kSoundRate;
    frame->nb_samples = kSoundRate / spec.framesPerSecond;
    if (int made = av_frame_get_buffer(frame, 0); made < 0) return made;
    if (int made = av_frame_make_writable(frame); made < 0) return made;
    std::fill_n(frame->data[0], frame->nb_samples * 2, uint8_t{0});
    frame->pts = int64_t{index} * frame->nb_samples;
    return Encode(&sound, frame);
  }

  // The muxer's I/O over the caller's stream, in place of a file it would open by name.
  bool OpenOutput(std::FILE* stream) {
    output.stream = stream;
    auto* buffer = static_cast<uint8_t*>(av_malloc(kIoBufferBytes));
    if (buffer == nullptr) return false;
    io = avio_alloc_context(buffer, kIoBufferBytes, 1, &output, nullptr, StreamOutput::Write,
                            StreamOutput::Seek);
    if (io == nullptr) {
      av_free(buffer);
      return false;
    }
    format->pb = io;
    format->flags |= AVFMT_FLAG_CUSTOM_IO;
    return true;
  }

  bool Write(std::FILE* stream, const TestMovieSpec& spec) {
    if (avformat_alloc_output_context2(&format, nullptr, "matroska", nullptr) < 0) {
      format = nullptr;
      return Fail("no Matroska muxer");
    }
    const AVRational frameTime{1, spec.framesPerSecond};
    if (!AddEncoder(AV_CODEC_ID_FFV1, &video, [&](AVCodecContext* c) {
          c->width = spec.width;
          c->height = spec.height;
          c->pix_fmt = AV_PIX_FMT_BGR0;
          c->time_base = frameTime;
          c->framerate = AVRational{spec.framesPerSecond, 1};
        })) {
      return Fail("the FFV1 encoder refused the frames");
    }
    if (spec.silentSoundTrack && !AddEncoder(AV_CODEC_ID_PCM_S16LE, &sound, [](AVCodecContext* c) {
          c->sample_fmt = AV_SAMPLE_FMT_S16;
          c->sample_rate = kSoundRate;
          AVChannelLayout mono = AV_CHANNEL_LAYOUT_MONO;
          av_channel_layout_copy(&c->ch_layout, &mono);
          c->time_base = AVRational{1, kSoundRate};
        })) {
      return Fail("the PCM encoder refused the sound track");
    }
    packet = av_packet_alloc();
    frame = av_frame_alloc();
    if (packet == nullptr || frame == nullptr || !OpenOutput(stream)) return Fail("out of memory");
    if (int r = avformat_write_header(format, nullptr); r < 0) {
      return Fail("the header was refused", r);
    }
    for (int i = 0; i < static_cast<int>(spec.colours.size()); ++i) {
      if (int r = VideoFrame(spec, i); r < 0) return Fail("a frame did not encode", r);
      if (int r = spec.silentSoundTrack ? SoundFrame(spec, i) : 0; r < 0) {
        return Fail("sound did not encode", r);
      }
    }
    if (int r = Encode(&video, nullptr); r < 0) return Fail("the encoder did not finish", r);
    if (int r = spec.silentSoundTrack ? Encode(&sound, nullptr) : 0; r < 0) {
      return Fail("the encoder did not finish", r);
    }
    // The trailer empties the I/O buffer into the stream and reports a failed write of it.
    if (int r = av_write_trailer(format); r < 0) return Fail("the trailer was refused", r);
    return true;
  }
};

}  // namespace

bool WriteTestMovie(std::FILE* stream, const TestMovieSpec& spec, std::string* error) {
  if (stream == nullptr) {
    if (error != nullptr) *error = "no stream to write into";
    return false;
  }
  if (spec.width < 1 || spec.height < 1 || spec.width > 4096 || spec.height > 4096 ||
      spec.framesPerSecond < 1 || spec.framesPerSecond > 1000 || spec.colours.empty()) {
    if (error != nullptr) *error = "size 1..4096, 1..1000 frames a second, one colour at least";
    return false;
  }
  QuietMediaLibraryLog();
  Writer w(error);
  return w.Write(stream, spec);
}

}  // namespace platform
