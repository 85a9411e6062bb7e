#include "platform/audio/audio_codec.h"

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

namespace {

using platform::CodecFormat;
using platform::CodecStream;

uint32_t Le32(const std::string& s, size_t at) {
  return uint32_t{static_cast<uint8_t>(s[at])} | (uint32_t{static_cast<uint8_t>(s[at + 1])} << 8) |
         (uint32_t{static_cast<uint8_t>(s[at + 2])} << 16) |
         (uint32_t{static_cast<uint8_t>(s[at + 3])} << 24);
}
uint16_t Le16(const std::string& s, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(s[at]) |
                               (static_cast<uint8_t>(s[at + 1]) << 8));
}

// The coded format and data of a WAVE fixture, read with a parser of the test's own.
struct Coded {
  CodecFormat format;
  std::string data;
};

Coded ReadWave(const std::string& name) {
  std::string w = testsupport::ReadFile(std::string(MORROW_TEST_DATA) + "/sound/" + name);
  Coded c;
  EXPECT_GT(w.size(), 12u) << name;
  for (size_t at = 12; at + 8 <= w.size();) {
    std::string id = w.substr(at, 4);
    uint32_t size = Le32(w, at + 4);
    if (id == "fmt ") {
      c.format.formatTag = Le16(w, at + 8);
      c.format.channels = Le16(w, at + 10);
      c.format.samplesPerSecond = Le32(w, at + 12);
      c.format.averageBytesPerSecond = Le32(w, at + 16);
      c.format.blockAlign = Le16(w, at + 20);
      c.format.bitsPerSample = Le16(w, at + 22);
      if (size > 18)
        c.format.extra = std::vector<uint8_t>(w.begin() + at + 26, w.begin() + at + 8 + size);
    } else if (id == "data") {
      c.data = w.substr(at + 8, size);
    }
    at += 8 + size + (size & 1);
  }
  return c;
}

// The MPEG fixture's frames as a Layer-3 format (what the sound decoder's opener builds).
Coded ReadMpeg() {
  Coded c;
  c.data = testsupport::ReadFile(std::string(MORROW_TEST_DATA) + "/sound/mpeg_plain.mp3");
  c.format.formatTag = platform::kTagMpegLayer3;
  c.format.channels = 2;
  c.format.samplesPerSecond = 32000;
  c.format.averageBytesPerSecond = 8000;
  c.format.blockAlign = 1;
  c.format.extra.assign(12, 0);
  return c;
}

std::unique_ptr<CodecStream> OpenFor(const CodecFormat& source) {
  CodecFormat pcm;
  if (platform::SuggestPcmFormat(source, &pcm) != 0) return nullptr;
  return CodecStream::Open(source, pcm);
}

// Converts everything with the given piece sizes (source bytes offered, destination room),
// checking the contract of every call.
std::string ConvertInPieces(CodecStream* s, const Coded& c, std::mt19937* rng, uint32_t maxSource,
                            uint32_t maxDest) {
  std::string out;
  std::vector<uint8_t> dest(maxDest + c.format.channels * 2u);
  size_t at = 0;
  int idle = 0;
  uint32_t frame = c.format.channels * 2u;
  while (idle < 3) {
    // At least one whole block is offered while any is left.
    uint32_t offer = static_cast<uint32_t>(
        std::min<size_t>(c.data.size() - at, c.format.blockAlign + (*rng)() % maxSource));
    uint32_t room = frame + (*rng)() % maxDest;
    CodecStream::Header h;
    h.source = reinterpret_cast<const uint8_t*>(c.data.data()) + at;
    h.sourceLength = offer;
    h.destination = dest.data();
    h.destinationLength = room;
    EXPECT_EQ(s->Prepare(&h), 0);
    EXPECT_EQ(s->Convert(&h), 0);
    EXPECT_EQ(s->Unprepare(&h), 0);
    EXPECT_LE(h.sourceUsed, offer);
    EXPECT_LE(h.destinationUsed, room) << "never past the destination";
    EXPECT_EQ(h.destinationUsed % frame, 0u) << "whole frames";
    if (c.format.formatTag != platform::kTagMpegLayer3) {
      EXPECT_EQ(h.sourceUsed % c.format.blockAlign, 0u) << "whole blocks";
    }
    out.append(reinterpret_cast<char*>(dest.data()), h.destinationUsed);
    at += h.sourceUsed;
    bool nothing = h.sourceUsed == 0 && h.destinationUsed == 0;
    if (nothing && offer >= c.format.blockAlign) {
      ADD_FAILURE() << "no progress with a whole block and room";
      break;
    }
    idle = nothing ? idle + 1 : 0;
  }
  return out;
}

