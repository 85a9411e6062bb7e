// Sound files are untrusted input: damaged, cut short, random or not sound at all, each gives
// -1 with its log line, in bounded time, without touching memory it does not own.
#include <zlib.h>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "tests/morrow/sound/sound_test_util.h"
#include "tests/support/wave_writer.h"

namespace {

using soundtest::Decode;
using soundtest::Fixture;
using testsupport::Chunk;
using testsupport::FormatBody;
using testsupport::PcmFormatBody;
using testsupport::Riff;

constexpr const char* kNotPcm = "音声ファイルのＰＣＭへの変換に失敗しました";

// Decodes every cut of the file from 0 to `upTo` bytes (and then every `step`-th to the end).
// A cut that decodes must give whole frames of a playable layout; one that does not must say so.
void DecodeEveryCut(const std::string& file, size_t upTo, size_t step, size_t mustFailBelow) {
  soundtest::LogCapture log;
  int failures = 0;
  for (size_t n = 0; n < file.size(); n = n < upTo ? n + 1 : n + step) {
    soundtest::Decoded d = Decode(file.substr(0, n));
    if (d.result != 0) {
      ++failures;
      EXPECT_EQ(log.Count(kNotPcm), failures) << "cut at " << n;
      continue;
    }
    EXPECT_GE(n, mustFailBelow) << "cut at " << n << " decoded";
    EXPECT_GT(d.pcm.size(), 0u);
    EXPECT_EQ(d.pcm.size() % d.format.blockAlign, 0u) << "cut at " << n;
    EXPECT_LE(d.format.channels, 2);
  }
  EXPECT_GT(failures, 0);
}

TEST(SoundBadInput, TruncatedAtEveryHeaderOffset) {
  struct Case {
    const char* file;
    size_t upTo;      // every offset below this
    size_t mustFail;  // every cut below this refuses
  } cases[] = {
      {"pcm16_mono.wav", 200, 46},    {"pcm8_stereo.wav", 100, 46},
      {"alaw_mono.wav", 120, 59},     {"ima_stereo.wav", 1100, 0},
      {"msadpcm_mono.wav", 600, 0},   {"gsm_mono.wav", 200, 0},
      {"vorbis_stereo.ogg", 3600, 0}, {"mpeg_tags.mp3", 1500, 0},
      {"mpeg_plain.mp3", 700, 0},     {"extensible_s24_stereo.wav", 200, 86},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    DecodeEveryCut(Fixture(c.file), c.upTo, 97, c.mustFail);
  }
}

TEST(SoundBadInput, RandomBytesAreNoSound) {
  soundtest::LogCapture log;
  std::mt19937 rng(2024);
  int n = 0;
  for (size_t size : {0u, 1u, 4u, 12u, 44u, 100u, 1000u, 5000u, 40000u}) {
    for (int round = 0; round < 4; ++round) {
      std::string bytes(size, '\0');
      for (char& b : bytes) b = static_cast<char>(rng());
      EXPECT_EQ(Decode(bytes).result, -1) << size;
      EXPECT_EQ(log.Count(kNotPcm), ++n);
    }
  }
}

TEST(SoundBadInput, RandomBytesBehindGoodHeaders) {
  std::mt19937 rng(99);
  std::string noise(6000, '\0');
  for (char& b : noise) b = static_cast<char>(rng());
  struct Case {
    const char* what;
    std::string file;
  } cases[] = {
      {"IMA", Riff(Chunk("fmt ", Fixture("ima_stereo.wav").substr(20, 20)) + Chunk("data", noise))},
      {"MS ADPCM",
       Riff(Chunk("fmt ", Fixture("msadpcm_stereo.wav").substr(20, 50)) + Chunk("data", noise))},
      {"GSM", Riff(Chunk("fmt ", Fixture("gsm_mono.wav").substr(20, 20)) + Chunk("data", noise))},
      {"Ogg", Fixture("vorbis_stereo.ogg").substr(0, 3900) + noise},
      {"MP3", Fixture("mpeg_plain.mp3").substr(0, 600) + noise},
  };
  soundtest::LogCapture log;
  int refused = 0;
  for (const Case& c : cases) {
    soundtest::Decoded d = Decode(c.file);
    if (d.result == 0) {
      EXPECT_EQ(d.pcm.size() % d.format.blockAlign, 0u) << c.what;
      EXPECT_GT(d.pcm.size(), 0u) << c.what;
    } else {
      ++refused;
    }
    EXPECT_EQ(log.Count(kNotPcm), refused) << c.what;
  }
}

TEST(SoundBadInput, AbsurdSizes) {
  soundtest::LogCapture log;
  std::string pcm(400, '\x11');
  struct Case {
    const char* what;
    std::string file;
  } cases[] = {
      {"fmt size 0xFFFFFFFF",
       Riff(Chunk("fmt ", PcmFormatBody(1, 8000, 16), 0xFFFFFFFF) + Chunk("data", pcm))},
      {"fmt size 15", Riff(Chunk("fmt ", PcmFormatBody(1, 8000, 16), 15) + Chunk("data", pcm))},
      {"chunk size 0x7FFFFFFF", Riff(Chunk("fmt ", PcmFormatBody(1, 8000, 16)) +
                                     Chunk("LIST", "ab", 0x7FFFFFFF) + Chunk("data", pcm))},
      {"chunk size 0xFFFFFFFF", Riff(Chunk("fmt ", PcmFormatBody(1, 8000, 16)) +
                                     Chunk("LIST", "ab", 0xFFFFFFFF) + Chunk("data", pcm))},
      {"empty data of 0xFFFFFFFF",
       Riff(Chunk("fmt ", PcmFormatBody(2, 44100, 16)) + Chunk("data", "", 0xFFFFFFFF))},
      {"average bytes 0xFFFFFFFF",
       Riff(Chunk("fmt ", FormatBody(0x11, 1, 8000, 256, 4, 2).replace(8, 4, "\xff\xff\xff\xff") +
                              "\xf9\x01") +
            Chunk("data", ""))},
      {"block of 65535 bytes",
       Riff(Chunk("fmt ", FormatBody(0x11, 1, 8000, 65535, 4, 2) + "\xf9\x01") +
            Chunk("data", std::string(100, 'a')))},
      {"ID3 size 0x0FFFFFFF",
       std::string("ID3\x04\x00\x10\x7f\x7f\x7f\x7f", 10) + std::string(500, '\xff')},
  };
  int n = 0;
  for (const Case& c : cases) {
    EXPECT_EQ(Decode(c.file).result, -1) << c.what;
    EXPECT_EQ(log.Count(kNotPcm), ++n) << c.what;
  }
}

// The sub-format of WAVE_FORMAT_EXTENSIBLE is data like any other: what is not integer PCM or
// float of one or two channels in a block that fits is refused.
TEST(SoundBadInput, ExtensibleFormatsThatAreNotPlainSamples) {
  soundtest::LogCapture log;
  const std::string kGuidTail("\x00\x00\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71", 14);
  auto extensible = [&](uint16_t channels, uint16_t align, uint16_t bits, uint16_t validBits,
                        uint16_t subTag, const std::string& tail, int extraSize = 22) {
    std::string ext;
    ext += static_cast<char>(validBits & 0xFF);
    ext += static_cast<char>(validBits >> 8);
    ext += std::string("\x03\x00\x00\x00", 4);  // channel mask
    ext += static_cast<char>(subTag & 0xFF);
    ext += static_cast<char>(subTag >> 8);
    ext += tail;
    return Riff(Chunk("fmt ", FormatBody(0xFFFE, channels, 8000, align, bits, extraSize) +
                                  ext.substr(0, static_cast<size_t>(extraSize))) +
                Chunk("data", std::string(600, '\x21')));
  };
  struct Case {
    const char* what;
    std::string file;
  } cases[] = {
      {"ADPCM sub-format", extensible(1, 2, 16, 16, 2, kGuidTail)},
      {"unknown GUID", extensible(1, 2, 16, 16, 1, std::string(14, '\x5A'))},
      {"no channels", extensible(0, 2, 16, 16, 1, kGuidTail)},
      {"three channels", extensible(3, 6, 16, 16, 1, kGuidTail)},
      {"eight channels of floats", extensible(8, 32, 32, 32, 3, kGuidTail)},
      {"extension cut short", extensible(2, 6, 24, 24, 1, kGuidTail, 10)},
      {"20-bit container", extensible(1, 3, 20, 20, 1, kGuidTail)},
      {"more valid bits than stored", extensible(1, 3, 24, 32, 1, kGuidTail)},
      {"block not one frame", extensible(2, 8, 24, 24, 1, kGuidTail)},
      {"16-bit floats", extensible(1, 2, 16, 16, 3, kGuidTail)},
      {"block of 65535 bytes", extensible(2, 65535, 24, 24, 1, kGuidTail)},
  };
  int n = 0;
  for (const Case& c : cases) {
    EXPECT_EQ(Decode(c.file).result, -1) << c.what;
    EXPECT_EQ(log.Count(kNotPcm), ++n) << c.what;
  }
  // The same header with a sound's sub-format decodes.
  EXPECT_EQ(Decode(extensible(2, 6, 24, 20, 1, kGuidTail)).result, 0);
  EXPECT_EQ(Decode(extensible(1, 8, 64, 0, 3, kGuidTail)).result, 0);
}

TEST(SoundBadInput, OtherFilesHandedInAsSound) {
  soundtest::LogCapture log;
  auto be32 = [](uint32_t v) {
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i) s[i] = static_cast<char>(v >> (24 - 8 * i));
    return s;
  };
  std::string track(
      "\x00\xff\x51\x03\x07\xa1\x20\x00\xc0\x00\x00\x90\x3c\x64\x81\x40\x80\x3c\x40"
      "\x00\xff\x2f\x00",
      23);
  std::string midi = "MThd" + be32(6) + std::string("\x00\x00\x00\x01\x00\x60", 6) + "MTrk" +
                     be32(static_cast<uint32_t>(track.size())) + track;
  auto pngChunk = [&](const std::string& type, const std::string& body) {
    std::string typed = type + body;
    return be32(static_cast<uint32_t>(body.size())) + typed +
           be32(static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(typed.data()),
                                            static_cast<uInt>(typed.size()))));
  };
  // A 16 x 16 picture of noise: its compressed bytes are as random as a picture gets.
  std::mt19937 rng(5);
  std::string raw;
  for (int y = 0; y < 16; ++y) {
    raw.push_back('\0');
    for (int x = 0; x < 48; ++x) raw.push_back(static_cast<char>(rng()));
  }
  std::string packed(compressBound(static_cast<uLong>(raw.size())), '\0');
  uLongf packedSize = static_cast<uLongf>(packed.size());
  compress(reinterpret_cast<Bytef*>(packed.data()), &packedSize,
           reinterpret_cast<const Bytef*>(raw.data()), static_cast<uLong>(raw.size()));
  packed.resize(packedSize);
  std::string png = std::string("\x89PNG\r\n\x1a\n", 8) +
                    pngChunk("IHDR", be32(16) + be32(16) + std::string("\x08\x02\x00\x00\x00", 5)) +
                    pngChunk("IDAT", packed) + pngChunk("IEND", "");
  const std::string* files[] = {&midi, &png};
  int n = 0;
  for (const std::string* f : files) {
    EXPECT_EQ(Decode(*f).result, -1);
    EXPECT_EQ(log.Count(kNotPcm), ++n);
  }
}

