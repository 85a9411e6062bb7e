#include "morrow/sound/sound_decode.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/morrow/sound/sound_test_util.h"
#include "tests/support/wave_writer.h"

namespace {

using soundtest::Decode;
using soundtest::Decoded;
using soundtest::Fixture;
using soundtest::OpenConverter;
using testsupport::Chunk;
using testsupport::FormatBody;
using testsupport::PcmFormatBody;
using testsupport::PcmWave;
using testsupport::Riff;
using testsupport::Samples16;
using testsupport::ToSamples16;

std::string Ramp(int samples, int step = 37) {
  std::vector<int16_t> v(static_cast<size_t>(samples));
  for (int i = 0; i < samples; ++i) v[i] = static_cast<int16_t>((i * step) % 4000 - 2000);
  return Samples16(v);
}

// ---------------------------------------------------------------------------------------------
// Every coding against the decode of the tool that wrote it.

TEST(SoundDecode, FixturesMatchTheirReferenceDecodes) {
  enum Compare { kExact, kEightBit, kAdpcm, kMpeg };
  struct Case {
    const char* file;
    const char* ref;
    int32_t method;
    int channels, rate;
    Compare compare;
  } cases[] = {
      {"pcm16_mono.wav", "pcm16_mono.ref.raw", morrow::kSoundMethodPcm, 1, 8000, kExact},
      {"pcm8_stereo.wav", "pcm8_stereo.ref.raw", morrow::kSoundMethodPcm, 2, 11025, kEightBit},
      {"alaw_mono.wav", "alaw_mono.ref.raw", morrow::kSoundMethodAcm, 1, 8000, kExact},
      {"ulaw_stereo.wav", "ulaw_stereo.ref.raw", morrow::kSoundMethodAcm, 2, 11025, kExact},
      {"gsm_mono.wav", "gsm_mono.ref.raw", morrow::kSoundMethodAcm, 1, 8000, kExact},
      {"ima_mono.wav", "ima_mono.ref.raw", morrow::kSoundMethodAcm, 1, 8000, kAdpcm},
      {"ima_stereo.wav", "ima_stereo.ref.raw", morrow::kSoundMethodAcm, 2, 11025, kAdpcm},
      {"msadpcm_mono.wav", "msadpcm_mono.ref.raw", morrow::kSoundMethodAcm, 1, 8000, kAdpcm},
      {"msadpcm_stereo.wav", "msadpcm_stereo.ref.raw", morrow::kSoundMethodAcm, 2, 11025, kAdpcm},
      {"vorbis_stereo.ogg", "vorbis_stereo.ref.raw", morrow::kSoundMethodOgg, 2, 22050, kExact},
      {"mpeg_tags.mp3", "mpeg_tags.ref.raw", morrow::kSoundMethodAcm, 1, 22050, kMpeg},
      {"mpeg_plain.mp3", "mpeg_plain.ref.raw", morrow::kSoundMethodAcm, 2, 32000, kMpeg},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    Decoded d = Decode(Fixture(c.file));
    ASSERT_EQ(d.result, 0);
    EXPECT_EQ(d.method, c.method);
    EXPECT_EQ(d.format.channels, c.channels);
    EXPECT_EQ(d.format.samplesPerSecond, static_cast<uint32_t>(c.rate));
    EXPECT_EQ(d.format.formatTag, morrow::kWaveFormatPcm);
    std::vector<int16_t> ref = ToSamples16(Fixture(c.ref));
    ASSERT_FALSE(ref.empty());
    switch (c.compare) {
      case kExact:
        EXPECT_EQ(d.format.bitsPerSample, 16);
        EXPECT_TRUE(ToSamples16(d.pcm) == ref);
        break;
      case kEightBit: {
        ASSERT_EQ(d.format.bitsPerSample, 8);
        ASSERT_EQ(d.pcm.size(), ref.size());
        int wrong = 0;
        for (size_t i = 0; i < ref.size(); ++i) {
          wrong += ((static_cast<uint8_t>(d.pcm[i]) - 128) * 256) != ref[i];
        }
        EXPECT_EQ(wrong, 0);
        break;
      }
      case kAdpcm: {
        // Two correct decoders that round the prediction differently drift apart inside a
        // block: a little on average, a few tens at the worst sample. A wrong block layout,
        // channel order or step table is off by thousands.
        std::vector<int16_t> got = ToSamples16(d.pcm);
        ASSERT_EQ(got.size(), ref.size());
        int64_t total = 0;
        int worst = 0;
        for (size_t i = 0; i < ref.size(); ++i) {
          int diff = std::abs(got[i] - ref[i]);
          total += diff;
          worst = std::max(worst, diff);
        }
        EXPECT_LE(total, 16 * static_cast<int64_t>(ref.size()));
        EXPECT_LE(worst, 64);
        break;
      }
      case kMpeg: {
        // The reference leaves out the decoder's delay of 529 samples; the rest agrees to the
        // rounding of a fixed-point against a floating-point decoder.
        std::vector<int16_t> got = ToSamples16(d.pcm);
        size_t lag = 529 * static_cast<size_t>(c.channels);
        ASSERT_EQ(got.size(), ref.size() + lag);
        int worst = 0;
        for (size_t i = 0; i < ref.size(); ++i)
          worst = std::max(worst, std::abs(got[i + lag] - ref[i]));
        EXPECT_LE(worst, 4);
        break;
      }
    }
  }
}

// Samples wider than 16 bits and floats, as tools write them (sox: integers as
// WAVE_FORMAT_EXTENSIBLE, floats under tag 3), and the same samples under the plain tag in 16 and
// 18-byte format chunks and as WAVE_FORMAT_EXTENSIBLE. Each comes out of the coded-data path as
// 16-bit PCM at its own rate and channel count, within 1 of ffmpeg's conversion.
TEST(SoundDecode, WideAndFloatSamplesDecodeToSixteenBits) {
  struct Case {
    const char* name;
    uint16_t channels;
    uint32_t rate;
    uint16_t plainTag;
  } cases[] = {
      {"extensible_mono", 1, 8000, 1},
      {"extensible_s24_stereo", 2, 11025, 1},
      {"extensible_s32_stereo", 2, 11025, 1},
      {"float_stereo", 2, 11025, 3},
      {"double_mono", 1, 8000, 3},
  };
  auto u16 = [](const std::string& s, size_t at) {
    return static_cast<uint16_t>(static_cast<uint8_t>(s[at]) | static_cast<uint8_t>(s[at + 1])
                                                                   << 8);
  };
  for (const Case& c : cases) {
    const std::string file = Fixture(std::string(c.name) + ".wav");
    const std::vector<int16_t> ref = ToSamples16(Fixture(std::string(c.name) + ".ref.raw"));
    ASSERT_GT(file.size(), 44u) << c.name;
    ASSERT_FALSE(ref.empty()) << c.name;
    // The fixture's "fmt " chunk comes first; its samples are the "data" chunk's.
    ASSERT_EQ(file.substr(12, 4), "fmt ");
    const uint16_t align = u16(file, 32);
    const uint16_t bits = u16(file, 34);
    const size_t at = file.find("data");
    ASSERT_NE(at, std::string::npos);
    const std::string samples = file.substr(at + 8);
    std::string extension;
    for (uint16_t v : {bits, uint16_t{0}, uint16_t{0}, c.plainTag}) {
      extension += static_cast<char>(v & 0xFF);
      extension += static_cast<char>(v >> 8);
    }
    extension += std::string("\x00\x00\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71", 14);
    const std::string variants[] = {
        file,
        Riff(Chunk("fmt ", FormatBody(c.plainTag, c.channels, c.rate, align, bits)) +
             Chunk("data", samples)),
        Riff(Chunk("fmt ", FormatBody(c.plainTag, c.channels, c.rate, align, bits, 0)) +
             Chunk("data", samples)),
        Riff(Chunk("fmt ", FormatBody(0xFFFE, c.channels, c.rate, align, bits, 22) + extension) +
             Chunk("data", samples)),
    };
    for (const std::string& wave : variants) {
      SCOPED_TRACE(testing::Message() << c.name << " tag " << u16(wave, 20) << " fmt "
                                      << static_cast<int>(static_cast<uint8_t>(wave[16])));
      Decoded d = Decode(wave);
      ASSERT_EQ(d.result, 0);
      EXPECT_EQ(d.method, morrow::kSoundMethodAcm);
      EXPECT_EQ(d.format.formatTag, morrow::kWaveFormatPcm);
      EXPECT_EQ(d.format.channels, c.channels);
      EXPECT_EQ(d.format.samplesPerSecond, c.rate);
      EXPECT_EQ(d.format.bitsPerSample, 16);
      const std::vector<int16_t> got = ToSamples16(d.pcm);
      ASSERT_EQ(got.size(), ref.size());
      int worst = 0;
      for (size_t i = 0; i < ref.size(); ++i) worst = std::max(worst, std::abs(got[i] - ref[i]));
      EXPECT_LE(worst, 1);
    }
  }
}

// ---------------------------------------------------------------------------------------------
// RIFF WAVE structure

TEST(SoundDecode, ShortFormatChunkTakesBitsFromTheBlockSize) {
  struct Case {
    bool shortForm;
    uint16_t channels, align, bits;
    int wantBits;  // 0: refused
  } cases[] = {
      {true, 1, 2, 12, 16}, {true, 2, 4, 99, 16},  {true, 1, 1, 16, 8},   {true, 2, 6, 0, 24},
      {true, 1, 3, 16, 24}, {true, 2, 2, 16, 8},   {true, 1, 5, 16, 0},   {true, 2, 3, 16, 8},
      {false, 1, 2, 12, 0}, {false, 1, 2, 16, 16}, {false, 2, 999, 8, 8},
  };
  for (const Case& c : cases) {
    std::string fmt = FormatBody(1, c.channels, 8000, c.align, c.bits, c.shortForm ? -1 : 0);
    std::string wave = Riff(Chunk("fmt ", fmt) + Chunk("data", std::string(240, '\x10')));
    OpenConverter conv(wave);
    SCOPED_TRACE(testing::Message() << (c.shortForm ? 16 : 18) << "-byte fmt ch=" << c.channels
                                    << " align=" << c.align << " bits=" << c.bits);
    if (c.wantBits == 0) {
      EXPECT_EQ(conv.result(), -1);
      continue;
    }
    ASSERT_EQ(conv.result(), 0);
    morrow::WaveFormat f;
    morrow::GetConverterFormat(conv.get(), &f);
    // Samples wider than 16 bits come out of the coded-data path as 16 bits.
    const int outBits = std::min(c.wantBits, 16);
    EXPECT_EQ(conv.get()->method,
              c.wantBits > 16 ? morrow::kSoundMethodAcm : morrow::kSoundMethodPcm);
    EXPECT_EQ(f.bitsPerSample, outBits);
    EXPECT_EQ(f.extraSize, 0);
    EXPECT_EQ(f.blockAlign, c.channels * outBits / 8) << "recomputed from the bits";
    EXPECT_EQ(f.averageBytesPerSecond, 8000u * f.blockAlign);
  }
}

TEST(SoundDecode, ChunksBetweenFormatAndDataAreSkipped) {
  std::string pcm = Ramp(100);
  struct Case {
    const char* what;
    std::string chunks;
    int result;
    size_t bytes;
  } cases[] = {
      {"odd LIST padded",
       Chunk("fmt ", PcmFormatBody(1, 8000, 16)) + Chunk("LIST", "abcde") + Chunk("data", pcm), 0,
       200},
      {"two chunks",
       Chunk("fmt ", PcmFormatBody(1, 8000, 16)) + Chunk("fact", "1234") +
           Chunk("junk", std::string(33, 'j')) + Chunk("data", pcm),
       0, 200},
      {"chunk before fmt",
       Chunk("LIST", "abcd") + Chunk("fmt ", PcmFormatBody(1, 8000, 16)) + Chunk("data", pcm), -1,
       0},
      {"fmt of 14 bytes",
       Chunk("fmt ", PcmFormatBody(1, 8000, 16).substr(0, 14)) + Chunk("data", pcm), -1, 0},
      {"fmt of 70000 bytes",
       Chunk("fmt ", PcmFormatBody(1, 8000, 16) + std::string(69984, '\0')) + Chunk("data", pcm),
       -1, 0},
      {"fmt of 40 bytes",
       Chunk("fmt ", PcmFormatBody(1, 8000, 16) + std::string(24, '\0')) + Chunk("data", pcm), 0,
       200},
      {"no data chunk", Chunk("fmt ", PcmFormatBody(1, 8000, 16)) + Chunk("LIST", pcm), -1, 0},
      {"skip past the end",
       Chunk("fmt ", PcmFormatBody(1, 8000, 16)) + Chunk("junk", "", 0xFFFFFFF8) +
           Chunk("data", pcm),
       -1, 0},
      {"data past the stream",
       Chunk("fmt ", PcmFormatBody(1, 8000, 16)) + Chunk("data", pcm, 0xFFFFFFFF), 0, 200},
      {"data of 1000 with 200 present",
       Chunk("fmt ", PcmFormatBody(1, 8000, 16)) + Chunk("data", pcm, 1000), 0, 200},
      {"data shorter than the file",
       Chunk("fmt ", PcmFormatBody(1, 8000, 16)) + Chunk("data", pcm, 50), 0, 50},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    OpenConverter conv(Riff(c.chunks));
    ASSERT_EQ(conv.result(), c.result);
    if (c.result != 0) continue;
    EXPECT_EQ(conv->method, morrow::kSoundMethodPcm);
    std::string all = conv.ReadAll();
    EXPECT_EQ(all.size(), c.bytes);
    EXPECT_EQ(all, pcm.substr(0, c.bytes));
  }
}

TEST(SoundDecode, RiffHeaderMustBeExact) {
  std::string good = PcmWave(1, 8000, 16, Ramp(10));
  for (size_t at : {0u, 3u, 8u, 11u, 12u, 15u}) {
    std::string bad = good;
    bad[at] = '?';
    EXPECT_EQ(OpenConverter(bad).result(), -1) << "byte " << at;
  }
  EXPECT_EQ(OpenConverter(good).result(), 0);
}

TEST(SoundDecode, PcmLayoutLimits) {
  struct Case {
    uint16_t channels;
    uint32_t rate;
    uint16_t bits;
    int opens;  // the converter
    int loads;  // a sound handle's decode
  } cases[] = {
      {1, 8000, 16, 0, 0},    {2, 192000, 32, 0, 0}, {8, 44100, 16, 0, -1}, {3, 44100, 16, 0, -1},
      {0, 8000, 16, -1, -1},  {9, 8000, 16, -1, -1}, {1, 0, 16, -1, -1},    {1, 384001, 16, -1, -1},
      {1, 384000, 16, 0, -1}, {1, 50, 8, 0, -1},     {1, 8000, 12, -1, -1}, {1, 8000, 0, -1, -1},
  };
  for (const Case& c : cases) {
    std::string fmt = FormatBody(1, c.channels, c.rate,
                                 static_cast<uint16_t>(c.channels * c.bits / 8), c.bits, 0);
    std::string wave = Riff(Chunk("fmt ", fmt) + Chunk("data", std::string(960, '\x22')));
    SCOPED_TRACE(testing::Message() << c.channels << "ch " << c.rate << "Hz " << c.bits << "bit");
    EXPECT_EQ(OpenConverter(wave).result(), c.opens);
    soundtest::LogCapture log;
    EXPECT_EQ(Decode(wave).result, c.loads);
    EXPECT_EQ(log.Count("音声ファイルのＰＣＭへの変換に失敗しました"), c.loads != 0 ? 1 : 0);
  }
}

TEST(SoundDecode, CompressedLayoutLimits) {
  struct Case {
    uint16_t channels, align;
    uint32_t rate;
    int opens;
  } cases[] = {
      {1, 1, 8000, 0},  {2, 2, 8000, 0}, {0, 1, 8000, -1},   {9, 9, 8000, -1},
      {1, 0, 8000, -1}, {1, 1, 0, -1},   {1, 1, 384001, -1}, {1, 1, 384000, 0},
  };
  for (const Case& c : cases) {
    std::string fmt = FormatBody(6, c.channels, c.rate, c.align, 8, 0);
    std::string wave = Riff(Chunk("fmt ", fmt) + Chunk("data", std::string(64, '\x55')));
    EXPECT_EQ(OpenConverter(wave).result(), c.opens)
        << c.channels << "ch align " << c.align << " " << c.rate << "Hz";
  }
}

TEST(SoundDecode, EmptyOrPartialFramesGiveNoSound) {
  soundtest::LogCapture log;
  struct Case {
    const char* what;
    std::string wave;
  } cases[] = {
      {"empty data", PcmWave(1, 8000, 16, "")},
      {"one byte of 16-bit", PcmWave(1, 8000, 16, "x")},
      {"three bytes of stereo 16-bit", PcmWave(2, 8000, 16, "xyz")},
      {"data size 0xFFFFFFFF, nothing present",
       Riff(Chunk("fmt ", PcmFormatBody(1, 8000, 16)) + Chunk("data", "", 0xFFFFFFFF))},
      {"A-law without a byte",
       Riff(Chunk("fmt ", FormatBody(6, 1, 8000, 1, 8, 0)) + Chunk("data", ""))},
  };
  int lines = 0;
  for (const Case& c : cases) {
    EXPECT_EQ(Decode(c.wave).result, -1) << c.what;
    EXPECT_EQ(log.Count("音声ファイルのＰＣＭへの変換に失敗しました"), ++lines) << c.what;
  }
  Decoded odd = Decode(PcmWave(2, 8000, 16, "abcdefg"));
  ASSERT_EQ(odd.result, 0);
  EXPECT_EQ(odd.pcm, "abcd") << "whole frames only";
}

// ---------------------------------------------------------------------------------------------
// Reading and seeking

TEST(SoundConverter, PiecesAddUpToTheWhole) {
  const char* files[] = {"pcm16_mono.wav", "ima_stereo.wav", "vorbis_stereo.ogg", "mpeg_tags.mp3"};
  for (const char* f : files) {
    Decoded whole = Decode(Fixture(f));
    ASSERT_EQ(whole.result, 0) << f;
    OpenConverter conv(Fixture(f));
    ASSERT_EQ(conv.result(), 0) << f;
    std::string pieces;
    int sizes[] = {1, 7, 4096, 333, 2, 100000};
    for (int i = 0;; ++i) {
      std::string p = conv.Read(sizes[i % 6]);
      if (p.empty()) break;
      pieces += p;
    }
    EXPECT_TRUE(pieces == whole.pcm) << f;
    EXPECT_EQ(conv->end, 1) << f;
    EXPECT_EQ(conv.Read(10), "") << "the end stays until a seek";
  }
}

TEST(SoundConverter, SeeksLandOnTheSameBytesAsAWholeDecode) {
  struct Case {
    const char* file;
    int firstRead;
    int ms;
  } cases[] = {
      {"pcm16_mono.wav", 1000, 100},    {"pcm16_mono.wav", 100, 300},
      {"ima_stereo.wav", 5000, 50},     {"ima_stereo.wav", 100, 200},
      {"gsm_mono.wav", 3000, 20},       {"mpeg_plain.mp3", 20000, 90},
      {"mpeg_plain.mp3", 100, 250},     {"vorbis_stereo.ogg", 100, 100},
      {"vorbis_stereo.ogg", 20000, 20}, {"ulaw_stereo.wav", 0, 120},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.file << " read " << c.firstRead << " seek " << c.ms);
    Decoded whole = Decode(Fixture(c.file));
    ASSERT_EQ(whole.result, 0);
    OpenConverter conv(Fixture(c.file));
    ASSERT_EQ(conv.result(), 0);
    conv.Read(c.firstRead);
    EXPECT_EQ(morrow::SeekSoundConverter(conv.get(), c.ms), 0);
    int64_t at = int64_t{whole.format.samplesPerSecond} * c.ms / 1000 * whole.format.blockAlign;
    EXPECT_EQ(conv->outputDelivered, at);
    std::string got = conv.Read(800);
    EXPECT_TRUE(got == whole.pcm.substr(static_cast<size_t>(at), 800));
  }
}