std::string ConvertWhole(CodecStream* s, const Coded& c) {
  std::vector<uint8_t> dest(s->OutputSizeFor(static_cast<uint32_t>(c.data.size())) + 4096);
  std::string out;
  size_t at = 0;
  for (int i = 0; i < 3; ++i) {  // the last call with nothing left gives up what is held
    CodecStream::Header h;
    h.source = reinterpret_cast<const uint8_t*>(c.data.data()) + at;
    h.sourceLength = static_cast<uint32_t>(c.data.size() - at);
    h.destination = dest.data();
    h.destinationLength = static_cast<uint32_t>(dest.size());
    s->Prepare(&h);
    EXPECT_EQ(s->Convert(&h), 0);
    s->Unprepare(&h);
    at += h.sourceUsed;
    out.append(reinterpret_cast<char*>(dest.data()), h.destinationUsed);
  }
  return out;
}

TEST(AudioCodec, SuggestsSixteenBitPcmForKnownTags) {
  struct Case {
    uint16_t tag, channels;
    uint32_t rate;
    uint16_t align;
    int result;
  } cases[] = {
      {0x0002, 2, 22050, 1024, 0}, {0x0011, 1, 8000, 256, 0}, {0x0006, 2, 8000, 2, 0},
      {0x0007, 1, 44100, 1, 0},    {0x0031, 1, 8000, 65, 0},  {0x0055, 2, 44100, 1, 0},
      {0x0001, 2, 44100, 4, -1},   {0x0003, 1, 8000, 4, -1},  {0xFFFE, 2, 44100, 4, -1},
      {0x0031, 2, 8000, 65, -1},   {0x0031, 1, 8000, 64, -1}, {0x0011, 0, 8000, 256, -1},
      {0x0011, 9, 8000, 256, -1},  {0x0011, 1, 0, 256, -1},   {0x0011, 1, 384001, 256, -1},
      {0x0011, 1, 8000, 0, -1},
  };
  for (const Case& c : cases) {
    CodecFormat in;
    in.formatTag = c.tag;
    in.channels = c.channels;
    in.samplesPerSecond = c.rate;
    in.blockAlign = c.align;
    CodecFormat out;
    ASSERT_EQ(platform::SuggestPcmFormat(in, &out), c.result) << std::hex << c.tag;
    if (c.result != 0) continue;
    EXPECT_EQ(out.formatTag, 1);
    EXPECT_EQ(out.channels, c.channels);
    EXPECT_EQ(out.samplesPerSecond, c.rate);
    EXPECT_EQ(out.bitsPerSample, 16);
    EXPECT_EQ(out.blockAlign, c.channels * 2);
    EXPECT_EQ(out.averageBytesPerSecond, c.rate * c.channels * 2u);
  }
}

TEST(AudioCodec, OpensOnlyTheSuggestedPair) {
  Coded c = ReadWave("ima_mono.wav");
  CodecFormat pcm;
  ASSERT_EQ(platform::SuggestPcmFormat(c.format, &pcm), 0);
  EXPECT_NE(CodecStream::Open(c.format, pcm), nullptr);
  CodecFormat other = pcm;
  other.samplesPerSecond = 44100;
  EXPECT_EQ(CodecStream::Open(c.format, other), nullptr);
  other = pcm;
  other.bitsPerSample = 8;
  EXPECT_EQ(CodecStream::Open(c.format, other), nullptr);
}

