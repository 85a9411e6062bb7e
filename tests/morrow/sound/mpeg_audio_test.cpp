#include "morrow/sound/mpeg_audio.h"

#include <string>

#include <gtest/gtest.h>

#include "tests/morrow/sound/sound_test_util.h"

namespace {

using soundtest::Decode;
using soundtest::Fixture;
using soundtest::OpenConverter;

TEST(MpegAudio, HeaderFields) {
  struct Case {
    uint8_t b1, b2, b3;
    bool valid;
    bool mpeg1;
    int layer, kbps, rate, padding, channels, length, block;
  } cases[] = {
      // MPEG-1 layer III 128 kbit/s 44.1 kHz stereo, then padded and mono.
      {0xFB, 0x90, 0x00, true, true, 2, 128, 44100, 0, 2, 417, 4},
      {0xFB, 0x92, 0xC0, true, true, 2, 128, 44100, 1, 1, 418, 5},
      // MPEG-1 layer III 320 kbit/s 48 kHz, 32 kbit/s 32 kHz.
      {0xFB, 0xE4, 0x40, true, true, 2, 320, 48000, 0, 2, 960, 4},
      {0xFB, 0x18, 0x00, true, true, 2, 32, 32000, 0, 2, 144, 4},
      // MPEG-2 layer III 8 kbit/s 24 kHz, 64 kbit/s 22.05 kHz.
      {0xF3, 0x14, 0xC0, true, false, 2, 8, 24000, 0, 1, 24, 4},
      {0xF3, 0x80, 0x00, true, false, 2, 64, 22050, 0, 2, 208, 4},
      // MPEG-1 layer I 384 kbit/s 44.1 kHz, layer II 192 kbit/s 48 kHz.
      {0xFF, 0xC0, 0x00, true, true, 0, 384, 44100, 0, 2, 4 * 104, 4},
      {0xFD, 0xA4, 0x00, true, true, 1, 192, 48000, 0, 2, 576, 4},
      // Reserved layer, reserved rate, bitrate 15, free format.
      {0xF9, 0x90, 0x00, false, false, 0, 0, 0, 0, 0, 0, 0},
      {0xFB, 0x9C, 0x00, false, false, 0, 0, 0, 0, 0, 0, 0},
      {0xFB, 0xF0, 0x00, false, false, 0, 0, 0, 0, 0, 0, 0},
      {0xFB, 0x00, 0x00, false, false, 0, 0, 0, 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    const uint8_t b[4] = {0xFF, c.b1, c.b2, c.b3};
    morrow::MpegFrameHeader h;
    SCOPED_TRACE(testing::Message()
                 << std::hex << int{c.b1} << " " << int{c.b2} << " " << int{c.b3});
    ASSERT_EQ(morrow::ParseMpegHeader(b, &h), c.valid);
    if (!c.valid) continue;
    EXPECT_EQ(h.mpeg1, c.mpeg1);
    EXPECT_EQ(h.layer, c.layer);
    EXPECT_EQ(h.bitrateKbps, c.kbps);
    EXPECT_EQ(h.samplesPerSecond, c.rate);
    EXPECT_EQ(h.padding, c.padding);
    EXPECT_EQ(h.channels, c.channels);
    EXPECT_EQ(morrow::MpegFrameLength(h), c.length);
    EXPECT_EQ(morrow::MpegBlockSize(h), c.block);
  }
  EXPECT_TRUE(morrow::IsMpegSync(0xFF, 0xF0));
  EXPECT_FALSE(morrow::IsMpegSync(0xFF, 0xE0));
  EXPECT_FALSE(morrow::IsMpegSync(0xFE, 0xFB));
}

TEST(MpegAudio, Id3v2HeadSizes) {
  struct Case {
    std::string head;
    uint64_t size;
  } cases[] = {
      {std::string("ID3\x03\x00\x00\x00\x00\x02\x01", 10), 257 + 10},
      {std::string("ID3\x04\x00\x10\x00\x00\x00\x05", 10), 5 + 20},
      {std::string("ID3\x03\x00\x10\x00\x00\x00\x05", 10), 5 + 10},
      {std::string("ID3\x04\x00\x00\x7f\x7f\x7f\x7f", 10), 0x0FFFFFFFu + 10},
      {std::string("ID2\x03\x00\x00\x00\x00\x02\x01", 10), 0},
      {std::string("\xff\xfb\x90\x00\x00\x00\x00\x00\x00\x00", 10), 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(morrow::Id3v2HeadSize(reinterpret_cast<const uint8_t*>(c.head.data())), c.size);
  }
}

// A run of valid MPEG-1 layer III frames (128 kbit/s, 44.1 kHz, 417 bytes each, silent).
std::string Frames(int n) {
  std::string frame(417, '\0');
  frame[0] = '\xFF';
  frame[1] = '\xFB';
  frame[2] = '\x90';
  frame[3] = '\x00';
  std::string all;
  for (int i = 0; i < n; ++i) all += frame;
  return all;
}

std::string Id3v2(uint32_t size, char fill = 'x') {
  std::string h("ID3\x03\x00\x00", 6);
  for (int shift : {21, 14, 7, 0}) h.push_back(static_cast<char>((size >> shift) & 0x7F));
  return h + std::string(size, fill);
}

std::string Id3v1() {
  return "TAG" + std::string(125, ' ');
}

TEST(MpegAudio, TagsAreLeftOutOfTheData) {
  struct Case {
    const char* what;
    std::string file;
    int result;
    int64_t dataPosition, dataSize;
  } cases[] = {
      {"plain frames", Frames(10), 0, 0, 4170},
      {"ID3v2 head", Id3v2(300) + Frames(10), 0, 310, 4170},
      {"ID3v1 tail", Frames(10) + Id3v1(), 0, 0, 4170},
      {"both", Id3v2(64) + Frames(10) + Id3v1(), 0, 74, 4170},
      {"junk between head and frames", Id3v2(64) + "junk" + Frames(10) + Id3v1(), 0, 78, 4170},
      // A sync with a reserved bitrate inside the head is never looked at.
      {"false sync in the head", Id3v2(20, '\xFF') + Frames(4), 0, 30, 4 * 417},
      {"head larger than the file", Id3v2(3000).substr(0, 100) + Frames(2), -1, 0, 0},
      {"head is the whole file", Id3v2(300), -1, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    OpenConverter conv(c.file);
    ASSERT_EQ(conv.result(), c.result);
    if (c.result != 0) continue;
    EXPECT_EQ(conv->method, morrow::kSoundMethodAcm);
    EXPECT_EQ(conv->dataPosition, c.dataPosition);
    EXPECT_EQ(conv->dataSize, c.dataSize);
    EXPECT_EQ(conv->outputFormat.channels, 2);
    EXPECT_EQ(conv->outputFormat.samplesPerSecond, 44100u);
  }
}

TEST(MpegAudio, ReservedFieldsAnywhereRefuseTheFile) {
  struct Case {
    const char* what;
    uint8_t b1, b2;
  } cases[] = {{"bitrate 15", 0xFB, 0xF0},
               {"free format", 0xFB, 0x00},
               {"rate 3", 0xFB, 0x9C},
               {"layer 0", 0xF9, 0x90}};
  for (const Case& c : cases) {
    std::string file = Frames(5);
    // The fourth frame is bad: the walk reaches it by stepping over the first three.
    file[3 * 417 + 1] = static_cast<char>(c.b1);
    file[3 * 417 + 2] = static_cast<char>(c.b2);
    EXPECT_EQ(OpenConverter(file).result(), -1) << c.what;
  }
}

TEST(MpegAudio, TaggedFileDecodesAndSeeks) {
  std::string mp3 = Fixture("mpeg_tags.mp3");
  ASSERT_EQ(mp3.substr(0, 3), "ID3");
  ASSERT_EQ(mp3.substr(mp3.size() - 128, 3), "TAG");
  auto d = Decode(mp3);
  ASSERT_EQ(d.result, 0);
  EXPECT_EQ(d.format.channels, 1);
  EXPECT_EQ(d.format.samplesPerSecond, 22050u);
  EXPECT_EQ(d.format.bitsPerSample, 16);
  OpenConverter conv(mp3);
  ASSERT_EQ(conv.result(), 0);
  EXPECT_EQ(
      conv->dataPosition,
      static_cast<int64_t>(morrow::Id3v2HeadSize(reinterpret_cast<const uint8_t*>(mp3.data()))));
  EXPECT_EQ(conv->dataPosition + conv->dataSize, static_cast<int64_t>(mp3.size()) - 128);
  for (int ms : {300, 40, 0, 500}) {
    morrow::SeekSoundConverter(conv.get(), ms);
    size_t at = static_cast<size_t>(22050 * ms / 1000 * 2);
    EXPECT_TRUE(conv.Read(500) == d.pcm.substr(at, 500)) << ms << " ms";
  }
}

}  // namespace