TEST(SoundConverter, SeekOfLessThanSixteenBytesDoesNothing) {
  OpenConverter conv(PcmWave(1, 8000, 16, Ramp(1000)));
  ASSERT_EQ(conv.result(), 0);
  std::string first = conv.Read(10);
  morrow::SeekSoundConverter(conv.get(), 0);  // 0 bytes against 10 delivered
  EXPECT_EQ(conv->outputDelivered, 10);
  EXPECT_EQ(conv.Read(2), Ramp(1000).substr(10, 2));
  morrow::SeekSoundConverter(conv.get(), 1);  // 16 bytes against 12: within
  EXPECT_EQ(conv->outputDelivered, 12);
  morrow::SeekSoundConverter(conv.get(), 2);  // 32 bytes against 12: moves
  EXPECT_EQ(conv->outputDelivered, 32);
  EXPECT_EQ(conv.Read(2), Ramp(1000).substr(32, 2));
}

TEST(SoundConverter, SeekTargetsKeepSixtyFourBits) {
  // 100 s at 44.1 kHz is 4.41e9 in rate x milliseconds: past 32 bits.
  OpenConverter conv(PcmWave(1, 44100, 16, Ramp(100)));
  ASSERT_EQ(conv.result(), 0);
  morrow::SeekSoundConverter(conv.get(), 100000);
  EXPECT_EQ(conv->outputDelivered, int64_t{44100} * 100 * 2);
  EXPECT_EQ(conv.Read(10), "") << "past the data";
  morrow::SeekSoundConverter(conv.get(), 0);
  EXPECT_EQ(conv.Read(4), Ramp(100).substr(0, 4)) << "a seek clears the end";
}

