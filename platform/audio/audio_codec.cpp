#include "platform/audio/audio_codec.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
#include <libavutil/log.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <cstring>
#include <mutex>

namespace platform {
namespace {

constexpr uint32_t kMaxChannels = 8;
constexpr uint32_t kMaxRate = 384000;
constexpr uint32_t kGsmBlockBytes = 65;
constexpr uint32_t kGsmBlockSamples = 320;
constexpr uint32_t kMpegFrameSamples = 1152;  // the most samples one MPEG audio frame holds
// Blocks of one frame (A-law, mu-law, plain samples) go into packets of about this size.
constexpr uint32_t kFramePacketBytes = 4096;

// The bytes after the extra-size field of a WAVE_FORMAT_EXTENSIBLE chunk: valid bits (2), channel
// mask (4), then the sub-format GUID, whose first two bytes are a format tag and whose other
// fourteen are the same for every tag.
constexpr size_t kExtensibleExtra = 22;
constexpr uint8_t kSubFormatTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                        0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

// The PCM a format holds as plain samples, one block a frame: integer PCM of 8 to 32 bits and
// IEEE float, given directly or through WAVE_FORMAT_EXTENSIBLE. tag is kTagPcm or kTagFloat.
struct PlainSamples {
  uint16_t tag = 0;
  uint16_t bits = 0;
};

bool PlainSamplesOf(const CodecFormat& f, PlainSamples* out) {
  PlainSamples p{f.formatTag, f.bitsPerSample};
  if (f.formatTag == kTagExtensible) {
    if (f.extra.size() < kExtensibleExtra) return false;
    const uint8_t* e = f.extra.data();
    const uint16_t validBits = static_cast<uint16_t>(e[0] | (e[1] << 8));
    if (std::memcmp(e + 8, kSubFormatTail, sizeof kSubFormatTail) != 0) return false;
    p.tag = static_cast<uint16_t>(e[6] | (e[7] << 8));
    // Fewer valid bits sit at the top of the container; more than it holds is no format.
    if (validBits > f.bitsPerSample) return false;
  } else if (f.formatTag == kTagPcm && f.bitsPerSample <= 16) {
    // 8 and 16-bit integers are played as they are: nothing to decode.
    return false;
  }
  const bool known = p.tag == kTagPcm
                         ? (p.bits == 8 || p.bits == 16 || p.bits == 24 || p.bits == 32)
                         : p.tag == kTagFloat && (p.bits == 32 || p.bits == 64);
  if (!known || f.blockAlign != f.channels * (p.bits / 8)) return false;
  *out = p;
  return true;
}

// The decoder for a format: null when unknown or not built into the library.
const AVCodec* FindDecoder(const CodecFormat& f) {
  PlainSamples plain;
  if (PlainSamplesOf(f, &plain)) {
    if (plain.tag == kTagFloat) {
      return avcodec_find_decoder(plain.bits == 32 ? AV_CODEC_ID_PCM_F32LE : AV_CODEC_ID_PCM_F64LE);
    }
    switch (plain.bits) {
      case 8:
        return avcodec_find_decoder(AV_CODEC_ID_PCM_U8);
      case 16:
        return avcodec_find_decoder(AV_CODEC_ID_PCM_S16LE);
      case 24:
        return avcodec_find_decoder(AV_CODEC_ID_PCM_S24LE);
      default:
        return avcodec_find_decoder(AV_CODEC_ID_PCM_S32LE);
    }
  }
  switch (f.formatTag) {
    case kTagMsAdpcm:
      return avcodec_find_decoder(AV_CODEC_ID_ADPCM_MS);
    case kTagALaw:
      return avcodec_find_decoder(AV_CODEC_ID_PCM_ALAW);
    case kTagMuLaw:
      return avcodec_find_decoder(AV_CODEC_ID_PCM_MULAW);
    case kTagImaAdpcm:
      return avcodec_find_decoder(AV_CODEC_ID_ADPCM_IMA_WAV);
    case kTagGsm610:
      return avcodec_find_decoder(AV_CODEC_ID_GSM_MS);
    case kTagMpegLayer3:
      // The fixed-point decoder: it gives 16-bit samples, no float rounding in between.
      return avcodec_find_decoder_by_name("mp3");
    default:
      return nullptr;
  }
}

// Formats whose blocks are one frame each: many blocks go into one packet.
bool OneFrameBlocks(const CodecFormat& f) {
  PlainSamples plain;
  return f.formatTag == kTagALaw || f.formatTag == kTagMuLaw || PlainSamplesOf(f, &plain);
}

void QuietDecoderLog() {
  static std::once_flag once;
  // Damaged data is expected input here; the decoders would report every bad frame on stderr.
  std::call_once(once, [] { av_log_set_level(AV_LOG_QUIET); });
}

class FfmpegStream final : public CodecStream {
 public:
  FfmpegStream(const CodecFormat& source) : source_(source) {}
  ~FfmpegStream() override {
    if (parser_ != nullptr) av_parser_close(parser_);
    swr_free(&resampler_);
    av_frame_free(&frame_);
    av_packet_free(&packet_);
    avcodec_free_context(&context_);
  }