TEST(AudioCodec, ConvertNeedsAPreparedHeader) {
  Coded c = ReadWave("alaw_mono.wav");
  auto s = OpenFor(c.format);
  ASSERT_NE(s, nullptr);
  uint8_t out[64];
  CodecStream::Header h;
  h.source = reinterpret_cast<const uint8_t*>(c.data.data());
  h.sourceLength = 16;
  h.destination = out;
  h.destinationLength = sizeof out;
  EXPECT_EQ(s->Convert(&h), -1);
  EXPECT_EQ(s->Unprepare(&h), -1);
  ASSERT_EQ(s->Prepare(&h), 0);
  EXPECT_EQ(s->Prepare(&h), -1) << "prepared twice";
  EXPECT_EQ(s->Convert(&h), 0);
  EXPECT_EQ(h.sourceUsed, 16u);
  EXPECT_EQ(h.destinationUsed, 32u);
  h.destination = nullptr;
  EXPECT_EQ(s->Convert(&h), -1);
}

// Any split of the work gives the same PCM as one call, within the bound the size query gave.
TEST(AudioCodec, PiecesGiveTheSamePcmAsOneCall) {
  const char* files[] = {"alaw_mono.wav",  "ulaw_stereo.wav",  "gsm_mono.wav",       "ima_mono.wav",
                         "ima_stereo.wav", "msadpcm_mono.wav", "msadpcm_stereo.wav", nullptr};
  std::mt19937 rng(7);
  for (const char** f = files;; ++f) {
    Coded c = *f != nullptr ? ReadWave(*f) : ReadMpeg();
    std::string name = *f != nullptr ? *f : "mpeg_plain.mp3";
    auto whole = OpenFor(c.format);
    ASSERT_NE(whole, nullptr) << name;
    std::string all = ConvertWhole(whole.get(), c);
    EXPECT_GT(all.size(), c.data.size()) << name;
    EXPECT_LE(all.size(), whole->OutputSizeFor(static_cast<uint32_t>(c.data.size()))) << name;
    for (uint32_t pieces : {97u, 2000u}) {
      auto s = OpenFor(c.format);
      std::string split = ConvertInPieces(s.get(), c, &rng, pieces, pieces * 3);
      EXPECT_EQ(split.size(), all.size()) << name << " in pieces of " << pieces;
      EXPECT_TRUE(split == all) << name << " in pieces of " << pieces;
    }
    if (*f == nullptr) break;
  }
}

TEST(AudioCodec, APieceShorterThanABlockConvertsToNothing) {
  Coded c = ReadWave("ima_stereo.wav");
  auto s = OpenFor(c.format);
  std::vector<uint8_t> out(1 << 16);
  CodecStream::Header h;
  h.source = reinterpret_cast<const uint8_t*>(c.data.data());
  h.sourceLength = c.format.blockAlign - 1u;
  h.destination = out.data();
  h.destinationLength = static_cast<uint32_t>(out.size());
  s->Prepare(&h);
  EXPECT_EQ(s->Convert(&h), 0);
  EXPECT_EQ(h.sourceUsed, 0u);
  EXPECT_EQ(h.destinationUsed, 0u);
  h.sourceLength = c.format.blockAlign * 2u + 5;
  EXPECT_EQ(s->Convert(&h), 0);
  EXPECT_EQ(h.sourceUsed, c.format.blockAlign * 2u);
  EXPECT_GT(h.destinationUsed, 0u);
}

TEST(AudioCodec, DamagedDataNeverOverrunsOrStalls) {
  // Every decoder over random bytes: the contract holds and the work ends.
  Coded shapes[] = {ReadWave("ima_stereo.wav"), ReadWave("msadpcm_stereo.wav"),
                    ReadWave("gsm_mono.wav"), ReadMpeg()};
  std::mt19937 rng(11);
  for (Coded& c : shapes) {
    for (char& b : c.data) b = static_cast<char>(rng());
    auto s = OpenFor(c.format);
    ASSERT_NE(s, nullptr);
    ConvertInPieces(s.get(), c, &rng, 3000, 5000);
  }
}

}  // namespace