TEST(SoundConverter, SizesOfTheWholeData) {
  struct Case {
    const char* file;
    bool exact;
  } cases[] = {{"pcm16_mono.wav", true},      {"alaw_mono.wav", true}, {"ima_mono.wav", false},
               {"msadpcm_stereo.wav", false}, {"gsm_mono.wav", true},  {"vorbis_stereo.ogg", true},
               {"mpeg_tags.mp3", false}};
  for (const Case& c : cases) {
    Decoded whole = Decode(Fixture(c.file));
    OpenConverter conv(Fixture(c.file));
    int64_t size = morrow::GetConvertedSize(conv.get());
    if (c.exact) {
      EXPECT_EQ(size, static_cast<int64_t>(whole.pcm.size())) << c.file;
    } else {
      EXPECT_GE(size, static_cast<int64_t>(whole.pcm.size())) << c.file << ": a bound";
      EXPECT_LE(size, 8 * static_cast<int64_t>(whole.pcm.size()) + 20000) << c.file;
    }
  }
}

TEST(SoundConverter, ConvertSoundToPcmStartsOverFromTheBeginning) {
  for (const char* f : {"pcm16_mono.wav", "ima_mono.wav", "vorbis_stereo.ogg"}) {
    Decoded whole = Decode(Fixture(f));
    OpenConverter conv(Fixture(f));
    conv.Read(3000);
    morrow::WaveFormat format;
    uint8_t* data = nullptr;
    uint32_t size = 0;
    ASSERT_EQ(morrow::ConvertSoundToPcm(conv.get(), &format, &data, &size), 0) << f;
    EXPECT_TRUE(std::string(reinterpret_cast<char*>(data), size) == whole.pcm) << f;
    EXPECT_EQ(format, whole.format);
    morrow::FreeMemory(data);
  }
}

