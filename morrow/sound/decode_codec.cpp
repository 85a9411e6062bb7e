// Coded data through the platform's compressed-audio service: the coded-WAVE opener, the
// conversion set-up it shares with raw MPEG audio, the decode step that feeds the service an
// eighth of a second at a time, and the seek, which decodes forwards from the start when it
// must go back.
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "morrow/sound/decode_internal.h"
#include "morrow/sound/sound_decode.h"
#include "morrow/system/memory.h"
#include "platform/audio/audio_codec.h"

namespace morrow::decode_internal {
namespace {

// The coded bytes held for one conversion: an eighth of a second, but never less than one
// block, and never more than a few seconds of any real format however large the file says its
// rate is.
constexpr int64_t kMaxSourceBuffer = 1 << 20;

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

// Skips output up to the target once it lies in the output buffer.
void SkipToTarget(SoundConverter* c, int64_t target) {
  int32_t skip = static_cast<int32_t>(target - c->outputDelivered);
  c->outputOffset += skip;
  c->outputAvailable -= skip;
  c->outputDelivered = target;
}

}  // namespace

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
  // Integer PCM gets here with samples wider than 16 bits. Its short form is repaired as the
  // PCM opener repairs it: the block size is right where the bits field often is not.
  WaveFormat f = ReadWaveFormat(fmt.data(), static_cast<uint32_t>(fmt.size()));
  if (f.formatTag == kWaveFormatPcm && c->formatSize == 16 && f.channels > 0) {
    f.bitsPerSample = static_cast<uint16_t>(f.blockAlign / f.channels * 8);
    f.extraSize = 0;
    WriteWaveFormat(f, fmt.data());
  }
  int64_t data = Tell(c);
  if (!SetUpCodec(c, fmt.data(), static_cast<uint32_t>(c->formatSize))) return false;
  Seek(c, data, 0);
  return true;
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

int64_t AcmConvertedSize(SoundConverter* c) {
  return c->codec->OutputSizeFor(static_cast<uint32_t>(std::min<int64_t>(c->dataSize, 0xFFFFFFFF)));
}

void ReleaseCodec(SoundConverter* c) {
  delete c->codec;
  c->codec = nullptr;
  FreeMemory(c->sourceFormat);
  c->sourceFormat = nullptr;
  FreeMemory(c->sourceBuffer);
  c->sourceBuffer = nullptr;
}

}  // namespace morrow::decode_internal