  bool Start(const AVCodec* codec) {
    context_ = avcodec_alloc_context3(codec);
    packet_ = av_packet_alloc();
    frame_ = av_frame_alloc();
    if (context_ == nullptr || packet_ == nullptr || frame_ == nullptr) return false;
    context_->sample_rate = static_cast<int>(source_.samplesPerSecond);
    av_channel_layout_default(&context_->ch_layout, source_.channels);
    context_->block_align = source_.blockAlign;
    context_->bits_per_coded_sample = source_.bitsPerSample;
    if (!source_.extra.empty()) {
      size_t n = source_.extra.size();
      auto* extra = static_cast<uint8_t*>(av_mallocz(n + AV_INPUT_BUFFER_PADDING_SIZE));
      if (extra == nullptr) return false;
      std::memcpy(extra, source_.extra.data(), n);
      context_->extradata = extra;
      context_->extradata_size = static_cast<int>(n);
    }
    if (avcodec_open2(context_, codec, nullptr) < 0) return false;
    if (source_.formatTag == kTagMpegLayer3) {
      parser_ = av_parser_init(codec->id);
      if (parser_ == nullptr) return false;
    }
    return true;
  }

  uint32_t OutputSizeFor(uint32_t sourceBytes) const override {
    uint64_t n = sourceBytes;
    uint64_t ch = source_.channels;
    uint64_t align = source_.blockAlign;
    uint64_t samples = 0;  // per channel
    if (OneFrameBlocks(source_)) {
      samples = n / align;
    }
    switch (source_.formatTag) {
      case kTagImaAdpcm:
      case kTagMsAdpcm: {
        uint64_t bits = source_.bitsPerSample >= 2 ? source_.bitsPerSample : 4;
        samples = n / align * (align * 8 / (bits * ch) + 2);
        break;
      }
      case kTagGsm610:
        samples = n / align * kGsmBlockSamples;
        break;
      case kTagMpegLayer3: {
        // The smallest frame for the rate sets the most samples per byte: 32 kbit/s at the
        // MPEG-1 rates, 8 kbit/s below them. Two frames more cover a split at either end.
        uint64_t minKbps = source_.samplesPerSecond >= 32000 ? 32 : 8;
        samples = n * source_.samplesPerSecond / (125 * minKbps) + 2 * kMpegFrameSamples;
        break;
      }
      default:
        break;
    }
    uint64_t bytes = samples * ch * 2;
    return bytes > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(bytes);
  }

