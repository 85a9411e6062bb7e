#include "morrow/sound/sound_decode.h"

#define OV_EXCLUDE_STATIC_CALLBACKS
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <vector>

#include "morrow/sound/mpeg_audio.h"
#include "morrow/system/log.h"
#include "morrow/system/memory.h"
#include "platform/audio/audio_codec.h"
#include "platform/audio/audio_device.h"

namespace morrow {

struct OggDecoder {
  OggVorbis_File file;
};

namespace {

int g_oggSampleWidth = 2;

constexpr uint32_t kMinFormatChunk = 16;
constexpr uint32_t kMaxFormatChunk = 65536;
constexpr uint32_t kMaxChannels = 8;
constexpr uint32_t kMaxRate = 384000;
constexpr int32_t kOggOutputBytes = 4096;
// The coded bytes held for one conversion: an eighth of a second, but never less than one
// block, and never more than a few seconds of any real format however large the file says its
// rate is.
constexpr int64_t kMaxSourceBuffer = 1 << 20;
// Whole files and whole decodes larger than this are refused.
constexpr int64_t kMaxWholeBytes = int64_t{1} << 30;

uint16_t Le16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t Le32(const uint8_t* p) {
  return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}
void PutLe16(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
void PutLe32(uint8_t* p, uint32_t v) {
  PutLe16(p, v);
  PutLe16(p + 2, v >> 16);
}

size_t Read(SoundConverter* c, void* buffer, size_t bytes) {
  return c->stream.functions.read(buffer, 1, bytes, c->stream.handle);
}
int Seek(SoundConverter* c, int64_t offset, int origin) {
  return c->stream.functions.seek(c->stream.handle, offset, origin);
}
int64_t Tell(SoundConverter* c) {
  return c->stream.functions.tell(c->stream.handle);
}

// The stream's length; the position is kept. -1 when it cannot be told.
int64_t StreamLength(SoundConverter* c) {
  int64_t at = Tell(c);
  if (at < 0 || Seek(c, 0, 2) != 0) return -1;
  int64_t end = Tell(c);
  Seek(c, at, 0);
  return end;
}

bool ValidRate(uint32_t rate) {
  return rate >= 1 && rate <= kMaxRate;
}

platform::CodecFormat CodecFormatFromBytes(const uint8_t* bytes, uint32_t size) {
  WaveFormat w = ReadWaveFormat(bytes, size);
  platform::CodecFormat f;
  f.formatTag = w.formatTag;
  f.channels = w.channels;
  f.samplesPerSecond = w.samplesPerSecond;
  f.averageBytesPerSecond = w.averageBytesPerSecond;
  f.blockAlign = w.blockAlign;
  f.bitsPerSample = w.bitsPerSample;
  if (size > kWaveFormatBytes) {
    uint32_t extra = std::min<uint32_t>(w.extraSize, size - kWaveFormatBytes);
    f.extra.assign(bytes + kWaveFormatBytes, bytes + kWaveFormatBytes + extra);
  }
  return f;
}

WaveFormat PcmFormatFrom(const platform::CodecFormat& pcm) {
  WaveFormat w;
  w.formatTag = kWaveFormatPcm;
  w.channels = pcm.channels;
  w.samplesPerSecond = pcm.samplesPerSecond;
  w.averageBytesPerSecond = pcm.averageBytesPerSecond;
  w.blockAlign = pcm.blockAlign;
  w.bitsPerSample = pcm.bitsPerSample;
  return w;
}

void ReleaseConverter(SoundConverter* c) {
  FreeMemory(c->outputBuffer);
  c->outputBuffer = nullptr;
  delete c->codec;
  c->codec = nullptr;
  FreeMemory(c->sourceFormat);
  c->sourceFormat = nullptr;
  FreeMemory(c->sourceBuffer);
  c->sourceBuffer = nullptr;
  if (c->ogg != nullptr) {
    if (c->oggOpen) ov_clear(&c->ogg->file);
    delete c->ogg;
    c->ogg = nullptr;
  }
  c->oggOpen = 0;
  c->open = 0;
}

// ---------------------------------------------------------------------------------------------
// RIFF WAVE

// Reads the header, the "fmt " chunk (which must come first) and skips to "data". The chunk's
// bytes go to fmt (at least 18, zero-padded); the data's place and size go to the converter.
bool ReadWaveChunks(SoundConverter* c, std::vector<uint8_t>* fmt) {
  uint8_t h[8];
  if (Read(c, h, 8) != 8 || std::memcmp(h, "RIFF", 4) != 0) return false;
  if (Read(c, h, 4) != 4 || std::memcmp(h, "WAVE", 4) != 0) return false;
  if (Read(c, h, 8) != 8 || std::memcmp(h, "fmt ", 4) != 0) return false;
  uint32_t size = Le32(h + 4);
  // Fewer than 16 bytes leave the format's fields unset; more than 64 KiB is no format.
  if (size < kMinFormatChunk || size > kMaxFormatChunk) return false;
  c->formatPosition = Tell(c);
  c->formatSize = static_cast<int32_t>(size);
  fmt->assign(std::max(size, kWaveFormatBytes), 0);
  if (Read(c, fmt->data(), size) != size) return false;
  int64_t length = StreamLength(c);
  if (length < 0) return false;
  for (;;) {
    if (Read(c, h, 8) != 8) return false;
    uint32_t chunk = Le32(h + 4);
    if (std::memcmp(h, "data", 4) == 0) {
      c->dataPosition = Tell(c);
      if (c->dataPosition < 0) return false;
      // Sizes past the stream (0xFFFFFFFF from writers that never came back) mean "to the end".
      c->dataSize = std::min<int64_t>(chunk, std::max<int64_t>(0, length - c->dataPosition));
      return true;
    }
    // Unsigned 64-bit: a size near 4 GiB must skip forward, never wrap back.
    int64_t skip = int64_t{chunk} + (chunk & 1);
    int64_t at = Tell(c);
    if (at < 0 || at + skip >= length) return false;
    if (Seek(c, at + skip, 0) != 0) return false;
    if (c->stream.functions.eof(c->stream.handle)) return false;
  }
}

bool OpenPcmWave(SoundConverter* c) {
  std::vector<uint8_t> fmt;
  if (!ReadWaveChunks(c, &fmt)) return false;
  WaveFormat f = ReadWaveFormat(fmt.data(), static_cast<uint32_t>(fmt.size()));
  if (f.formatTag != kWaveFormatPcm) return false;
  if (f.channels < 1 || f.channels > kMaxChannels) return false;
  if (c->formatSize == 16) {
    // Writers of the short form often leave the bits field wrong; the block size is right.
    f.bitsPerSample = static_cast<uint16_t>(f.blockAlign / f.channels * 8);
  }
  if (f.bitsPerSample != 8 && f.bitsPerSample != 16 && f.bitsPerSample != 24 &&
      f.bitsPerSample != 32) {
    return false;
  }
  if (!ValidRate(f.samplesPerSecond)) return false;
  f.blockAlign = static_cast<uint16_t>(f.channels * f.bitsPerSample / 8);
  f.averageBytesPerSecond = f.samplesPerSecond * f.blockAlign;
  f.extraSize = 0;
  c->outputFormat = f;
  c->outputBufferSize = static_cast<int32_t>(f.averageBytesPerSecond);
  c->method = kSoundMethodPcm;
  return true;
}

// The coded-data half shared by coded WAVE and MPEG audio: the format suggestion, the source
// buffer and the conversion. The stream is left where the caller has it.
bool SetUpCodec(SoundConverter* c, const uint8_t* format, uint32_t formatSize) {
  platform::CodecFormat source = CodecFormatFromBytes(format, formatSize);
  if (source.channels < 1 || source.channels > kMaxChannels || source.blockAlign < 1 ||
      !ValidRate(source.samplesPerSecond)) {
    return false;
  }
  platform::CodecFormat pcm;
  if (platform::SuggestPcmFormat(source, &pcm) != 0) return false;
  WaveFormat out = PcmFormatFrom(pcm);
  WaveFormat in = ReadWaveFormat(format, formatSize);
  int64_t buffer = AlignToBlock(
      static_cast<int>(std::min<uint32_t>(source.averageBytesPerSecond / 8, kMaxSourceBuffer)),
      &in);
  buffer = std::max<int64_t>(buffer, source.blockAlign);
  c->sourceFormat = static_cast<uint8_t*>(AllocateMemory(formatSize));
  c->sourceBuffer = static_cast<uint8_t*>(AllocateMemory(static_cast<size_t>(buffer)));
  std::unique_ptr<platform::CodecStream> codec = platform::CodecStream::Open(source, pcm);
  if (c->sourceFormat == nullptr || c->sourceBuffer == nullptr || codec == nullptr) {
    FreeMemory(c->sourceFormat);
    FreeMemory(c->sourceBuffer);
    c->sourceFormat = nullptr;
    c->sourceBuffer = nullptr;
    return false;
  }
  std::memcpy(c->sourceFormat, format, formatSize);
  c->sourceFormatSize = formatSize;
  c->sourceBufferSize = static_cast<int32_t>(buffer);
  c->sourceHeld = 0;
  c->codec = codec.release();
  c->outputFormat = out;
  c->outputBufferSize = static_cast<int32_t>(out.averageBytesPerSecond);
  c->method = kSoundMethodAcm;
  return true;
}

bool OpenAcmWave(SoundConverter* c) {
  std::vector<uint8_t> fmt;
  if (!ReadWaveChunks(c, &fmt)) return false;
  // Integer PCM never gets here through the compressed-audio service: it has no decoder for
  // it, so the short-form repair of the PCM opener has nothing to do here.
  int64_t data = Tell(c);
  if (!SetUpCodec(c, fmt.data(), static_cast<uint32_t>(c->formatSize))) return false;
  Seek(c, data, 0);
  return true;
}

// ---------------------------------------------------------------------------------------------
// Ogg Vorbis

size_t OggReadCallback(void* ptr, size_t size, size_t count, void* source) {
  // The decoder reads a byte count; anything it cannot take as a count is 0 (the end).
  if (source == nullptr || size == 0 || count > std::numeric_limits<size_t>::max() / size) {
    return 0;
  }
  auto* c = static_cast<SoundConverter*>(source);
  return Read(c, ptr, size * count) / size;
}

int OggSeekCallback(void* source, ogg_int64_t offset, int whence) {
  if (source == nullptr) return -1;
  return Seek(static_cast<SoundConverter*>(source), offset, whence) == 0 ? 0 : -1;
}

int OggCloseCallback(void*) {
  return 0;
}  // the stream belongs to the caller

long OggTellCallback(void* source) {
  if (source == nullptr) return -1;
  return static_cast<long>(Tell(static_cast<SoundConverter*>(source)));
}

bool OpenOggVorbis(SoundConverter* c) {
  // An Ogg file starts with a page. Handed anything else, the decoder would read the whole
  // stream looking for one, and a failed search keeps a few bytes it never gives back.
  uint8_t capture[4];
  if (Read(c, capture, 4) != 4 || std::memcmp(capture, "OggS", 4) != 0 || Seek(c, 0, 0) != 0) {
    return false;
  }
  auto* d = new (std::nothrow) OggDecoder{};
  if (d == nullptr) return false;
  ov_callbacks callbacks = {OggReadCallback, OggSeekCallback, OggCloseCallback, OggTellCallback};
  if (ov_open_callbacks(c, &d->file, nullptr, 0, callbacks) != 0) {
    ov_clear(&d->file);
    delete d;
    return false;
  }
  vorbis_info* info = ov_info(&d->file, -1);
  int width = c->oggSampleWidth == 1 ? 1 : 2;
  if (info == nullptr || info->channels < 1 || info->channels > static_cast<int>(kMaxChannels) ||
      info->rate < 1 || info->rate > static_cast<long>(kMaxRate)) {
    ov_clear(&d->file);
    delete d;
    return false;
  }
  // After measuring a chain of streams the decoder stands in its last one: start at the top.
  if (ov_seekable(&d->file) && ov_pcm_seek(&d->file, 0) != 0) {
    ov_clear(&d->file);
    delete d;
    return false;
  }
  c->ogg = d;
  c->oggOpen = 1;
  c->oggSampleWidth = width;
  c->oggLink = -1;
  WaveFormat f;
  f.formatTag = kWaveFormatPcm;
  f.channels = static_cast<uint16_t>(info->channels);
  f.samplesPerSecond = static_cast<uint32_t>(info->rate);
  f.blockAlign = static_cast<uint16_t>(f.channels * width);
  f.averageBytesPerSecond = f.blockAlign * f.samplesPerSecond;
  f.bitsPerSample = static_cast<uint16_t>(width * 8);
  c->outputFormat = f;
  c->outputBufferSize = kOggOutputBytes;
  c->method = kSoundMethodOgg;
  return true;
}

// ---------------------------------------------------------------------------------------------
// Raw MPEG audio

// Finds the next frame sync at or after the stream position, before `end`. On success the
// stream stands after the four header bytes, which go to header, and *at is the frame's start.
// -1 at the end or on a failed read.
int NextMpegFrame(SoundConverter* c, int64_t position, int64_t end, uint8_t header[4],
                  int64_t* at) {
  int previous = -1;
  uint8_t b;
  while (position < end) {
    if (Read(c, &b, 1) != 1) return -1;
    ++position;
    if (previous >= 0 && IsMpegSync(static_cast<uint8_t>(previous), b)) {
      header[0] = 0xFF;
      header[1] = b;
      if (Read(c, header + 2, 2) != 2) return -1;
      *at = position - 2;
      return 0;
    }
    previous = b;
  }
  return -1;
}

bool OpenMpegAudio(SoundConverter* c) {
  int64_t length = StreamLength(c);
  if (length <= 0 || Seek(c, 0, 0) != 0) return false;
  uint8_t id3[10] = {};
  uint64_t head = Read(c, id3, sizeof id3) == sizeof id3 ? Id3v2HeadSize(id3) : 0;
  // A head that claims more than the file is not a head of this file.
  if (head > static_cast<uint64_t>(length)) return false;
  int64_t tail = 0;
  if (length > 128) {
    uint8_t tag[3];
    if (Seek(c, length - 128, 0) == 0 && Read(c, tag, 3) == 3 && std::memcmp(tag, "TAG", 3) == 0) {
      tail = 128;
    }
  }
  int64_t end = length - tail;
  if (static_cast<int64_t>(head) >= end) return false;

  // Walk every frame: one reserved field anywhere makes this no MPEG audio. Each step moves
  // forward by a whole frame (at least 24 bytes), so the walk ends.
  uint8_t h[4];
  int64_t at = 0;
  int64_t position = static_cast<int64_t>(head);
  if (Seek(c, position, 0) != 0) return false;
  while (NextMpegFrame(c, position, end, h, &at) == 0) {
    MpegFrameHeader frame;
    if (!ParseMpegHeader(h, &frame)) return false;
    int64_t next = at + MpegFrameLength(frame);
    if (next >= end) break;
    if (Seek(c, next, 0) != 0) break;
    position = next;
  }

  // The first frame gives the format. A sync pair alone turns up by chance in any binary data
  // (once in 4 KiB of noise), so a frame counts only when the next frame's header follows right
  // at its end, or when the data ends exactly there.
  MpegFrameHeader first;
  position = static_cast<int64_t>(head);
  for (;;) {
    if (Seek(c, position, 0) != 0) return false;
    if (NextMpegFrame(c, position, end, h, &at) != 0) return false;
    position = at + 1;
    if (!ParseMpegHeader(h, &first)) continue;
    int64_t next = at + MpegFrameLength(first);
    if (next == end) break;
    uint8_t h2[4];
    MpegFrameHeader second;
    if (next + 4 <= end && Seek(c, next, 0) == 0 && Read(c, h2, 4) == 4 &&
        IsMpegSync(h2[0], h2[1]) && ParseMpegHeader(h2, &second) && second.mpeg1 == first.mpeg1 &&
        second.layer == first.layer && second.samplesPerSecond == first.samplesPerSecond) {
      break;
    }
  }

  uint8_t format[30] = {};
  PutLe16(format + 0, platform::kTagMpegLayer3);
  PutLe16(format + 2, static_cast<uint32_t>(first.channels));
  PutLe32(format + 4, static_cast<uint32_t>(first.samplesPerSecond));
  PutLe32(format + 8, static_cast<uint32_t>(first.bitrateKbps) * 125);
  PutLe16(format + 12, 1);   // block alignment
  PutLe16(format + 14, 0);   // bits per sample
  PutLe16(format + 16, 12);  // extra bytes
  PutLe16(format + 18, 1);   // MPEG identifier
  PutLe32(format + 20, 0);   // flags
  PutLe16(format + 24, static_cast<uint32_t>(MpegBlockSize(first)));
  PutLe16(format + 26, 1);     // frames per block
  PutLe16(format + 28, 1393);  // codec delay
  c->dataPosition = at;
  // From the first frame, not from the end of the head: bytes between the two are not data.
  c->dataSize = end - at;
  if (!SetUpCodec(c, format, sizeof format)) return false;
  return Seek(c, at, 0) == 0;
}

// ---------------------------------------------------------------------------------------------
// Decode steps: each fills the output buffer; -1 at the end of the data.

int PcmStep(SoundConverter* c) {
  int64_t position = Tell(c) - c->dataPosition;
  int64_t remaining = c->dataSize - position;
  if (c->shortRead || position < 0 || remaining <= 0) return -1;
  size_t want = static_cast<size_t>(std::min<int64_t>(remaining, c->outputBufferSize));
  size_t got = Read(c, c->outputBuffer, want);
  if (got == 0) return -1;
  if (got < want) c->shortRead = 1;
  c->outputAvailable = static_cast<int32_t>(got);
  return 0;
}

int AcmStep(SoundConverter* c) {
  if (c->sourceHeld < c->sourceBufferSize && !c->shortRead) {
    int64_t position = Tell(c) - c->dataPosition;
    if (position < 0) {
      Seek(c, c->dataPosition, 0);
      position = 0;
    }
    if (position < c->dataSize) {
      size_t want = static_cast<size_t>(
          std::min<int64_t>(c->dataSize - position, c->sourceBufferSize - c->sourceHeld));
      size_t got = Read(c, c->sourceBuffer + c->sourceHeld, want);
      if (got < want) c->shortRead = 1;
      c->sourceHeld += static_cast<int32_t>(got);
    }
  }
  platform::CodecStream::Header h;
  h.source = c->sourceBuffer;
  h.sourceLength = static_cast<uint32_t>(c->sourceHeld);
  h.destination = c->outputBuffer;
  h.destinationLength = static_cast<uint32_t>(c->outputBufferSize);
  if (c->codec->Prepare(&h) != 0) return -1;
  int r = c->codec->Convert(&h);
  c->codec->Unprepare(&h);
  if (r != 0) return -1;
  c->outputAvailable = static_cast<int32_t>(h.destinationUsed);
  c->sourceHeld -= static_cast<int32_t>(h.sourceUsed);
  if (c->sourceHeld > 0)
    std::memmove(c->sourceBuffer, c->sourceBuffer + h.sourceUsed, c->sourceHeld);
  // Nothing taken and nothing given: the data is done, or what is left is less than a block
  // and would convert to nothing for ever.
  if (h.sourceUsed == 0 && h.destinationUsed == 0) return -1;
  return 0;
}

int OggStep(SoundConverter* c) {
  for (;;) {
    int link = 0;
    long got = ov_read(&c->ogg->file, reinterpret_cast<char*>(c->outputBuffer), kOggOutputBytes, 0,
                       c->oggSampleWidth, c->oggSampleWidth != 1, &link);
    if (got == OV_HOLE) continue;  // a gap in the data: the decoder has moved past it
    if (got <= 0) return -1;
    if (link != c->oggLink) {
      // A chained stream whose next link has another layout cannot go on in this format.
      vorbis_info* info = ov_info(&c->ogg->file, link);
      if (info == nullptr || info->channels != c->outputFormat.channels ||
          info->rate != static_cast<long>(c->outputFormat.samplesPerSecond)) {
        return -1;
      }
      c->oggLink = link;
    }
    c->outputAvailable = static_cast<int32_t>(got);
    return 0;
  }
}

int DecodeStep(SoundConverter* c) {
  switch (c->method) {
    case kSoundMethodPcm:
      return PcmStep(c);
    case kSoundMethodAcm:
      return AcmStep(c);
    case kSoundMethodOgg:
      return OggStep(c);
    default:
      return -1;
  }
}

// Skips output up to the target once it lies in the output buffer.
void SkipToTarget(SoundConverter* c, int64_t target) {
  int32_t skip = static_cast<int32_t>(target - c->outputDelivered);
  c->outputOffset += skip;
  c->outputAvailable -= skip;
  c->outputDelivered = target;
}

void AcmSeek(SoundConverter* c, int64_t target) {
  if (target < c->outputDelivered) {
    // Coded data decodes only forwards: start again from the beginning.
    delete c->codec;
    platform::CodecFormat source = CodecFormatFromBytes(c->sourceFormat, c->sourceFormatSize);
    platform::CodecFormat pcm;
    c->codec = platform::SuggestPcmFormat(source, &pcm) == 0
                   ? platform::CodecStream::Open(source, pcm).release()
                   : nullptr;
    if (c->codec == nullptr) {
      c->end = 1;
      c->outputAvailable = 0;
      return;
    }
    Seek(c, c->dataPosition, 0);
    c->sourceHeld = 0;
    c->outputAvailable = 0;
    c->outputOffset = 0;
    c->outputDelivered = 0;
    c->shortRead = 0;
  }
  while (target > c->outputDelivered + c->outputAvailable) {
    c->outputDelivered += c->outputAvailable;
    c->outputAvailable = 0;
    c->outputOffset = 0;
    if (AcmStep(c) < 0) {
      c->end = 1;
      c->outputAvailable = 0;
      return;
    }
  }
  SkipToTarget(c, target);
}

}  // namespace

// ---------------------------------------------------------------------------------------------

WaveFormat ReadWaveFormat(const uint8_t* bytes, uint32_t size) {
  uint8_t b[kWaveFormatBytes] = {};
  std::memcpy(b, bytes, std::min(size, kWaveFormatBytes));
  WaveFormat f;
  f.formatTag = Le16(b);
  f.channels = Le16(b + 2);
  f.samplesPerSecond = Le32(b + 4);
  f.averageBytesPerSecond = Le32(b + 8);
  f.blockAlign = Le16(b + 12);
  f.bitsPerSample = Le16(b + 14);
  f.extraSize = Le16(b + 16);
  return f;
}

void WriteWaveFormat(const WaveFormat& f, uint8_t out[kWaveFormatBytes]) {
  PutLe16(out, f.formatTag);
  PutLe16(out + 2, f.channels);
  PutLe32(out + 4, f.samplesPerSecond);
  PutLe32(out + 8, f.averageBytesPerSecond);
  PutLe16(out + 12, f.blockAlign);
  PutLe16(out + 14, f.bitsPerSample);
  PutLe16(out + 16, f.extraSize);
}

void SetOggSampleWidth(int width) {
  g_oggSampleWidth = width;
}
int GetOggSampleWidth() {
  return g_oggSampleWidth;
}

int OpenSoundConverter(const StreamSource* stream, SoundConverter* c) {
  if (stream == nullptr || c == nullptr || stream->functions.read == nullptr ||
      stream->functions.seek == nullptr || stream->functions.tell == nullptr ||
      stream->functions.eof == nullptr) {
    return -1;
  }
  *c = SoundConverter{};
  c->stream = *stream;
  c->oggSampleWidth = g_oggSampleWidth;
  using Opener = bool (*)(SoundConverter*);
  constexpr Opener kOpeners[] = {OpenPcmWave, OpenAcmWave, OpenOggVorbis, OpenMpegAudio};
  bool opened = false;
  for (Opener opener : kOpeners) {
    if (Seek(c, 0, 0) != 0) break;
    if (opener(c)) {
      opened = true;
      break;
    }
  }
  if (!opened) return -1;
  c->open = 0;
  c->end = 0;
  c->outputBuffer = static_cast<uint8_t*>(AllocateMemory(static_cast<size_t>(c->outputBufferSize)));
  if (c->outputBuffer == nullptr) {
    ReleaseConverter(c);
    return -1;
  }
  c->outputAvailable = 0;
  c->outputOffset = 0;
  c->outputDelivered = 0;
  c->open = 1;
  return 0;
}

int ReadSoundConverter(SoundConverter* c, void* buffer, int bytes) {
  if (c == nullptr || !c->open) return -1;
  if (c->end || bytes <= 0 || buffer == nullptr) return 0;
  auto* out = static_cast<uint8_t*>(buffer);
  int done = 0;
  while (done < bytes) {
    if (c->outputAvailable == 0) {
      c->outputOffset = 0;
      if (DecodeStep(c) < 0) {
        c->end = 1;
        c->outputAvailable = 0;
        return done;
      }
      continue;
    }
    int n = std::min(c->outputAvailable, bytes - done);
    std::memcpy(out + done, c->outputBuffer + c->outputOffset, static_cast<size_t>(n));
    c->outputAvailable -= n;
    c->outputOffset += n;
    c->outputDelivered += n;
    done += n;
  }
  return done;
}

int SeekSoundConverter(SoundConverter* c, int milliseconds) {
  if (c == nullptr || !c->open) return 0;
  const WaveFormat& f = c->outputFormat;
  // 64-bit: the rate times the milliseconds passes 32 bits after 48 s at 44.1 kHz.
  int64_t target = int64_t{f.samplesPerSecond} * std::max(milliseconds, 0) / 1000 * f.blockAlign;
  int64_t distance = target - c->outputDelivered;
  if (distance > -16 && distance < 16) return 0;
  c->end = 0;
  switch (c->method) {
    case kSoundMethodPcm:
      c->shortRead = 0;
      Seek(c, c->dataPosition + target, 0);
      c->outputDelivered = target;
      c->outputAvailable = 0;
      c->outputOffset = 0;
      break;
    case kSoundMethodAcm:
      AcmSeek(c, target);
      break;
    case kSoundMethodOgg:
      if (ov_time_seek(&c->ogg->file, std::max(milliseconds, 0) * 0.001) != 0) c->end = 1;
      c->outputDelivered = target;
      c->outputAvailable = 0;
      c->outputOffset = 0;
      break;
    default:
      break;
  }
  return 0;
}

int64_t GetConvertedSize(SoundConverter* c) {
  if (c == nullptr || !c->open) return -1;
  switch (c->method) {
    case kSoundMethodPcm:
      return c->dataSize;
    case kSoundMethodAcm:
      return c->codec->OutputSizeFor(
          static_cast<uint32_t>(std::min<int64_t>(c->dataSize, 0xFFFFFFFF)));
    case kSoundMethodOgg: {
      ogg_int64_t frames = ov_pcm_total(&c->ogg->file, -1);
      int64_t frameBytes = int64_t{c->outputFormat.channels} * c->oggSampleWidth;
      // The count comes from the last page's position, which a damaged file can set to anything.
      if (frames < 0 || frames > std::numeric_limits<int64_t>::max() / frameBytes) return -1;
      return frames * frameBytes;
    }
    default:
      return -1;
  }
}

int ConvertSoundToPcm(SoundConverter* c, WaveFormat* format, uint8_t** data, uint32_t* size) {
  if (c == nullptr || !c->open || format == nullptr || data == nullptr || size == nullptr) {
    return -1;
  }
  int64_t total = GetConvertedSize(c);
  SeekSoundConverter(c, 0);
  uint8_t* memory = nullptr;
  int64_t length = 0;
  if (c->method == kSoundMethodPcm) {
    if (total < 0 || total > kMaxWholeBytes) return -1;
    memory =
        static_cast<uint8_t*>(AllocateMemory(static_cast<size_t>(std::max<int64_t>(total, 1))));
    if (memory == nullptr) return -1;
    Seek(c, c->dataPosition, 0);
    length = static_cast<int64_t>(Read(c, memory, static_cast<size_t>(total)));
  } else {
    // The size is a bound for coded data and unknown for some Ogg streams: decode into a buffer
    // that grows, starting from the size when there is a sensible one.
    int64_t capacity = total > 0 && total <= kMaxWholeBytes ? total : 65536;
    memory = static_cast<uint8_t*>(AllocateMemory(static_cast<size_t>(capacity)));
    if (memory == nullptr) return -1;
    for (;;) {
      int n = ReadSoundConverter(c, memory + length, static_cast<int>(capacity - length));
      if (n <= 0) break;
      length += n;
      if (length < capacity) continue;
      if (capacity >= kMaxWholeBytes) {
        FreeMemory(memory);
        return -1;
      }
      int64_t grown = std::min(capacity * 2, kMaxWholeBytes);
      auto* bigger = static_cast<uint8_t*>(AllocateMemory(static_cast<size_t>(grown)));
      if (bigger == nullptr) {
        FreeMemory(memory);
        return -1;
      }
      std::memcpy(bigger, memory, static_cast<size_t>(length));
      FreeMemory(memory);
      memory = bigger;
      capacity = grown;
    }
    // A generous bound would otherwise stay allocated for the sound's whole life.
    if (length > 0 && length < capacity / 2) {
      if (auto* fitted = static_cast<uint8_t*>(AllocateMemory(static_cast<size_t>(length)))) {
        std::memcpy(fitted, memory, static_cast<size_t>(length));
        FreeMemory(memory);
        memory = fitted;
      }
    }
  }
  *format = c->outputFormat;
  *data = memory;
  *size = static_cast<uint32_t>(length);
  return 0;
}

int GetConverterFormat(SoundConverter* c, WaveFormat* format) {
  if (c == nullptr || format == nullptr) return -1;
  *format = c->outputFormat;
  return 0;
}

int CloseSoundConverter(SoundConverter* c) {
  if (c == nullptr || !c->open) return -1;
  ReleaseConverter(c);
  return 0;
}

int LoadWholeFile(const char* path, uint8_t** data, uint32_t* size) {
  if (data == nullptr || size == nullptr) return -1;
  void* file = StreamOpen(path, 0, 1);
  if (file == nullptr) {
    return WriteLogFormat("右記のファイルのオープンに失敗しました：%s", LogText(path).c_str());
  }
  int64_t length = -1;
  if (StreamSeek(file, 0, 2) == 0) length = StreamTell(file);
  if (length < 0 || StreamSeek(file, 0, 0) != 0) {
    StreamClose(file);
    return WriteLogFormat("右記のファイルのオープンに失敗しました：%s", LogText(path).c_str());
  }
  auto* memory =
      length <= kMaxWholeBytes
          ? static_cast<uint8_t*>(AllocateMemory(static_cast<size_t>(std::max<int64_t>(length, 1))))
          : nullptr;
  if (memory == nullptr) {
    StreamClose(file);
    return WriteLogFormat("右記のファイルのロードに必要なメモリの確保に失敗しました：%s",
                          LogText(path).c_str());
  }
  size_t got = length > 0 ? StreamRead(memory, 1, static_cast<size_t>(length), file) : 0;
  StreamClose(file);
  if (got != static_cast<size_t>(length)) {
    FreeMemory(memory);
    return WriteLogFormat("右記のファイルのオープンに失敗しました：%s", LogText(path).c_str());
  }
  *data = memory;
  *size = static_cast<uint32_t>(length);
  return 0;
}

int LoadWholeStream(const StreamSource* stream, uint8_t** data, uint32_t* size) {
  if (stream == nullptr || data == nullptr || size == nullptr) return -1;
  const StreamFunctions& f = stream->functions;
  void* h = stream->handle;
  int64_t length = -1;
  if (f.seek(h, 0, 2) == 0) length = f.tell(h);
  if (length < 0 || f.seek(h, 0, 0) != 0) return -1;
  auto* memory =
      length <= kMaxWholeBytes
          ? static_cast<uint8_t*>(AllocateMemory(static_cast<size_t>(std::max<int64_t>(length, 1))))
          : nullptr;
  if (memory == nullptr) return WriteLog("ストリームの読み込みに必要なメモリの確保に失敗しました");
  size_t got = length > 0 ? f.read(memory, 1, static_cast<size_t>(length), h) : 0;
  if (got != static_cast<size_t>(length)) {
    FreeMemory(memory);
    return -1;
  }
  *data = memory;
  *size = static_cast<uint32_t>(length);
  return 0;
}

int BuildWaveImage(uint8_t** image, uint32_t* imageSize, const WaveFormat* format,
                   uint32_t formatSize, const uint8_t* pcm, uint32_t pcmSize) {
  if (image == nullptr || imageSize == nullptr || format == nullptr ||
      formatSize > kWaveFormatBytes || (pcm == nullptr && pcmSize > 0)) {
    return -1;
  }
  uint64_t total = uint64_t{28} + formatSize + pcmSize;
  if (total > 0xFFFFFFFFu) return -1;
  auto* out = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(total)));
  if (out == nullptr) return -1;
  uint8_t fmt[kWaveFormatBytes];
  WriteWaveFormat(*format, fmt);
  std::memcpy(out, "RIFF", 4);
  PutLe32(out + 4, static_cast<uint32_t>(total - 8));
  std::memcpy(out + 8, "WAVEfmt ", 8);
  PutLe32(out + 16, formatSize);
  std::memcpy(out + 20, fmt, formatSize);
  std::memcpy(out + 20 + formatSize, "data", 4);
  PutLe32(out + 24 + formatSize, pcmSize);
  if (pcmSize > 0) std::memcpy(out + 28 + formatSize, pcm, pcmSize);
  *image = out;
  *imageSize = static_cast<uint32_t>(total);
  return 0;
}