TEST(SoundConverter, CallsOnAClosedConverter) {
  OpenConverter conv(PcmWave(1, 8000, 16, Ramp(10)));
  morrow::SoundConverter copy = *conv.get();
  copy.open = 0;
  char b[4];
  EXPECT_EQ(morrow::ReadSoundConverter(&copy, b, 4), -1);
  EXPECT_EQ(morrow::CloseSoundConverter(&copy), -1);
  EXPECT_EQ(morrow::GetConvertedSize(&copy), -1);
  EXPECT_EQ(morrow::ReadSoundConverter(conv.get(), b, 0), 0);
  EXPECT_EQ(morrow::ReadSoundConverter(conv.get(), b, -5), 0);
}

// A stream that says it holds more than it gives: the reads fall short of the size.
struct ShrunkStream {
  std::string bytes;
  size_t readable;  // reads stop here
  int64_t position = 0;
  static int64_t Tell(void* h) { return static_cast<ShrunkStream*>(h)->position; }
  static int Seek(void* h, int64_t offset, int origin) {
    auto* s = static_cast<ShrunkStream*>(h);
    int64_t base = origin == 1   ? s->position
                   : origin == 2 ? static_cast<int64_t>(s->bytes.size())
                                 : 0;
    s->position = std::clamp<int64_t>(base + offset, 0, static_cast<int64_t>(s->bytes.size()));
    return 0;
  }
  static size_t Read(void* buffer, size_t size, size_t count, void* h) {
    auto* s = static_cast<ShrunkStream*>(h);
    int64_t end = static_cast<int64_t>(s->readable);
    size_t n = s->position >= end
                   ? 0
                   : std::min<size_t>(size * count, static_cast<size_t>(end - s->position));
    std::memcpy(buffer, s->bytes.data() + s->position, n);
    s->position += static_cast<int64_t>(n);
    return n / size;
  }
  static int Eof(void* h) {
    auto* s = static_cast<ShrunkStream*>(h);
    return s->position >= static_cast<int64_t>(s->readable);
  }
  static int Ready(void*) { return 1; }
  static int Close(void*) { return 0; }
  morrow::StreamSource Source() { return {{Tell, Seek, Read, Eof, Ready, Close}, this}; }
};

