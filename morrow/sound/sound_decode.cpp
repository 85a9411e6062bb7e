// The decoder's frame: the chain of openers that recognises the data, the output buffer every
// kind fills, reads, seeks and sizes handed to the kind that opened, whole decodes, whole files
// and the decode of a sound handle's image. The kinds themselves are in decode_*.cpp.
#include "morrow/sound/sound_decode.h"

#include <algorithm>
#include <cstring>

#include "morrow/sound/decode_internal.h"
#include "morrow/system/log.h"
#include "morrow/system/memory.h"
#include "platform/audio/audio_device.h"

namespace morrow {

using namespace decode_internal;

namespace {

// Whole files and whole decodes larger than this are refused.
constexpr int64_t kMaxWholeBytes = int64_t{1} << 30;

void ReleaseConverter(SoundConverter* c) {
  FreeMemory(c->outputBuffer);
  c->outputBuffer = nullptr;
  ReleaseCodec(c);
  ReleaseOgg(c);
  c->open = 0;
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

}  // namespace

int64_t decode_internal::StreamLength(SoundConverter* c) {
  int64_t at = Tell(c);
  if (at < 0 || Seek(c, 0, 2) != 0) return -1;
  int64_t end = Tell(c);
  Seek(c, at, 0);
  return end;
}

int OpenSoundConverter(const StreamSource* stream, SoundConverter* c) {
  if (stream == nullptr || c == nullptr || stream->functions.read == nullptr ||
      stream->functions.seek == nullptr || stream->functions.tell == nullptr ||
      stream->functions.eof == nullptr) {
    return -1;
  }
  *c = SoundConverter{};
  c->stream = *stream;
  c->oggSampleWidth = GetOggSampleWidth();
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
      PcmSeek(c, target);
      break;
    case kSoundMethodAcm:
      AcmSeek(c, target);
      break;
    case kSoundMethodOgg:
      OggSeek(c, milliseconds, target);
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
      return AcmConvertedSize(c);
    case kSoundMethodOgg:
      return OggConvertedSize(c);
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