// The Ogg page checksum: CRC-32 with polynomial 0x04C11DB7, no reflection, starting at 0.
uint32_t OggCrc(const std::string& page) {
  uint32_t crc = 0;
  for (unsigned char b : page) {
    crc ^= static_cast<uint32_t>(b) << 24;
    for (int i = 0; i < 8; ++i)
      crc = (crc & 0x80000000u) != 0 ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
  }
  return crc;
}

// The file with its last page's granule position replaced (and the page's checksum made good).
std::string WithLastGranule(std::string ogg, uint64_t granule) {
  size_t page = ogg.rfind("OggS");
  for (int i = 0; i < 8; ++i) ogg[page + 6 + i] = static_cast<char>(granule >> (8 * i));
  for (int i = 0; i < 4; ++i) ogg[page + 22 + i] = '\0';
  uint32_t crc = OggCrc(ogg.substr(page));
  for (int i = 0; i < 4; ++i) ogg[page + 22 + i] = static_cast<char>(crc >> (8 * i));
  return ogg;
}

TEST(SoundBadInput, OggLengthFromTheLastPageIsNotTrusted) {
  std::string ogg = Fixture("vorbis_stereo.ogg");
  soundtest::Decoded whole = Decode(ogg);
  ASSERT_EQ(whole.result, 0);
  ASSERT_EQ(Decode(WithLastGranule(ogg, 6615)).pcm, whole.pcm) << "the checksum is made right";
  for (uint64_t granule :
       {uint64_t{0x7FFFFFFFFFFFFFF0}, uint64_t{0x4000000000000000}, uint64_t{1}}) {
    std::string hurt = WithLastGranule(ogg, granule);
    soundtest::OpenConverter conv(hurt);
    ASSERT_EQ(conv.result(), 0);
    int64_t size = morrow::GetConvertedSize(conv.get());
    EXPECT_TRUE(size == -1 || (size >= 0 && size < (int64_t{1} << 40))) << std::hex << granule;
    soundtest::Decoded d = Decode(hurt);
    ASSERT_EQ(d.result, 0) << std::hex << granule;
    // A claimed length of one frame does not cut the decode to one frame.
    EXPECT_GE(d.pcm.size(), whole.pcm.size() * 9 / 10) << std::hex << granule;
    size_t common = std::min(d.pcm.size(), whole.pcm.size());
    EXPECT_TRUE(d.pcm.substr(0, common) == whole.pcm.substr(0, common));
  }
}

TEST(SoundBadInput, DamagedOggPagesAreSkippedOrEnd) {
  std::string ogg = Fixture("vorbis_stereo.ogg");
  soundtest::Decoded whole = Decode(ogg);
  ASSERT_EQ(whole.result, 0);
  std::mt19937 rng(3);
  for (int round = 0; round < 20; ++round) {
    std::string hurt = ogg;
    // Audio pages only: the headers sit in the first 3.6 KB.
    for (int i = 0; i < 8; ++i)
      hurt[3700 + rng() % (hurt.size() - 3700)] ^= static_cast<char>(1 + rng() % 255);
    soundtest::Decoded d = Decode(hurt);
    if (d.result != 0) continue;
    EXPECT_EQ(d.format, whole.format);
    EXPECT_LE(d.pcm.size(), whole.pcm.size() + 8192) << round;
  }
}

}  // namespace