TEST(SoundConverter, AShortReadEndsTheData) {
  std::string pcm = Ramp(20000);
  std::string ima = Fixture("ima_stereo.wav");
  struct Case {
    std::string file;
    size_t cut;
  } cases[] = {{PcmWave(1, 8000, 16, pcm), 44 + 3001}, {ima, 2000}};
  for (const Case& c : cases) {
    ShrunkStream s{c.file, c.cut};
    morrow::StreamSource source = s.Source();
    morrow::SoundConverter conv;
    ASSERT_EQ(morrow::OpenSoundConverter(&source, &conv), 0);
    std::vector<char> out(1 << 20);
    int total = 0;
    for (int i = 0; i < 1000; ++i) {
      int n = morrow::ReadSoundConverter(&conv, out.data() + total, 4096);
      if (n <= 0) break;
      total += n;
    }
    EXPECT_EQ(conv.end, 1) << "ended, not spinning";
    if (conv.method == morrow::kSoundMethodPcm) {
      EXPECT_EQ(total, 3001);
      EXPECT_EQ(std::string(out.data(), 3001), pcm.substr(0, 3001)) << "no stale bytes";
    } else {
      EXPECT_GT(total, 0);
      EXPECT_LT(total, 20000);
    }
    morrow::CloseSoundConverter(&conv);
  }
}