  int Convert(Header* h) override {
    if (h == nullptr || !h->prepared) return -1;
    if ((h->source == nullptr && h->sourceLength > 0) ||
        (h->destination == nullptr && h->destinationLength > 0)) {
      return -1;
    }
    h->sourceUsed = 0;
    h->destinationUsed = 0;
    uint32_t frameBytes = source_.channels * 2u;
    room_ = h->destinationLength / frameBytes * frameBytes;
    out_ = h->destination;
    used_ = 0;
    Drain();
    if (source_.formatTag == kTagMpegLayer3) {
      ConvertMpeg(h);
    } else {
      uint32_t align = source_.blockAlign;
      const uint32_t perPacket =
          OneFrameBlocks(source_) ? std::max<uint32_t>(1, kFramePacketBytes / align) : 1;
      while (used_ < room_) {
        uint32_t blocks = (h->sourceLength - h->sourceUsed) / align;
        if (blocks == 0) break;
        uint32_t take = std::min(blocks, perPacket) * align;
        Decode(h->source + h->sourceUsed, take);
        h->sourceUsed += take;
        Drain();
      }
    }
    h->destinationUsed = used_;
    out_ = nullptr;
    return 0;
  }

 private:
  void ConvertMpeg(Header* h) {
    uint32_t length = h->sourceLength;
    if (length == 0) {
      // Nothing more comes: the parser gives up the frame it still holds.
      if (!flushed_) {
        flushed_ = true;
        uint8_t* data = nullptr;
        int size = 0;
        av_parser_parse2(parser_, context_, &data, &size, nullptr, 0, AV_NOPTS_VALUE,
                         AV_NOPTS_VALUE, 0);
        if (size > 0) Decode(data, static_cast<uint32_t>(size));
        Drain();
      }
      return;
    }
    flushed_ = false;
    // The parser may read a little past the bytes it is given.
    input_.assign(h->source, h->source + length);
    input_.resize(size_t{length} + AV_INPUT_BUFFER_PADDING_SIZE, 0);
    while (used_ < room_ && h->sourceUsed < length) {
      uint8_t* data = nullptr;
      int size = 0;
      int taken = av_parser_parse2(parser_, context_, &data, &size, input_.data() + h->sourceUsed,
                                   static_cast<int>(length - h->sourceUsed), AV_NOPTS_VALUE,
                                   AV_NOPTS_VALUE, 0);
      if (taken < 0) taken = static_cast<int>(length - h->sourceUsed);
      h->sourceUsed += static_cast<uint32_t>(taken);
      if (size > 0) {
        Decode(data, static_cast<uint32_t>(size));
        Drain();
      } else if (taken == 0) {
        break;
      }
    }
  }

  // Decodes one packet and appends its PCM to the pending samples.
  void Decode(const uint8_t* data, uint32_t size) {
    packetBytes_.assign(data, data + size);
    packetBytes_.resize(size_t{size} + AV_INPUT_BUFFER_PADDING_SIZE, 0);
    packet_->data = packetBytes_.data();
    packet_->size = static_cast<int>(size);
    // A damaged packet gives nothing; the bytes still count as used.
    if (avcodec_send_packet(context_, packet_) < 0) return;
    while (avcodec_receive_frame(context_, frame_) == 0) {
      Append(frame_);
      av_frame_unref(frame_);
    }
  }

  void Append(const AVFrame* f) {
    // A frame of another rate or channel count (a damaged or mixed stream) would not belong to
    // the stream's format: it is left out.
    if (f->sample_rate != static_cast<int>(source_.samplesPerSecond) ||
        f->ch_layout.nb_channels != source_.channels || f->nb_samples <= 0) {
      return;
    }
    size_t bytes = static_cast<size_t>(f->nb_samples) * source_.channels * 2;
    size_t at = pending_.size();
    pending_.resize(at + bytes);
    if (f->format == AV_SAMPLE_FMT_S16) {
      std::memcpy(pending_.data() + at, f->data[0], bytes);
      return;
    }
    if (resampler_ == nullptr || resamplerInput_ != f->format) {
      swr_free(&resampler_);
      AVChannelLayout layout;
      av_channel_layout_default(&layout, source_.channels);
      int rate = static_cast<int>(source_.samplesPerSecond);
      if (swr_alloc_set_opts2(&resampler_, &layout, AV_SAMPLE_FMT_S16, rate, &layout,
                              static_cast<AVSampleFormat>(f->format), rate, 0, nullptr) < 0 ||
          swr_init(resampler_) < 0) {
        swr_free(&resampler_);
        pending_.resize(at);
        return;
      }
      resamplerInput_ = f->format;
    }
    uint8_t* out = pending_.data() + at;
    int got = swr_convert(resampler_, &out, f->nb_samples,
                          const_cast<const uint8_t**>(f->extended_data), f->nb_samples);
    pending_.resize(at + (got > 0 ? static_cast<size_t>(got) * source_.channels * 2 : 0));
  }