int AlignToBlock(int bytes, const WaveFormat* format) {
  if (format == nullptr || format->blockAlign == 0) return 0;
  return bytes / format->blockAlign * format->blockAlign;
}

int DecodeSoundImage(const void* data, size_t size, WaveFormat* format, uint8_t** pcm,
                     uint32_t* pcmSize, int32_t* method) {
  StreamSource source;
  if (data == nullptr || !OpenMemoryStreamSource(data, size, &source)) {
    return WriteLog("音声ファイルのＰＣＭへの変換に失敗しました");
  }
  SoundConverter c;
  if (OpenSoundConverter(&source, &c) != 0) {
    source.functions.close(source.handle);
    return WriteLog("音声ファイルのＰＣＭへの変換に失敗しました");
  }
  WaveFormat f;
  uint8_t* bytes = nullptr;
  uint32_t n = 0;
  int32_t how = c.method;
  int converted = ConvertSoundToPcm(&c, &f, &bytes, &n);
  CloseSoundConverter(&c);
  source.functions.close(source.handle);
  if (converted != 0) return WriteLog("音声ファイルを格納するメモリ領域の確保に失敗しました");
  // Whole frames only; no frame at all, or a layout the output cannot play, is no sound.
  n = static_cast<uint32_t>(AlignToBlock(static_cast<int>(n), &f));
  platform::PcmFormat playable{f.channels, static_cast<int>(f.samplesPerSecond), f.bitsPerSample};
  if (n == 0 || !platform::IsBufferFormatSupported(playable) || n > platform::kMaxBufferBytes) {
    FreeMemory(bytes);
    return WriteLog("音声ファイルのＰＣＭへの変換に失敗しました");
  }
  *format = f;
  *pcm = bytes;
  *pcmSize = n;
  if (method != nullptr) *method = how;
  return 0;
}

}  // namespace morrow