TEST(SoundConverter, ATrailingPieceShorterThanABlockEndsTheData) {
  std::string ima = Fixture("ima_mono.wav");
  Decoded whole = Decode(ima);
  ASSERT_EQ(whole.result, 0);
  // Find the data chunk and cut it to its whole blocks plus 100 bytes of the next.
  size_t data = ima.find("data");
  ASSERT_NE(data, std::string::npos);
  std::string blocks = ima.substr(data + 8, 256 * 3 + 100);
  std::string cut = Riff(Chunk("fmt ", ima.substr(20, data - 20)) + Chunk("data", blocks));
  Decoded d = Decode(cut);
  ASSERT_EQ(d.result, 0);
  EXPECT_EQ(d.pcm.size(), 3u * 505 * 2) << "three blocks of 505 samples";
  EXPECT_TRUE(d.pcm == whole.pcm.substr(0, d.pcm.size()));
}

TEST(SoundConverter, OggChainThatChangesLayoutEnds) {
  std::string stereo = Fixture("vorbis_stereo.ogg");
  Decoded alone = Decode(stereo);
  ASSERT_EQ(alone.result, 0);
  Decoded mono = Decode(Fixture("vorbis_mono.ogg"));
  ASSERT_EQ(mono.result, 0);
  EXPECT_EQ(mono.format.channels, 1);
  Decoded chained = Decode(stereo + Fixture("vorbis_mono.ogg"));
  ASSERT_EQ(chained.result, 0);
  EXPECT_TRUE(chained.pcm == alone.pcm) << "the mono link is not read as stereo";
  Decoded same = Decode(stereo + Fixture("vorbis_stereo_short.ogg"));
  ASSERT_EQ(same.result, 0);
  EXPECT_TRUE(same.pcm == alone.pcm + Fixture("vorbis_stereo_short.ref.raw"))
      << "a link of the same layout goes on";
}

