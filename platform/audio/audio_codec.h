// The compressed-audio service: turns coded WAVE data and MPEG audio into 16-bit PCM.
//
// The library asks for the PCM format that a coded format decodes to, opens a conversion
// between the two and then converts piece by piece: each call takes whole source blocks only,
// never writes past the destination, and reports the bytes it used on both sides. Samples that
// did not fit into the destination stay inside the conversion and come out first next time.
//
// Known formats (by WAVE format tag): 0x0002 Microsoft ADPCM (the fmt chunk's extra bytes go to
// the decoder), 0x0011 IMA ADPCM, 0x0006 A-law, 0x0007 mu-law, 0x0031 GSM 6.10, 0x0055 MPEG
// Layer-3 (frames are found by a parser, so any byte split works), and the PCM that is not 8 or
// 16-bit integers: 0x0001 of 24 or 32 bits, 0x0003 IEEE float of 32 or 64 bits, and 0xFFFE
// (WAVE_FORMAT_EXTENSIBLE) whose sub-format is integer PCM of 8, 16, 24 or 32 bits or IEEE float
// of 32 or 64 bits. Decoding is FFmpeg's; wider samples are cut to 16 bits as FFmpeg converts
// them (integers keep their top 16 bits, floats are rounded).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace platform {

constexpr uint16_t kTagPcm = 0x0001;
constexpr uint16_t kTagMsAdpcm = 0x0002;
constexpr uint16_t kTagALaw = 0x0006;
constexpr uint16_t kTagMuLaw = 0x0007;
constexpr uint16_t kTagImaAdpcm = 0x0011;
constexpr uint16_t kTagGsm610 = 0x0031;
constexpr uint16_t kTagMpegLayer3 = 0x0055;
constexpr uint16_t kTagFloat = 0x0003;
constexpr uint16_t kTagExtensible = 0xFFFE;

struct CodecFormat {
  uint16_t formatTag = 0;
  uint16_t channels = 0;
  uint32_t samplesPerSecond = 0;
  uint32_t averageBytesPerSecond = 0;
  uint16_t blockAlign = 0;
  uint16_t bitsPerSample = 0;
  std::vector<uint8_t> extra;  // the bytes after the extra-size field
};

// The PCM format a coded format decodes to: tag 1, the same channels and rate, 16 bits.
// -1 for a format this service does not decode (PCM itself included).
int SuggestPcmFormat(const CodecFormat& source, CodecFormat* pcm);

class CodecStream {
 public:
  // One piece of work: the caller fills the four source and destination fields, the conversion
  // fills the two "used" counts.
  struct Header {
    const uint8_t* source = nullptr;
    uint32_t sourceLength = 0;
    uint32_t sourceUsed = 0;
    uint8_t* destination = nullptr;
    uint32_t destinationLength = 0;
    uint32_t destinationUsed = 0;
    bool prepared = false;
  };

  // Null when the pair is not a source and its suggested PCM format, or the decoder refuses.
  static std::unique_ptr<CodecStream> Open(const CodecFormat& source, const CodecFormat& pcm);
  virtual ~CodecStream() = default;

  // An upper bound of the PCM bytes that sourceBytes of coded data can give.
  virtual uint32_t OutputSizeFor(uint32_t sourceBytes) const = 0;
  int Prepare(Header* header);
  int Unprepare(Header* header);
  // Converts whole source blocks into the destination, whole PCM frames only. 0, or -1 when the
  // header was not prepared or is malformed.
  virtual int Convert(Header* header) = 0;
};

}  // namespace platform
