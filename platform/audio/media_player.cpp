#include "platform/audio/media_player.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <cstring>

#include "platform/media/media_input.h"

namespace platform {
namespace {

// The ring holds two seconds and is kept one second ahead.
constexpr int kRingSeconds = 2;
// Rates the ring takes; anything else is resampled by the decoder's converter.
constexpr int kMaxRingRate = 384000;
// Bounds of the work one call does, so that a file that yields packets without audio for ever
// cannot hold the pump.
constexpr int kPacketsPerFill = 4096;
constexpr int kPacketsToFirstAudio = 4096;
// Packets in a row that fail to decode before the audio is taken as ended.
constexpr int kMaxDecodeErrors = 64;

}  // namespace

struct MediaPlayer::Decoder {
  MediaInput input;
  AVFormatContext* format = nullptr;  // the input's, while open
  AVCodecContext* codec = nullptr;
  SwrContext* swr = nullptr;
  AVPacket* packet = nullptr;
  AVFrame* frame = nullptr;
  int stream = -1;
  int rate = 0;        // the ring's rate, fixed by the first open
  bool ended = false;  // the last frame has been given
  int errors = 0;
  // What the converter was set up for.
  AVChannelLayout swrLayout{};
  int swrFormat = -1;
  int swrRate = 0;
  std::vector<int16_t> converted;

  ~Decoder() { Close(); }

  void ResetConverter() {
    swr_free(&swr);
    av_channel_layout_uninit(&swrLayout);
    swrFormat = -1;
    swrRate = 0;
  }

  void Close() {
    input.Close();
    format = nullptr;
    codec = nullptr;
    ResetConverter();
    av_packet_free(&packet);
    av_frame_free(&frame);
    stream = -1;
  }

  // Opens the source from its first byte.
  bool Open() {
    if (!input.Open(AVMEDIA_TYPE_AUDIO)) return false;
    format = input.format();
    codec = input.codec();
    stream = input.stream();
    if (rate == 0) rate = codec->sample_rate;
    if (rate < kMinBufferRate || rate > kMaxRingRate) return false;
    packet = av_packet_alloc();
    frame = av_frame_alloc();
    if (packet == nullptr || frame == nullptr) return false;
    ended = false;
    errors = 0;
    return true;
  }

  // Back to the first sample without opening again; false when the format cannot seek.
  bool Rewind() {
    if (format == nullptr || codec == nullptr) return false;
    const AVStream* s = format->streams[stream];
    int64_t start = s->start_time != AV_NOPTS_VALUE ? s->start_time : 0;
    if (avformat_seek_file(format, stream, INT64_MIN, start, start, 0) < 0) return false;
    avcodec_flush_buffers(codec);
    ResetConverter();
    ended = false;
    errors = 0;
    return true;
  }

  // Converts a frame to interleaved 16-bit stereo at the ring's rate, appended to out.
  // Mono is converted as mono and doubled, so that it plays at its own level on both sides.
  // A null frame takes out what the converter still holds.
  bool Convert(const AVFrame* f, std::vector<int16_t>* out) {
    if (f == nullptr && swr == nullptr) return true;
    if (f != nullptr && f->nb_samples <= 0) return false;
    if (f != nullptr && (swr == nullptr || f->format != swrFormat || f->sample_rate != swrRate ||
                         av_channel_layout_compare(&f->ch_layout, &swrLayout) != 0)) {
      ResetConverter();
      if (f->ch_layout.nb_channels < 1 || f->sample_rate <= 0) return false;
      AVChannelLayout mono = AV_CHANNEL_LAYOUT_MONO;
      AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
      // The converter only reads the layouts it is given (its declaration is not const).
      AVChannelLayout source = f->ch_layout;
      if (swr_alloc_set_opts2(
              &swr, f->ch_layout.nb_channels == 1 ? &mono : &stereo, AV_SAMPLE_FMT_S16, rate,
              &source, static_cast<AVSampleFormat>(f->format), f->sample_rate, 0, nullptr) < 0 ||
          swr_init(swr) < 0) {
        ResetConverter();
        return false;
      }
      if (av_channel_layout_copy(&swrLayout, &f->ch_layout) < 0) {
        ResetConverter();
        return false;
      }
      swrFormat = f->format;
      swrRate = f->sample_rate;
    }
    int channels = swrLayout.nb_channels == 1 ? 1 : 2;
    int room = swr_get_out_samples(swr, f != nullptr ? f->nb_samples : 0);
    if (room <= 0) return true;
    converted.resize(static_cast<size_t>(room) * static_cast<size_t>(channels));
    auto* target = reinterpret_cast<uint8_t*>(converted.data());
    int got = f != nullptr
                  ? swr_convert(swr, &target, room, const_cast<const uint8_t**>(f->extended_data),
                                f->nb_samples)
                  : swr_convert(swr, &target, room, nullptr, 0);
    if (got < 0) return false;
    size_t at = out->size();
    out->resize(at + static_cast<size_t>(got) * 2);
    if (channels == 2) {
      std::memcpy(out->data() + at, converted.data(),
                  static_cast<size_t>(got) * 2 * sizeof(int16_t));
    } else {
      for (int i = 0; i < got; ++i) {
        (*out)[at + 2 * static_cast<size_t>(i)] = converted[static_cast<size_t>(i)];
        (*out)[at + 2 * static_cast<size_t>(i) + 1] = converted[static_cast<size_t>(i)];
      }
    }
    return true;
  }

