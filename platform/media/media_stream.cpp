#include "platform/media/media_stream.h"

extern "C" {
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <vector>

#include "platform/clock.h"
#include "platform/media/media_input.h"

namespace platform {
namespace {

// Bounds of the work one call does, so that a file that yields packets without pictures for ever
// cannot hold the caller.
constexpr int kPacketsPerDecode = 4096;
// Packets in a row that fail to decode before the video is taken as ended.
constexpr int kMaxDecodeErrors = 64;
// Frames larger than this are refused at open: no movie needs more, and a forged header must not
// make the decoder allocate gigabytes.
constexpr int kMaxFrameSide = 8192;
constexpr int64_t kMaxFramePixels = int64_t{4096} * 4096;
constexpr AVRational kStreamTimeBase{1, 10000000};
// Stream times are kept below a year, so that no sum of them overflows.
constexpr int64_t kMaxTime = int64_t{10000000} * 3600 * 24 * 365;

std::string g_fault;

bool Faulted(const char* call) {
  return !g_fault.empty() && g_fault == call;
}

// How frames reach a surface: libswscale writes 24-bit and 32-bit surfaces directly and 16-bit
// ones through a 32-bit row that is then narrowed by dropping low bits, as the library narrows
// colours.
struct SurfaceTarget {
  AVPixelFormat scaleTo = AV_PIX_FMT_NONE;
  bool narrow = false;
  uint32_t masks[3] = {};  // red, green, blue of a 16-bit surface
};

bool TargetFor(const PixelFormat& f, SurfaceTarget* out) {
  if ((f.flags & kPixelRgb) == 0 || (f.flags & (kPixelFourCC | kPixelPalette8)) != 0) {
    return false;
  }
  const bool bgr = f.redMask == 0xFF0000 && f.greenMask == 0xFF00 && f.blueMask == 0xFF;
  if (f.bitCount == 32 && bgr) {
    out->scaleTo = AV_PIX_FMT_BGR0;
    return true;
  }
  if (f.bitCount == 24 && bgr) {
    out->scaleTo = AV_PIX_FMT_BGR24;
    return true;
  }
  if (f.bitCount == 16 && f.redMask != 0 && f.greenMask != 0 && f.blueMask != 0 &&
      (f.redMask | f.greenMask | f.blueMask) <= 0xFFFF) {
    out->scaleTo = AV_PIX_FMT_BGR0;
    out->narrow = true;
    out->masks[0] = f.redMask;
    out->masks[1] = f.greenMask;
    out->masks[2] = f.blueMask;
    return true;
  }
  return false;
}

// An 8-bit channel into the bits of mask, keeping its top bits.
uint32_t IntoMask(uint32_t v, uint32_t mask) {
  const int shift = __builtin_ctz(mask);
  const int width = __builtin_popcount(mask);
  return ((v >> (8 - std::min(width, 8))) << shift) & mask;
}

}  // namespace

void SetMediaStreamFault(const std::string& call) {
  g_fault = call;
}

struct MediaStream::Core {
  bool initialized = false;
  bool videoAdded = false;
  bool audioAdded = false;
  bool opened = false;
  bool droppedAudio = false;
  std::weak_ptr<Display> display;

  MediaInput input;
  AVPacket* packet = nullptr;
  AVFrame* next = nullptr;   // decoded, not yet shown
  AVFrame* shown = nullptr;  // the frame being converted
  bool haveNext = false;
  int64_t nextTime = 0;
  int64_t lastTime = -1;  // of the last decoded frame
  bool flushed = false;   // the decoder was told the input ended
  bool ended = false;     // and gave its last frame
  int errors = 0;
  int32_t width = 0;
  int32_t height = 0;
  int64_t duration = 0;
  int64_t timePerFrame = 0;
  int64_t firstPts = 0;  // in the stream's time base

  bool running = false;
  int64_t clockBase = 0;  // stream time when the clock last started or stopped
  int64_t runStartUs = 0;

  SwsContext* sws = nullptr;
  std::vector<uint8_t> row32;  // a 16-bit target's rows before narrowing

  ~Core() {
    sws_freeContext(sws);
    av_packet_free(&packet);
    av_frame_free(&next);
    av_frame_free(&shown);
  }

  int64_t Now() const {
    if (!running) return clockBase;
    return clockBase + (NowMicroseconds() - runStartUs) * 10;
  }

  // Presentation time of a decoded frame in 100 ns units from the first frame.
  int64_t TimeOf(const AVFrame* f) {
    const AVStream* s = input.format()->streams[input.stream()];
    int64_t t;
    int64_t pts = 0;
    // A forged timestamp far from the first one counts as none.
    if (f->best_effort_timestamp != AV_NOPTS_VALUE &&
        !__builtin_sub_overflow(f->best_effort_timestamp, firstPts, &pts)) {
      t = av_rescale_q(pts, s->time_base, kStreamTimeBase);
    } else {
      t = lastTime < 0 ? 0 : std::min(lastTime + std::max<int64_t>(timePerFrame, 1), kMaxTime);
    }
    t = std::clamp<int64_t>(t, 0, kMaxTime);
    lastTime = t;
    return t;
  }

  // The next frame into f with its time; false at the end of the video.
  bool Decode(AVFrame* f, int64_t* time) {
    AVCodecContext* codec = input.codec();
    if (codec == nullptr || ended) return false;
    for (int i = 0; i < kPacketsPerDecode; ++i) {
      const int got = avcodec_receive_frame(codec, f);
      if (got == 0) {
        if (f->width > 0 && f->height > 0) {
          *time = TimeOf(f);
          return true;
        }
        av_frame_unref(f);
        continue;
      }
      if (got == AVERROR_EOF || flushed) break;
      if (got != AVERROR(EAGAIN)) {
        if (++errors > kMaxDecodeErrors) break;
        continue;
      }
      if (av_read_frame(input.format(), packet) < 0) {
        avcodec_send_packet(codec, nullptr);
        flushed = true;
        continue;
      }
      if (packet->stream_index == input.stream()) {
        if (avcodec_send_packet(codec, packet) < 0 && ++errors > kMaxDecodeErrors) {
          av_packet_unref(packet);
          break;
        }
      }
      av_packet_unref(packet);
    }
    ended = true;
    return false;
  }

  bool Open() {
    if (!input.Open(AVMEDIA_TYPE_VIDEO)) return false;
    const AVFormatContext* format = input.format();
    const AVStream* s = format->streams[input.stream()];
    width = input.codec()->width;
    height = input.codec()->height;
    if (width <= 0 || height <= 0 || width > kMaxFrameSide || height > kMaxFrameSide ||
        int64_t{width} * height > kMaxFramePixels) {
      return false;
    }
    firstPts = s->start_time != AV_NOPTS_VALUE ? s->start_time : 0;
    if (format->duration > 0) {
      duration = av_rescale_q(format->duration, AVRational{1, AV_TIME_BASE}, kStreamTimeBase);
    } else if (s->duration > 0) {
      duration = av_rescale_q(s->duration, s->time_base, kStreamTimeBase);
    }
    AVRational rate = s->avg_frame_rate.num > 0 && s->avg_frame_rate.den > 0 ? s->avg_frame_rate
                                                                             : s->r_frame_rate;
    if (rate.num > 0 && rate.den > 0) timePerFrame = av_rescale(10000000, rate.den, rate.num);
    duration = std::clamp<int64_t>(duration, 0, kMaxTime);
    timePerFrame = std::clamp<int64_t>(timePerFrame, 0, kMaxTime);
    for (unsigned i = 0; i < format->nb_streams; ++i) {
      if (format->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) droppedAudio = true;
    }
    if (packet == nullptr) packet = av_packet_alloc();
    if (next == nullptr) next = av_frame_alloc();
    if (shown == nullptr) shown = av_frame_alloc();
    if (packet == nullptr || next == nullptr || shown == nullptr) return false;
    // A video whose first frame does not decode is no video.
    haveNext = Decode(next, &nextTime);
    return haveNext;
  }

  // Back to the frame due at time: by seeking the container, or by reading from the start when
  // it cannot seek (the newest due frame is then found by decoding forward).
  void Reposition(int64_t time) {
    const AVStream* s = input.format()->streams[input.stream()];
    int64_t target = 0;
    if (__builtin_add_overflow(firstPts, av_rescale_q(time, kStreamTimeBase, s->time_base),
                               &target)) {
      target = firstPts;
    }
    haveNext = false;
    ended = false;
    flushed = false;
    errors = 0;
    lastTime = -1;
    if (av_seek_frame(input.format(), input.stream(), target, AVSEEK_FLAG_BACKWARD) >= 0) {
      avcodec_flush_buffers(input.codec());
      return;
    }
    if (!input.Open(AVMEDIA_TYPE_VIDEO)) ended = true;
  }

  // Converts shown into the sample's rectangle of surface.
  bool Convert(Surface* surface, const Rect& rect, const SurfaceTarget& target) {
    LockedRect l;
    if (surface->Lock(&rect, &l) != DisplayResult::kOk) return false;
    const int w = rect.Width(), h = rect.Height();
    sws = sws_getCachedContext(sws, shown->width, shown->height,
                               static_cast<AVPixelFormat>(shown->format), w, h, target.scaleTo,
                               SWS_BILINEAR | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT, nullptr,
                               nullptr, nullptr);
    bool done = false;
    if (sws != nullptr) {
      if (!target.narrow) {
        uint8_t* planes[4] = {l.bits, nullptr, nullptr, nullptr};
        int strides[4] = {l.pitch, 0, 0, 0};
        done = sws_scale(sws, shown->data, shown->linesize, 0, shown->height, planes, strides) > 0;
      } else {
        row32.resize(static_cast<size_t>(w) * 4 * static_cast<size_t>(h));
        uint8_t* planes[4] = {row32.data(), nullptr, nullptr, nullptr};
        int strides[4] = {w * 4, 0, 0, 0};
        done = sws_scale(sws, shown->data, shown->linesize, 0, shown->height, planes, strides) > 0;
        for (int y = 0; done && y < h; ++y) {
          const uint8_t* from = row32.data() + static_cast<size_t>(y) * w * 4;
          uint8_t* to = l.bits + static_cast<ptrdiff_t>(y) * l.pitch;
          for (int x = 0; x < w; ++x, from += 4, to += 2) {
            const uint32_t v = IntoMask(from[2], target.masks[0]) |
                               IntoMask(from[1], target.masks[1]) |
                               IntoMask(from[0], target.masks[2]);
            to[0] = static_cast<uint8_t>(v);
            to[1] = static_cast<uint8_t>(v >> 8);
          }
        }
      }
    }
    surface->Unlock();
    return done;
  }
};

struct StreamSample::State {
  std::shared_ptr<MediaStream::Core> core;
  std::shared_ptr<Surface> surface;
  Rect rect;
  SurfaceTarget target;

  // The sample holds one reference of its surface.
  ~State() {
    if (surface != nullptr && !surface->IsDead()) surface->Release();
  }

  // The next frame into the surface when it is due: the newest of the due ones.
  int Deliver() {
    MediaStream::Core& c = *core;
    if (!c.opened) return kStreamWrongOrder;
    if (!c.running) return kStreamNotRunning;
    if (!c.haveNext) {
      c.haveNext = c.Decode(c.next, &c.nextTime);
      if (!c.haveNext) return kStreamEndOfStream;
    }
    const int64_t now = c.Now();
    if (c.nextTime > now) return kStreamPending;
    std::swap(c.next, c.shown);
    c.haveNext = false;
    while (c.Decode(c.next, &c.nextTime)) {
      c.haveNext = true;
      if (c.nextTime > now) break;
      std::swap(c.next, c.shown);
      c.haveNext = false;
    }
    const bool converted = c.Convert(surface.get(), rect, target);
    av_frame_unref(c.shown);
    return converted ? kStreamOk : kStreamDisplayFailed;
  }
};

MediaStream::MediaStream() : core_(std::make_shared<Core>()) {}
MediaStream::~MediaStream() = default;

int MediaStream::Create(std::unique_ptr<MediaStream>* out) {
  if (out == nullptr) return kStreamBadArgument;
  if (Faulted("Create")) return kStreamFault;
  QuietMediaLibraryLog();
  out->reset(new MediaStream());
  return kStreamOk;
}

int MediaStream::Initialize(StreamType type) {
  if (Faulted("Initialize")) return kStreamFault;
  if (type != StreamType::kRead) return kStreamBadArgument;
  if (core_->initialized) return kStreamWrongOrder;
  core_->initialized = true;
  return kStreamOk;
}

int MediaStream::AddPrimaryVideo(const std::shared_ptr<Display>& display) {
  if (Faulted("AddPrimaryVideo")) return kStreamFault;
  if (display == nullptr || display->IsDead()) return kStreamBadArgument;
  if (!core_->initialized || core_->videoAdded || core_->opened) return kStreamWrongOrder;
  core_->display = display;
  core_->videoAdded = true;
  return kStreamOk;
}

int MediaStream::AddDefaultAudio() {
  if (Faulted("AddDefaultAudio")) return kStreamFault;
  if (!core_->initialized || core_->audioAdded || core_->opened) return kStreamWrongOrder;
  core_->audioAdded = true;
  return kStreamOk;
}

int MediaStream::OpenFile(std::unique_ptr<MediaSource> source) {
  if (Faulted("OpenFile")) return kStreamFault;
  if (source == nullptr) return kStreamBadArgument;
  Core& c = *core_;
  if (!c.videoAdded || c.opened) return kStreamWrongOrder;
  c.input.SetSource(std::move(source));
  if (!c.Open()) {
    c.input.Close();
    c.input.SetSource(nullptr);
    return kStreamNoVideo;
  }
  c.droppedAudio = c.droppedAudio && c.audioAdded;
  c.opened = true;
  return kStreamOk;
}

bool MediaStream::DroppedAudio() const {
  return core_->opened && core_->droppedAudio;
}

int MediaStream::GetPrimaryVideo(std::unique_ptr<VideoStream>* out) {
  if (Faulted("GetPrimaryVideo")) return kStreamFault;
  if (out == nullptr) return kStreamBadArgument;
  if (!core_->videoAdded) return kStreamWrongOrder;
  out->reset(new VideoStream(core_));
  return kStreamOk;
}

int MediaStream::GetDuration(int64_t* out) {
  if (Faulted("GetDuration")) return kStreamFault;
  if (out == nullptr) return kStreamBadArgument;
  if (!core_->opened) return kStreamWrongOrder;
  *out = core_->duration;
  return kStreamOk;
}

int MediaStream::GetTime(int64_t* out) {
  if (out == nullptr) return kStreamBadArgument;
  *out = core_->Now();
  return kStreamOk;
}

int MediaStream::GetState(StreamState* out) {
  if (out == nullptr) return kStreamBadArgument;
  *out = core_->running ? StreamState::kRun : StreamState::kStop;
  return kStreamOk;
}

int MediaStream::SetState(StreamState state) {
  Core& c = *core_;
  if (!c.opened) return kStreamWrongOrder;
  const bool run = state == StreamState::kRun;
  if (run == c.running) return kStreamOk;
  if (run) {
    c.runStartUs = NowMicroseconds();
  } else {
    c.clockBase = c.Now();
  }
  c.running = run;
  return kStreamOk;
}

int MediaStream::Seek(int64_t time) {
  Core& c = *core_;
  if (!c.opened) return kStreamWrongOrder;
  time = std::clamp<int64_t>(time, 0, std::max<int64_t>(c.duration, 0));
  c.clockBase = time;
  c.runStartUs = NowMicroseconds();
  c.Reposition(time);
  return kStreamOk;
}

VideoStream::VideoStream(std::shared_ptr<MediaStream::Core> core) : core_(std::move(core)) {}
VideoStream::~VideoStream() = default;

int VideoStream::GetFormat(int32_t* width, int32_t* height) {
  if (Faulted("GetFormat")) return kStreamFault;
  if (width == nullptr || height == nullptr) return kStreamBadArgument;
  *width = core_->opened ? core_->width : 0;
  *height = core_->opened ? core_->height : 0;
  return kStreamOk;
}

int VideoStream::GetTimePerFrame(int64_t* out) {
  if (Faulted("GetTimePerFrame")) return kStreamFault;
  if (out == nullptr) return kStreamBadArgument;
  if (!core_->opened) return kStreamWrongOrder;
  *out = core_->timePerFrame;
  return kStreamOk;
}

int VideoStream::CreateSample(const std::shared_ptr<Surface>& surface, const Rect* rect,
                              std::unique_ptr<StreamSample>* out) {
  if (Faulted("CreateSample")) return kStreamFault;
  if (out == nullptr) return kStreamBadArgument;
  MediaStream::Core& c = *core_;
  if (!c.opened) return kStreamWrongOrder;
  auto state = std::make_shared<StreamSample::State>();
  state->core = core_;
  state->surface = surface;
  if (surface == nullptr) {
    std::shared_ptr<Display> display = c.display.lock();
    if (display == nullptr || display->IsDead()) return kStreamDisplayFailed;
    SurfaceDesc mode;
    if (display->GetDisplayMode(&mode) != DisplayResult::kOk) return kStreamDisplayFailed;
    if (!TargetFor(mode.pixelFormat, &state->target)) return kStreamBadFormat;
    SurfaceDesc desc;
    desc.flags = kDescCaps | kDescWidth | kDescHeight;
    desc.caps = kCapsOffscreenPlain | kCapsSystemMemory;
    desc.width = c.width;
    desc.height = c.height;
    if (display->CreateSurface(desc, &state->surface) != DisplayResult::kOk) {
      return kStreamDisplayFailed;
    }
  } else if (surface->IsDead() || !TargetFor(surface->format(), &state->target)) {
    state->surface = nullptr;
    return kStreamBadFormat;
  } else {
    surface->AddRef();
  }
  state->rect = rect != nullptr ? *rect : Rect{0, 0, c.width, c.height};
  if (!InsideSize(state->rect, state->surface->width(), state->surface->height())) {
    return kStreamBadArgument;  // the state releases a surface it made
  }
  out->reset(new StreamSample(std::move(state)));
  return kStreamOk;
}

StreamSample::StreamSample(std::shared_ptr<State> state) : state_(std::move(state)) {}
StreamSample::~StreamSample() = default;

int StreamSample::GetSurface(std::shared_ptr<Surface>* surface, Rect* rect) {
  if (Faulted("GetSurface")) return kStreamFault;
  if (surface == nullptr || rect == nullptr) return kStreamBadArgument;
  // One reference for the caller, as the surfaces of the display hand them out.
  if (state_->surface->IsDead()) return kStreamDisplayFailed;
  state_->surface->AddRef();
  *surface = state_->surface;
  *rect = state_->rect;
  return kStreamOk;
}

int StreamSample::Update(uint32_t flags, StreamEvent* event) {
  if (flags != 0 || event == nullptr) return kStreamBadArgument;
  const int r = state_->Deliver();
  event->pending_.reset();
  if (r == kStreamPending) event->pending_ = state_;
  return r;
}

StreamEvent::StreamEvent() = default;
StreamEvent::~StreamEvent() = default;

bool StreamEvent::Poll() {
  if (signalled_) return true;
  std::shared_ptr<StreamSample::State> pending = pending_.lock();
  if (pending == nullptr) return false;
  // An update ends with its frame, or with the end of the stream or an error: each signals. A
  // stopped stream keeps it waiting.
  const int r = pending->Deliver();
  if (r == kStreamPending || r == kStreamNotRunning) return false;
  pending_.reset();
  signalled_ = true;
  return true;
}

void StreamEvent::Reset() {
  signalled_ = false;
}

}  // namespace platform