// ---------------------------------------------------------------------------------------------
// Whole files and images

TEST(SoundFiles, LoadWholeFileChecksWhatItReads) {
  soundtest::LogCapture log;
  std::string path = log.dir().File("a.bin");
  testsupport::WriteFile(path, "hello sound");
  uint8_t* data = nullptr;
  uint32_t size = 0;
  ASSERT_EQ(morrow::LoadWholeFile(path.c_str(), &data, &size), 0);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(data), size), "hello sound");
  morrow::FreeMemory(data);
  std::string empty = log.dir().File("empty.bin");
  testsupport::WriteFile(empty, "");
  ASSERT_EQ(morrow::LoadWholeFile(empty.c_str(), &data, &size), 0);
  EXPECT_EQ(size, 0u);
  morrow::FreeMemory(data);
  std::string missing = log.dir().File("missing.wav");
  EXPECT_EQ(morrow::LoadWholeFile(missing.c_str(), &data, &size), -1);
  EXPECT_EQ(log.Count("右記のファイルのオープンに失敗しました：" + missing), 1);
  EXPECT_EQ(morrow::LoadWholeFile(log.dir().path().c_str(), &data, &size), -1) << "a directory";
}

TEST(SoundFiles, LoadWholeStreamKeepsTheStreamOpen) {
  std::string bytes = "0123456789";
  morrow::StreamSource s;
  ASSERT_TRUE(morrow::OpenMemoryStreamSource(bytes.data(), bytes.size(), &s));
  s.functions.seek(s.handle, 4, 0);
  uint8_t* data = nullptr;
  uint32_t size = 0;
  ASSERT_EQ(morrow::LoadWholeStream(&s, &data, &size), 0);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(data), size), bytes) << "from the start";
  morrow::FreeMemory(data);
  EXPECT_EQ(s.functions.close(s.handle), 0);
}

