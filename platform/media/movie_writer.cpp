#include "platform/media/movie_writer.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <algorithm>
#include <functional>
#include <memory>

#include "platform/media/media_input.h"

namespace platform {
namespace {

constexpr int kSoundRate = 8000;

struct Encoder {
  AVCodecContext* codec = nullptr;
  AVStream* stream = nullptr;
  ~Encoder() { avcodec_free_context(&codec); }
};

struct Writer {
  AVFormatContext* format = nullptr;
  AVPacket* packet = nullptr;
  AVFrame* frame = nullptr;
  Encoder video, sound;
  std::string* error;

  explicit Writer(std::string* e) : error(e) {}
  ~Writer() {
    if (format != nullptr) {
      if (format->pb != nullptr) avio_closep(&format->pb);
      avformat_free_context(format);
    }
    av_packet_free(&packet);
    av_frame_free(&frame);
  }

  bool Fail(const char* why) {
    if (error != nullptr) *error = why;
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

  // Sends a frame (null: the end) and writes every packet that comes out.
  bool Encode(Encoder* e, AVFrame* f) {
    if (avcodec_send_frame(e->codec, f) < 0) return false;
    while (true) {
      int got = avcodec_receive_packet(e->codec, packet);
      if (got == AVERROR(EAGAIN) || got == AVERROR_EOF) return true;
      if (got < 0) return false;
      // Each frame lasts one frame time, so that the movie's duration counts the last one.
      if (packet->duration == 0 && e == &video) packet->duration = 1;
      av_packet_rescale_ts(packet, e->codec->time_base, e->stream->time_base);
      packet->stream_index = e->stream->index;
      if (av_interleaved_write_frame(format, packet) < 0) return false;
    }
  }

  bool VideoFrame(const TestMovieSpec& spec, int index) {
    av_frame_unref(frame);
    frame->format = AV_PIX_FMT_BGR0;
    frame->width = spec.width;
    frame->height = spec.height;
    if (av_frame_get_buffer(frame, 0) < 0) return false;
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

  bool SoundFrame(const TestMovieSpec& spec, int index) {
    av_frame_unref(frame);
    frame->format = AV_SAMPLE_FMT_S16;
    AVChannelLayout mono = AV_CHANNEL_LAYOUT_MONO;
    if (av_channel_layout_copy(&frame->ch_layout, &mono) < 0) return false;
    frame->sample_rate = kSoundRate;
    frame->nb_samples = kSoundRate / spec.framesPerSecond;
    if (av_frame_get_buffer(frame, 0) < 0 || av_frame_make_writable(frame) < 0) return false;
    std::fill_n(frame->data[0], frame->nb_samples * 2, uint8_t{0});
    frame->pts = int64_t{index} * frame->nb_samples;
    return Encode(&sound, frame);
  }

  bool Write(const std::string& path, const TestMovieSpec& spec) {
    if (avformat_alloc_output_context2(&format, nullptr, "matroska", path.c_str()) < 0) {
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
    if (packet == nullptr || frame == nullptr) return Fail("out of memory");
    if (avio_open(&format->pb, path.c_str(), AVIO_FLAG_WRITE) < 0) return Fail("cannot write");
    if (avformat_write_header(format, nullptr) < 0) return Fail("cannot write the header");
    for (int i = 0; i < static_cast<int>(spec.colours.size()); ++i) {
      if (!VideoFrame(spec, i)) return Fail("a frame did not encode");
      if (spec.silentSoundTrack && !SoundFrame(spec, i)) return Fail("sound did not encode");
    }
    if (!Encode(&video, nullptr) || (spec.silentSoundTrack && !Encode(&sound, nullptr))) {
      return Fail("the encoder did not finish");
    }
    if (av_write_trailer(format) < 0) return Fail("cannot write the trailer");
    return true;
  }
};

}  // namespace

bool WriteTestMovie(const std::string& path, const TestMovieSpec& spec, std::string* error) {
  if (spec.width < 1 || spec.height < 1 || spec.width > 4096 || spec.height > 4096 ||
      spec.framesPerSecond < 1 || spec.framesPerSecond > 1000 || spec.colours.empty()) {
    if (error != nullptr) *error = "size 1..4096, 1..1000 frames a second, one colour at least";
    return false;
  }
  QuietMediaLibraryLog();
  Writer w(error);
  return w.Write(path, spec);
}

}  // namespace platform