  void Receive(std::vector<int16_t>* out) {
    while (avcodec_receive_frame(codec, frame) == 0) {
      if (Convert(frame, out)) errors = 0;
      av_frame_unref(frame);
    }
  }

  // Reads and decodes one packet into out; at the end of the file, the rest the decoder and
  // the converter hold, and ended.
  void Step(std::vector<int16_t>* out) {
    if (ended) return;
    if (av_read_frame(format, packet) < 0) {
      avcodec_send_packet(codec, nullptr);
      Receive(out);
      Convert(nullptr, out);
      ended = true;
      return;
    }
    if (packet->stream_index == stream) {
      int sent = avcodec_send_packet(codec, packet);
      if (sent == AVERROR(EAGAIN)) {
        Receive(out);
        sent = avcodec_send_packet(codec, packet);
      }
      if (sent < 0) {
        if (++errors > kMaxDecodeErrors) ended = true;
      } else {
        Receive(out);
      }
    }
    av_packet_unref(packet);
  }
};

std::unique_ptr<MediaPlayer> MediaPlayer::Create() {
  if (!AudioOutputRunning()) return nullptr;
  QuietMediaLibraryLog();
  std::unique_ptr<MediaPlayer> player(new MediaPlayer());
  AttachMixerInput(player.get());
  return player;
}

MediaPlayer::MediaPlayer() : decoder_(std::make_unique<Decoder>()) {}

MediaPlayer::~MediaPlayer() {
  DetachMixerInput(this);
}

int MediaPlayer::Render(std::unique_ptr<MediaSource> source) {
  if (source == nullptr || decoder_->input.HasSource()) return kAudioBadArgument;
  Decoder& d = *decoder_;
  d.input.SetSource(std::move(source));
  if (!d.Open()) {
    d.Close();
    return kAudioBadArgument;
  }
  // Audio that never gives a sample is refused here rather than played as silence.
  for (int i = 0; i < kPacketsToFirstAudio && pending_.empty() && !d.ended; ++i) {
    d.Step(&pending_);
  }
  if (pending_.empty()) {
    d.Close();
    return kAudioBadArgument;
  }
  rate_ = d.rate;
  AudioDeviceLock lock;
  ringFrames_ = static_cast<uint32_t>(rate_) * kRingSeconds;
  ring_.assign(size_t{ringFrames_} * 2, 0);
  step_ = (static_cast<uint64_t>(rate_) << 32) / kMixerRate;
  readFrame_ = 0;
  heldFrames_ = 0;
  fraction_ = 0;
  MoveToRing();
  return kAudioOk;
}

int MediaPlayer::Run() {
  AudioDeviceLock lock;
  if (ringFrames_ == 0) return kAudioNotReady;
  running_ = true;
  return kAudioOk;
}

int MediaPlayer::SetPositionToStart() {
  if (ringFrames_ == 0) return kAudioNotReady;
  {
    AudioDeviceLock lock;
    readFrame_ = 0;
    heldFrames_ = 0;
    fraction_ = 0;
    inputEnded_ = false;
    completeSeen_ = false;
    completeReached_.store(false);
  }
  pending_.clear();
  pendingOffset_ = 0;
  Decoder& d = *decoder_;
  if (!d.Rewind()) {
    d.Close();
    if (!d.Open()) {
      // Nothing more can be played; no further event either, or a looping caller would rewind
      // again and again.
      d.Close();
      d.ended = true;
      AudioDeviceLock lock;
      inputEnded_ = true;
      completeSeen_ = true;
      return kAudioFailed;
    }
  }
  // The mixer need not wait for the next pump pass for its first samples.
  Fill();
  return kAudioOk;
}

int MediaPlayer::SetVolume(int32_t v) {
  if (v < kVolumeSilent || v > kVolumeFull) return kAudioBadArgument;
  AudioDeviceLock lock;
  volume_ = v;
  gain_ = VolumeToGain(v);
  return kAudioOk;
}

int MediaPlayer::GetVolume(int32_t* v) const {
  if (v == nullptr) return kAudioBadArgument;
  AudioDeviceLock lock;
  *v = volume_;
  return kAudioOk;
}

int MediaPlayer::GetEvent(int32_t* code) {
  if (code == nullptr) return kAudioBadArgument;
  if (events_.empty()) return kAudioFailed;
  *code = events_.front();
  events_.pop_front();
  return kAudioOk;
}

void MediaPlayer::SetNotify(bool on) {
  notify_ = on;
}

bool MediaPlayer::Update() {
  if (ringFrames_ == 0) return false;
  Fill();
  if (!completeReached_.exchange(false)) return false;
  events_.push_back(kMediaEventComplete);
  return notify_;
}

void MediaPlayer::MoveToRing() {
  size_t frames = (pending_.size() - pendingOffset_) / 2;
  size_t n = std::min<size_t>(frames, ringFrames_ - heldFrames_);
  uint32_t at = (readFrame_ + heldFrames_) % ringFrames_;
  for (size_t i = 0; i < n; ++i) {
    ring_[2 * size_t{at}] = pending_[pendingOffset_];
    ring_[2 * size_t{at} + 1] = pending_[pendingOffset_ + 1];
    pendingOffset_ += 2;
    at = at + 1 == ringFrames_ ? 0 : at + 1;
  }
  heldFrames_ += static_cast<uint32_t>(n);
}

void MediaPlayer::Fill() {
  Decoder& d = *decoder_;
  for (int i = 0;; ++i) {
    bool enough;
    {
      AudioDeviceLock lock;
      MoveToRing();
      bool drained = pendingOffset_ >= pending_.size();
      if (drained && d.ended) {
        inputEnded_ = true;
        // The mixer may have played the last sample before it learnt that it was the last.
        if (heldFrames_ == 0 && running_) ReachEnd();
      }
      enough = !drained || heldFrames_ >= static_cast<uint32_t>(rate_);
    }
    if (enough || d.ended || i == kPacketsPerFill) break;
    pending_.clear();
    pendingOffset_ = 0;
    d.Step(&pending_);
  }
}

void MediaPlayer::ReachEnd() {
  if (!inputEnded_ || completeSeen_) return;
  completeSeen_ = true;
  completeReached_.store(true);
}

void MediaPlayer::MixInto(int32_t* stereo, int frames) {
  if (!running_ || ringFrames_ == 0) return;
  for (int i = 0; i < frames; ++i) {
    if (heldFrames_ == 0) {
      ReachEnd();
      return;  // waiting for the decoder, or at the end
    }
    const int16_t* f = &ring_[2 * size_t{readFrame_}];
    int32_t l = f[0];
    int32_t r = f[1];
    if (fraction_ != 0 && heldFrames_ > 1) {
      const int16_t* g = &ring_[2 * size_t{(readFrame_ + 1) % ringFrames_}];
      int64_t w = fraction_ >> 16;
      l += static_cast<int32_t>((int64_t{g[0] - l} * w) >> 16);
      r += static_cast<int32_t>((int64_t{g[1] - r} * w) >> 16);
    }
    stereo[2 * i] += static_cast<int32_t>((int64_t{l} * gain_) >> 16);
    stereo[2 * i + 1] += static_cast<int32_t>((int64_t{r} * gain_) >> 16);
    uint64_t at = uint64_t{fraction_} + step_;
    uint32_t whole = static_cast<uint32_t>(std::min<uint64_t>(at >> 32, heldFrames_));
    fraction_ = static_cast<uint32_t>(at);
    readFrame_ = (readFrame_ + whole) % ringFrames_;
    heldFrames_ -= whole;
    if (heldFrames_ == 0 && inputEnded_) {
      ReachEnd();
      return;
    }
  }
}

}  // namespace platform