TEST(SoundFiles, WaveImageRoundTrips) {
  morrow::WaveFormat f;
  f.formatTag = 1;
  f.channels = 2;
  f.samplesPerSecond = 22050;
  f.blockAlign = 4;
  f.averageBytesPerSecond = 88200;
  f.bitsPerSample = 16;
  std::string pcm = Ramp(400);
  for (uint32_t formatSize : {16u, 18u}) {
    uint8_t* image = nullptr;
    uint32_t size = 0;
    ASSERT_EQ(morrow::BuildWaveImage(&image, &size, &f, formatSize,
                                     reinterpret_cast<const uint8_t*>(pcm.data()),
                                     static_cast<uint32_t>(pcm.size())),
              0);
    std::string bytes(reinterpret_cast<char*>(image), size);
    std::free(image);
    EXPECT_EQ(size, 28 + formatSize + pcm.size());
    std::string fmt = FormatBody(1, 2, 22050, 4, 16, formatSize == 18 ? 0 : -1);
    EXPECT_EQ(bytes, Riff(Chunk("fmt ", fmt) + Chunk("data", pcm)));
    Decoded d = Decode(bytes);
    ASSERT_EQ(d.result, 0);
    EXPECT_EQ(d.pcm, pcm);
    EXPECT_EQ(d.format, f);
  }
  uint8_t* image = nullptr;
  uint32_t size = 0;
  EXPECT_EQ(morrow::BuildWaveImage(&image, &size, &f, 19, nullptr, 0), -1);
  EXPECT_EQ(morrow::BuildWaveImage(&image, &size, &f, 18, nullptr, 4), -1);
}

TEST(SoundFiles, AlignToBlockRoundsDown) {
  struct Case {
    int bytes;
    uint16_t align;
    int want;
  } cases[] = {{100, 4, 100}, {103, 4, 100}, {3, 4, 0},  {65, 65, 65},
               {129, 65, 65}, {7, 1, 7},     {100, 0, 0}};
  for (const Case& c : cases) {
    morrow::WaveFormat f;
    f.blockAlign = c.align;
    EXPECT_EQ(morrow::AlignToBlock(c.bytes, &f), c.want) << c.bytes << "/" << c.align;
  }
}

}  // namespace