  // Moves pending samples into the destination, as many as fit.
  void Drain() {
    size_t have = pending_.size() - pendingStart_;
    size_t n = std::min<size_t>(have, room_ - used_);
    if (n > 0) {
      std::memcpy(out_ + used_, pending_.data() + pendingStart_, n);
      used_ += static_cast<uint32_t>(n);
      pendingStart_ += n;
    }
    if (pendingStart_ == pending_.size()) {
      pending_.clear();
      pendingStart_ = 0;
    } else if (pendingStart_ > 65536) {
      pending_.erase(pending_.begin(), pending_.begin() + static_cast<ptrdiff_t>(pendingStart_));
      pendingStart_ = 0;
    }
  }

  CodecFormat source_;
  AVCodecContext* context_ = nullptr;
  AVCodecParserContext* parser_ = nullptr;
  AVPacket* packet_ = nullptr;
  AVFrame* frame_ = nullptr;
  SwrContext* resampler_ = nullptr;
  int resamplerInput_ = -1;
  bool flushed_ = false;
  std::vector<uint8_t> input_;
  std::vector<uint8_t> packetBytes_;
  std::vector<uint8_t> pending_;  // decoded, not yet delivered
  size_t pendingStart_ = 0;
  // The destination of the Convert call in progress.
  uint8_t* out_ = nullptr;
  uint32_t room_ = 0;
  uint32_t used_ = 0;
};

}  // namespace

int SuggestPcmFormat(const CodecFormat& source, CodecFormat* pcm) {
  if (pcm == nullptr || FindDecoder(source) == nullptr) return -1;
  if (source.channels < 1 || source.channels > kMaxChannels || source.samplesPerSecond < 1 ||
      source.samplesPerSecond > kMaxRate || source.blockAlign < 1) {
    return -1;
  }
  if (source.formatTag == kTagGsm610 &&
      (source.channels != 1 || source.blockAlign != kGsmBlockBytes)) {
    return -1;
  }
  CodecFormat out;
  out.formatTag = kTagPcm;
  out.channels = source.channels;
  out.samplesPerSecond = source.samplesPerSecond;
  out.blockAlign = static_cast<uint16_t>(source.channels * 2);
  out.averageBytesPerSecond = source.samplesPerSecond * out.blockAlign;
  out.bitsPerSample = 16;
  *pcm = out;
  return 0;
}

std::unique_ptr<CodecStream> CodecStream::Open(const CodecFormat& source, const CodecFormat& pcm) {
  CodecFormat want;
  if (SuggestPcmFormat(source, &want) != 0) return nullptr;
  if (pcm.formatTag != want.formatTag || pcm.channels != want.channels ||
      pcm.samplesPerSecond != want.samplesPerSecond || pcm.bitsPerSample != want.bitsPerSample ||
      pcm.blockAlign != want.blockAlign) {
    return nullptr;
  }
  QuietDecoderLog();
  auto stream = std::make_unique<FfmpegStream>(source);
  if (!stream->Start(FindDecoder(source))) return nullptr;
  return stream;
}

int CodecStream::Prepare(Header* header) {
  if (header == nullptr || header->prepared) return -1;
  header->prepared = true;
  return 0;
}

int CodecStream::Unprepare(Header* header) {
  if (header == nullptr || !header->prepared) return -1;
  header->prepared = false;
  return 0;
}

}  // namespace platform
