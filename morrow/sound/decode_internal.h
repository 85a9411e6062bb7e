// What the sound decoder's parts share: the stream under the converter, the limits every data
// kind checks, little-endian fields, and each kind's opener, decode step, seek and release.
// Internal to the sound component: sound_decode.cpp is the chain over the kinds, decode_wave.cpp
// reads RIFF WAVE, decode_codec.cpp feeds coded data through the compressed-audio service,
// decode_mpeg.cpp finds raw MPEG audio and decode_ogg.cpp reads Ogg Vorbis.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "morrow/sound/sound_decode.h"

namespace morrow::decode_internal {

constexpr uint32_t kMaxChannels = 8;
constexpr uint32_t kMaxRate = 384000;

inline uint16_t Le16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline uint32_t Le32(const uint8_t* p) {
  return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}
inline void PutLe16(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
inline void PutLe32(uint8_t* p, uint32_t v) {
  PutLe16(p, v);
  PutLe16(p + 2, v >> 16);
}

inline size_t Read(SoundConverter* c, void* buffer, size_t bytes) {
  return c->stream.functions.read(buffer, 1, bytes, c->stream.handle);
}
inline int Seek(SoundConverter* c, int64_t offset, int origin) {
  return c->stream.functions.seek(c->stream.handle, offset, origin);
}
inline int64_t Tell(SoundConverter* c) {
  return c->stream.functions.tell(c->stream.handle);
}

// The stream's length; the position is kept. -1 when it cannot be told.
int64_t StreamLength(SoundConverter* c);

inline bool ValidRate(uint32_t rate) {
  return rate >= 1 && rate <= kMaxRate;
}

// Each opener reads the stream from its start and, when the data is of its kind, sets the
// converter's method, format, data place and output buffer size. Each step fills the output
// buffer; -1 at the end of the data. Each seek leaves the converter at the target's output byte.

// RIFF WAVE holding PCM (decode_wave.cpp).
// Reads the header, the "fmt " chunk (which must come first) and skips to "data". The chunk's
// bytes go to fmt (at least 18, zero-padded); the data's place and size go to the converter.
bool ReadWaveChunks(SoundConverter* c, std::vector<uint8_t>* fmt);
bool OpenPcmWave(SoundConverter* c);
int PcmStep(SoundConverter* c);
void PcmSeek(SoundConverter* c, int64_t target);

// Coded data through the compressed-audio service: coded WAVE and raw MPEG audio
// (decode_codec.cpp).
// The coded-data half shared by coded WAVE and MPEG audio: the format suggestion, the source
// buffer and the conversion. The stream is left where the caller has it.
bool SetUpCodec(SoundConverter* c, const uint8_t* format, uint32_t formatSize);
bool OpenAcmWave(SoundConverter* c);
int AcmStep(SoundConverter* c);
void AcmSeek(SoundConverter* c, int64_t target);
int64_t AcmConvertedSize(SoundConverter* c);
void ReleaseCodec(SoundConverter* c);

// Raw MPEG audio (decode_mpeg.cpp); it decodes through the coded-data path.
bool OpenMpegAudio(SoundConverter* c);

// Ogg Vorbis (decode_ogg.cpp).
bool OpenOggVorbis(SoundConverter* c);
int OggStep(SoundConverter* c);
void OggSeek(SoundConverter* c, int milliseconds, int64_t target);
// -1 when unknown.
int64_t OggConvertedSize(SoundConverter* c);
void ReleaseOgg(SoundConverter* c);

}  // namespace morrow::decode_internal
