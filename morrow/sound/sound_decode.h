// Sound data decoding: RIFF WAVE with PCM, RIFF WAVE with coded data (through the platform's
// compressed-audio service), Ogg Vorbis and raw MPEG audio, read through a StreamSource so
// that the same decoder works on a file or a block of memory.
//
// A SoundConverter recognises the data, then hands out PCM on demand, seeks by milliseconds,
// tells the PCM size of the whole data and can decode everything at once. It holds at most one
// second of PCM (4096 bytes for Ogg Vorbis) and an eighth of a second of coded data, so a
// stream sound decodes while it plays.
//
// Sound files are untrusted: every size in them is checked against the stream, every read
// count is taken as it comes, and a decoder that stops making progress ends the data.
#pragma once

#include <cstddef>
#include <cstdint>

#include "morrow/sound/wave_format.h"
#include "morrow/system/stream.h"

namespace platform {
class CodecStream;
}

namespace morrow {

enum SoundMethod : int32_t {
  kSoundMethodPcm = 0,  // PCM WAVE
  kSoundMethodAcm = 1,  // coded WAVE or MPEG audio, through the compressed-audio service
  kSoundMethodOgg = 2,  // Ogg Vorbis
};

struct OggDecoder;

struct SoundConverter {
  int32_t open;
  int32_t end;  // the data ran out during a read; every seek clears it
  int32_t method;
  StreamSource stream;
  int64_t formatPosition;
  int32_t formatSize;
  int64_t dataPosition;
  int64_t dataSize;  // clamped to the bytes the stream holds
  WaveFormat outputFormat;
  // Ogg Vorbis
  int32_t oggOpen;
  OggDecoder* ogg;
  int32_t oggSampleWidth;
  int32_t oggLink;  // the logical stream the last read came from
  // Coded data
  uint8_t* sourceFormat;  // the coded format as it stands in the file
  uint32_t sourceFormatSize;
  platform::CodecStream* codec;
  uint8_t* sourceBuffer;
  int32_t sourceBufferSize;
  int32_t sourceHeld;
  // Decoded PCM waiting to be delivered
  uint8_t* outputBuffer;
  int32_t outputBufferSize;
  int32_t outputAvailable;
  int32_t outputOffset;
  int64_t outputDelivered;
  // A read gave fewer bytes than asked: the stream holds no more data than that.
  int32_t shortRead;
};

// Bytes per sample asked of the Ogg Vorbis decoder (2: 16-bit PCM). The sound system's start
// sets it; decoding without the sound system uses the same value.
void SetOggSampleWidth(int width);
int GetOggSampleWidth();

int OpenSoundConverter(const StreamSource* stream, SoundConverter* converter);
// Bytes delivered: 0 at the end, -1 when the converter is not open.
int ReadSoundConverter(SoundConverter* converter, void* buffer, int bytes);
int SeekSoundConverter(SoundConverter* converter, int milliseconds);
// PCM bytes of the whole data; -1 when unknown.
int64_t GetConvertedSize(SoundConverter* converter);
// Decodes everything from the start: the format, the PCM (from AllocateMemory, the caller's)
// and its size in bytes.
int ConvertSoundToPcm(SoundConverter* converter, WaveFormat* format, uint8_t** data,
                      uint32_t* size);
int GetConverterFormat(SoundConverter* converter, WaveFormat* format);
int CloseSoundConverter(SoundConverter* converter);

// A whole file (through the file-access table) or a whole open stream in memory from
// AllocateMemory. Files over 1 GiB are refused.
int LoadWholeFile(const char* path, uint8_t** data, uint32_t* size);
int LoadWholeStream(const StreamSource* stream, uint8_t** data, uint32_t* size);
// A RIFF WAVE image (from malloc, freed with free) of a format's first formatSize bytes
// (at most 18) and PCM.
int BuildWaveImage(uint8_t** image, uint32_t* imageSize, const WaveFormat* format,
                   uint32_t formatSize, const uint8_t* pcm, uint32_t pcmSize);
// Bytes rounded down to whole blocks of the format; 0 when the format has no block size.
int AlignToBlock(int bytes, const WaveFormat* format);

// What a sound handle is made from: a file image in memory decoded to PCM that a buffer can
// play, whole frames only. Logs the reason and returns -1 when the data does not decode, gives
// no whole frame, or has a format or size the output cannot take. method, when given, receives
// the decoding method.
int DecodeSoundImage(const void* data, size_t size, WaveFormat* format, uint8_t** pcm,
                     uint32_t* pcmSize, int32_t* method = nullptr);

}  // namespace morrow
