#include "platform/audio/midi_file.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/midi_writer.h"

namespace {

using namespace std::string_literals;
using testsupport::MidiFile;
using testsupport::MidiHeader;
using testsupport::MidiTrack;

bool Parse(const std::string& bytes, platform::MidiFileInfo* info = nullptr) {
  platform::MidiFileInfo scratch;
  return platform::ParseMidiFile(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(),
                                 info != nullptr ? info : &scratch);
}

MidiTrack Notes(uint32_t ticks) {
  MidiTrack t;
  t.NoteOn(0, 0, 60, 100).NoteOff(ticks, 0, 60).End();
  return t;
}

struct GoodCase {
  const char* name;
  std::string bytes;
  int tracks;
  int64_t totalTicks;
  size_t offset;
};

TEST(MusicMidiFile, AcceptsWellFormedFiles) {
  MidiTrack running;  // one status byte for three notes
  running.Raw(0, MidiTrack::Bytes({0x90, 60, 100})).Raw(10, MidiTrack::Bytes({62, 100}));
  running.Raw(10, MidiTrack::Bytes({64, 0})).End(5);
  MidiTrack sysex;
  sysex.Raw(0, "\xF0\x03\x7E\x7F\xF7"s).Raw(7, "\xF7\x01\x00"s);
  sysex.Raw(0, "\xFF\x03\x04name"s).End(1);
  MidiTrack bigDelta;  // four-byte delta
  bigDelta.End(0x0FFFFFFF);
  std::string alien = MidiHeader(1, 2, 96) + "XFIH" + std::string("\0\0\0\2ab", 6) +
                      Notes(50).Chunk() + Notes(70).Chunk();
  std::string trailing = Notes(30).body() + "junk after the end";
  std::string afterEnd = MidiHeader(0, 1, 96) + "MTrk";
  testsupport::PutBe32(&afterEnd, static_cast<uint32_t>(trailing.size()));
  afterEnd += trailing;
  std::string smf = MidiFile({Notes(192)});
  const GoodCase cases[] = {
      {"format 0", smf, 1, 192, 0},
      {"format 1, longest track", MidiFile({Notes(40), Notes(300), Notes(2)}), 3, 300, 0},
      {"format 2", MidiFile({Notes(10), Notes(20)}, 96, 2), 2, 20, 0},
      {"running status", MidiFile({running}), 1, 25, 0},
      {"sysex and meta", MidiFile({sysex}), 1, 8, 0},
      {"four-byte delta", MidiFile({bigDelta}), 1, 0x0FFFFFFF, 0},
      {"time-code division", MidiFile({Notes(5)}, 0xE728), 1, 5, 0},  // -25 fps, 40 ticks
      {"unknown chunk skipped", alien, 2, 70, 0},
      {"bytes after the end event", afterEnd, 1, 30, 0},
      {"longer header", MidiHeader(0, 1, 96, 8) + std::string("\0\0", 2) + Notes(9).Chunk(), 1, 9,
       0},
      {"RMID", testsupport::RmidFile(smf), 1, 192, 20},
      {"RMID, odd length",
       testsupport::RmidFile(MidiHeader(0, 1, 96) +
                             MidiTrack().Raw(0, "\xFF\x01\x01x"s).End().Chunk()),
       1, 0, 20},
  };
  for (const GoodCase& c : cases) {
    platform::MidiFileInfo info;
    ASSERT_TRUE(Parse(c.bytes, &info)) << c.name;
    EXPECT_EQ(info.tracks, c.tracks) << c.name;
    EXPECT_EQ(info.totalTicks, c.totalTicks) << c.name;
    EXPECT_EQ(info.offset, c.offset) << c.name;
  }
}

TEST(MusicMidiFile, RefusesDamagedFiles) {
  std::string track = Notes(192).Chunk();
  auto withTrack = [](const std::string& body) {
    MidiTrack t;
    t.Raw(0, body);
    return MidiFile({t});
  };
  const std::pair<const char*, std::string> cases[] = {
      {"empty", ""},
      {"not MIDI", "RIFF\x24\0\0\0WAVEfmt "s},
      {"header id", "MThx" + MidiHeader(0, 1, 96).substr(4) + track},
      {"header too short", MidiHeader(0, 1, 96, 5) + track},
      {"header longer than the file", MidiHeader(0, 1, 96, 0x7FFFFFFF) + track},
      {"format 3", MidiHeader(3, 1, 96) + track},
      {"no tracks", MidiHeader(0, 0, 96)},
      {"division 0", MidiHeader(0, 1, 0) + track},
      {"time code of 23 frames", MidiHeader(0, 1, 0xE928) + track},
      {"time code of no ticks", MidiHeader(0, 1, 0xE700) + track},
      {"a track missing", MidiHeader(1, 2, 96) + track},
      {"track length past the end", MidiHeader(0, 1, 96) + Notes(192).Chunk(0x7FFFFFF0)},
      {"absurd track length", MidiHeader(0, 1, 96) + Notes(192).Chunk(0xFFFFFFFF)},
      {"no end of track", withTrack(MidiTrack::Bytes({0, 0x90, 60, 100}))},
      {"delta of five bytes", withTrack("\x81\x81\x81\x81\x01\xFF\x2F\x00"s)},
      {"delta cut", withTrack("\x81")},
      {"data byte first", withTrack(MidiTrack::Bytes({0, 60, 100}) + "\x00\xFF\x2F\x00"s)},
      {"status as data", withTrack(MidiTrack::Bytes({0, 0x90, 60, 0x90}) + "\x00\xFF\x2F\x00"s)},
      {"channel message cut", withTrack(MidiTrack::Bytes({0, 0x90, 60}))},
      {"meta length past the track", withTrack("\x00\xFF\x01\x7F"
                                               "abc"s)},
      {"sysex length past the track", withTrack("\x00\xF0\x81\x00"
                                                "abc"s)},
      {"meta type cut", withTrack(std::string("\x00\xFF", 2))},
      {"meta type with its high bit", withTrack("\x00\xFF\x81\x00\x00\xFF\x2F\x00"s)},
      {"running status after meta",
       withTrack(MidiTrack::Bytes({0, 0x90, 60, 100}) + "\x00\xFF\x01\x00\x00\x3C\x00"s +
                 "\x00\xFF\x2F\x00"s)},
      {"real-time byte", withTrack("\x00\xF8\x00\xFF\x2F\x00"s)},
      {"RMID without data", "RIFF\x04\0\0\0RMID"s},
      {"RMID data past the end", "RIFF\x10\0\0\0RMIDdata\xFF\xFF\0\0MThd"s},
      {"RMID of a damaged SMF", testsupport::RmidFile(MidiHeader(0, 1, 96))},
  };
  for (const auto& [name, bytes] : cases) EXPECT_FALSE(Parse(bytes)) << name;
}

TEST(MusicMidiFile, EveryTruncationIsRefused) {
  MidiTrack a;
  a.Tempo(0, 500000).Program(0, 0, 5).NoteOn(0, 0, 60, 100).NoteOff(96, 0, 60).End();
  for (const std::string& whole :
       {MidiFile({a, Notes(100)}), testsupport::RmidFile(MidiFile({a}))}) {
    ASSERT_TRUE(Parse(whole));
    for (size_t n = 0; n < whole.size(); ++n) {
      EXPECT_FALSE(Parse(whole.substr(0, n))) << n << " of " << whole.size();
    }
  }
}

TEST(MusicMidiFile, Signature) {
  const std::pair<std::string, bool> cases[] = {
      {"MThd", true},
      {"MTh", false},
      {"RIFF\0\0\0\0RMID"s, true},
      {"RIFF\0\0\0\0WAVE"s, false},
      {"RIFF\0\0\0\0RMI"s, false},
      {"mthd", false},
  };
  for (const auto& [bytes, midi] : cases) {
    EXPECT_EQ(
        platform::HasMidiSignature(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()),
        midi)
        << bytes;
  }
  EXPECT_FALSE(platform::HasMidiSignature(nullptr, 4));
}

}  // namespace
