#include "tools/lib/demoresources/content.h"

#include <algorithm>
#include <cstdio>
#include <set>
#include <utility>

#include "game/battle/battle.h"
#include "game/core/records.h"
#include "platform/codepage.h"
#include "tools/lib/demoresources/glyphs.h"
#include "tools/lib/demoresources/labels.h"
#include "tools/lib/demoresources/looks.h"
#include "tools/lib/demoresources/palette.h"
#include "tools/lib/demoresources/story_entries.h"
#include "tools/lib/demoresources/words.h"

namespace demo {

namespace {

// Box colours: none is near pure green, so no content pixel can turn transparent, even after
// conversion to a 16-bit screen.
constexpr Rgb kPalette[] = {
    {200, 64, 64},   {224, 144, 48},  {200, 192, 64},  {64, 144, 224},
    {128, 96, 224},  {208, 80, 176},  {96, 192, 208},  {168, 112, 72},
    {224, 224, 224}, {112, 112, 136}, {248, 128, 128}, {88, 136, 104},
};
constexpr int kPaletteSize = static_cast<int>(sizeof kPalette / sizeof kPalette[0]);
constexpr Rgb kWhite = {255, 255, 255};
constexpr Rgb kBlack = {0, 0, 0};

Rgb Darker(Rgb c) {
  return {static_cast<uint8_t>(c.r / 3), static_cast<uint8_t>(c.g / 3),
          static_cast<uint8_t>(c.b / 3 + 16)};
}

void DrawCell(Canvas* c, int x, int y, int w, int h, Rgb fill, int index, const std::string& name) {
  if (w < 3 || h < 3) {
    c->Fill(x, y, w, h, fill);
    return;
  }
  c->Fill(x + 1, y + 1, w - 2, h - 2, fill);
  c->Outline(x, y, w, h, Darker(fill));
  for (const LabelLine& line : FallbackLabel(w, h, index, name))
    c->Text(x + line.x, y + line.y, line.text, line.scale, InkOn(fill));
}

void DrawCells(Canvas* c, const DemoPicture& p) {
  Rgb fill = kPalette[(NameHash(p.label) + static_cast<uint32_t>(p.tint) * 5u) % kPaletteSize];
  ForEachCell(p, [&](int i, int x, int y, int w, int h) {
    Rgb plate;
    const bool onPlate = PlateColour(p, i, &plate);
    if (DrawCellWords(c, p, i, x, y, w, h, onPlate ? &plate : nullptr)) return;
    DrawCell(c, x, y, w, h, onPlate ? plate : fill, i, p.label);
  });
}

void DrawDigits(Canvas* c, const DemoPicture& p) {
  const veyrdale::PictureGrid& g = p.grid;
  for (int i = 0; i < g.cells; ++i) {
    std::string digit(1, static_cast<char>('0' + i % 10));
    int s = 1;
    while (3 * (s + 1) + 2 <= g.cellWidth && 5 * (s + 1) + 2 <= g.cellHeight) ++s;
    int x = (i % g.columns) * g.cellWidth + (g.cellWidth - 3 * s) / 2;
    int y = (i / g.columns) * g.cellHeight + (g.cellHeight - 5 * s) / 2;
    c->EdgedText(x, y, digit, s, kWhite, kBlack);
  }
}

void Le16(std::string* s, uint32_t v) {
  s->push_back(static_cast<char>(v & 0xFF));
  s->push_back(static_cast<char>((v >> 8) & 0xFF));
}
void Le32(std::string* s, uint32_t v) {
  Le16(s, v & 0xFFFF);
  Le16(s, v >> 16);
}
void Be16(std::string* s, uint32_t v) {
  s->push_back(static_cast<char>((v >> 8) & 0xFF));
  s->push_back(static_cast<char>(v & 0xFF));
}
void Be32(std::string* s, uint32_t v) {
  Be16(s, v >> 16);
  Be16(s, v & 0xFFFF);
}
// A MIDI variable-length quantity.
void Vlq(std::string* s, uint32_t v) {
  char bytes[5];
  int n = 0;
  bytes[n++] = static_cast<char>(v & 0x7F);
  while ((v >>= 7) != 0) bytes[n++] = static_cast<char>(0x80 | (v & 0x7F));
  while (n > 0) s->push_back(bytes[--n]);
}

// Appends `frames` samples of a triangle wave of the given frequency (in hundredths of a hertz),
// 5 ms of attack and a linear fade: integers only, the same on every machine.
void AppendTone(std::string* pcm, uint64_t hundredthsOfHertz, uint32_t frames) {
  const uint32_t step = static_cast<uint32_t>(hundredthsOfHertz * 65536u / (100u * kSoundRate));
  const uint32_t attack = kSoundRate / 200;
  uint32_t phase = 0;  // 16.16
  for (uint32_t i = 0; i < frames; ++i) {
    int32_t p = static_cast<int32_t>(phase & 0xFFFF);         // 0..65535 over one period
    int32_t tri = p < 32768 ? p * 2 - 32768 : 98303 - p * 2;  // -32768..32767
    int32_t envelope = i < attack ? static_cast<int32_t>(i * 256 / attack)
                                  : static_cast<int32_t>((frames - i) * 256 / (frames - attack));
    int32_t sample = tri / 4 * envelope / 256;
    Le16(pcm, static_cast<uint16_t>(static_cast<int16_t>(sample)));
    phase += step;
  }
}

// 16-bit mono PCM at kSoundRate as a RIFF WAVE file.
std::string Wave(const std::string& pcm) {
  std::string wav = "RIFF";
  Le32(&wav, static_cast<uint32_t>(4 + 8 + 16 + 8 + pcm.size()));
  wav += "WAVEfmt ";
  Le32(&wav, 16);
  Le16(&wav, 1);  // PCM
  Le16(&wav, 1);  // mono
  Le32(&wav, kSoundRate);
  Le32(&wav, kSoundRate * 2);
  Le16(&wav, 2);
  Le16(&wav, 16);
  wav += "data";
  Le32(&wav, static_cast<uint32_t>(pcm.size()));
  return wav + pcm;
}

// Tune n: a pentatonic run of sixteen eighth notes from a base note of its own.
constexpr int kTuneNotes = 16;
int TuneNote(int n, int i) {
  static constexpr int kScale[] = {0, 2, 4, 7, 9, 12, 14, 16};
  return 48 + n % 12 + kScale[(i * (n + 3) + n) % 8];
}

// The pitch of a MIDI note: the octave from middle C upward, in hundredths of a hertz.
uint64_t NoteHundredthsOfHertz(int note) {
  static constexpr uint64_t kOctave[] = {26163, 27718, 29366, 31113, 32963, 34923,
                                         36999, 39200, 41530, 44000, 46616, 49388};
  const int octave = note / 12 - 5;
  const uint64_t f = kOctave[note % 12];
  return octave >= 0 ? f << octave : f >> -octave;
}

// ASCII as full-width characters (U+FF01 - U+FF5E), in UTF-8.
std::string FullWidth(const std::string& ascii) {
  std::string out;
  for (char ch : ascii) {
    unsigned cp = 0xFF01 + static_cast<unsigned>(ch - '!');
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
  return out;
}

// The speakers of a script's two pages, as speaker commands: ">1" with portrait A, then ">2" with
// B, where its stage loads those sheets (ScriptPortraits); otherwise others it loads (P first), so
// that every page shows its speaker. The story's end shows no portraits: its speakers only colour
// its text.
std::pair<std::string, std::string> SpeakerCommands(const std::string& file) {
  int first = 1, second = 2;
  const auto loaded = ScriptPortraits().find(file);
  if (loaded != ScriptPortraits().end() && !loaded->second.empty()) {
    const std::set<int>& sheets = loaded->second;
    auto pick = [&](int want, int besides) {
      if (sheets.count(want) != 0) return want;
      for (int p : sheets) {
        if (p != besides) return p;
      }
      return *sheets.begin();
    };
    first = pick(first, -1);
    second = pick(second, first);
  }
  return {std::string(">1") + PortraitLetter(first) + "0\n",
          std::string(">2") + PortraitLetter(second) + "1\n"};
}

}  // namespace

Canvas DrawPicture(const DemoPicture& p) {
  Canvas c(veyrdale::GridWidth(p.grid), veyrdale::GridHeight(p.grid), kGreen);
  switch (p.style) {
    case PictureStyle::kCells:
      DrawCells(&c, p);
      break;
    case PictureStyle::kScreen:
      DrawQuietScreen(&c, p);
      break;
    case PictureStyle::kLayer:
      DrawArenaLayer(&c, p);
      break;
    case PictureStyle::kDigits:
      DrawDigits(&c, p);
      break;
    case PictureStyle::kGlyphs:
      DrawGlyphSheet(&c, std::atoi(p.label.c_str() + 5));  // "fnt_a17" -> 17
      break;
    case PictureStyle::kFrame:
      DrawFrame(&c, p);
      break;
    case PictureStyle::kSheet:
    case PictureStyle::kSecondSheet:
      DrawSheet(&c, p);
      break;
    case PictureStyle::kPortrait:
      DrawPortrait(&c, p);
      break;
    case PictureStyle::kPanel:
      DrawPanel(&c, p);
      break;
    case PictureStyle::kByCharacter:
      DrawByCharacter(&c, p);
      break;
    case PictureStyle::kShot:
      DrawShot(&c, p);
      break;
    case PictureStyle::kGlow:
      DrawGlow(&c, p);
      break;
    case PictureStyle::kEffect:
      DrawEffect(&c, p);
      break;
    case PictureStyle::kRing:
      DrawRing(&c, p);
      break;
    case PictureStyle::kShadow:
      DrawShadow(&c, p);
      break;
    case PictureStyle::kItem:
      DrawItem(&c, p);
      break;
    case PictureStyle::kFamiliar:
      DrawFamiliar(&c, p);
      break;
    case PictureStyle::kArenaObject:
      DrawArenaObject(&c, p);
      break;
    case PictureStyle::kArenaProp:
      DrawArenaProp(&c, p);
      break;
    case PictureStyle::kBar:
      DrawBar(&c, p);
      break;
    case PictureStyle::kOrnament:
      DrawOrnament(&c, p);
      break;
    case PictureStyle::kClear:
      break;
  }
  return c;
}

std::string MakeSound(int index) {
  int ms = 50 + (index * 37) % 101;
  uint32_t frames = static_cast<uint32_t>(kSoundRate * ms / 1000);
  std::string pcm;
  AppendTone(&pcm, (220 + static_cast<uint32_t>(index) * 20) * 100, frames);
  return Wave(pcm);
}

std::string MakeMusic(int n) {
  constexpr int kTicks = 96;  // per quarter note
  if (n == kWaveMusic) {
    // The same tune as the MIDI files would play, as tones: an eighth note is 1/4 second.
    std::string pcm;
    for (int i = 0; i < kTuneNotes; ++i)
      AppendTone(&pcm, NoteHundredthsOfHertz(TuneNote(n, i)), kSoundRate / 4);
    return Wave(pcm);
  }
  // Sixteen eighth notes at 120 beats a minute: four seconds.
  std::string track;
  Vlq(&track, 0);
  track += "\xFF\x51\x03";  // tempo: 500000 us a quarter note
  track.push_back(static_cast<char>(0x07));
  track.push_back(static_cast<char>(0xA1));
  track.push_back(static_cast<char>(0x20));
  Vlq(&track, 0);
  track.push_back(static_cast<char>(0xC0));
  track.push_back(static_cast<char>((n * 5) % 128));
  for (int i = 0; i < kTuneNotes; ++i) {
    int note = TuneNote(n, i);
    Vlq(&track, 0);
    track.push_back(static_cast<char>(0x90));
    track.push_back(static_cast<char>(note));
    track.push_back(static_cast<char>(80 + (i % 4) * 10));
    Vlq(&track, kTicks / 2);
    track.push_back(static_cast<char>(0x80));
    track.push_back(static_cast<char>(note));
    track.push_back(0);
  }
  Vlq(&track, 0);
  track += std::string("\xFF\x2F\x00", 3);
  std::string smf = "MThd";
  Be32(&smf, 6);
  Be16(&smf, 0);  // type 0
  Be16(&smf, 1);  // one track
  Be16(&smf, kTicks);
  smf += "MTrk";
  Be32(&smf, static_cast<uint32_t>(track.size()));
  return smf + track;
}

std::vector<StartPoint> StartPoints() {
  using namespace veyrdale;
  std::set<std::pair<int, int>> seen;
  auto defaults = [] {
    for (int p = 0; p < kPlayerCount; ++p) {
      g_players[p].x = static_cast<float>(96 + 448 * (p % 2));
      g_players[p].y = static_cast<float>(96 + 346 * (p / 2));
    }
  };
  auto collect = [&] {
    for (const BattleObject& player : g_players) {
      seen.emplace(static_cast<int>(player.x), static_cast<int>(player.y));
    }
  };
  uint8_t savedA = RouteFlagA, savedB = RouteFlagB, savedC = RouteFlagC;
  defaults();
  collect();
  for (int routes = 0; routes < 8; ++routes) {
    RouteFlagA = routes & 1;
    RouteFlagB = (routes >> 1) & 1;
    RouteFlagC = (routes >> 2) & 1;
    for (int kind = 0; kind < 2; ++kind) {
      for (int stage = 0; stage < 20; ++stage) {
        defaults();
        SetStoryStartPositions(stage, kind);
        collect();
      }
    }
  }
  RouteFlagA = savedA;
  RouteFlagB = savedB;
  RouteFlagC = savedC;
  std::vector<StartPoint> out;
  for (auto [x, y] : seen) out.push_back({x, y});
  return out;
}

std::string MakeMap(int n) {
  // Blocks stand on a diagonal lattice that shifts with the map, and keep clear of a 32-pixel
  // margin around the box a player stands in (32 x 32 from y, centred on x) at every start.
  std::vector<StartPoint> starts = StartPoints();
  auto clear = [&](int col, int row) {
    int left = col * 32, top = row * 32;
    for (const StartPoint& s : starts) {
      int bx0 = s.x - 16 - 32, bx1 = s.x + 16 + 32;  // exclusive right edge
      int by0 = s.y - 32, by1 = s.y + 32 + 32;
      if (left < bx1 && left + 32 > bx0 && top < by1 && top + 32 > by0) return false;
    }
    return true;
  };
  uint8_t cells[kMapColumns][kMapRows] = {};
  int placed = 0;
  for (int col = 1; col < kMapColumns - 1; ++col) {
    for (int row = 1; row < kMapRows - 1; ++row) {
      if ((col + 2 * row + n) % 5 != 0 || !clear(col, row)) continue;
      int value;
      if (n == 11) {
        // The arena that marks two places by values 3 and 2: exactly one of each.
        value = placed == 0 ? 3 : (placed == 1 ? 2 : 1);
      } else {
        value = 1 + (placed + n) % 3;
      }
      cells[col][row] = static_cast<uint8_t>(value);
      ++placed;
    }
  }
  std::string out;
  Le16(&out, kMapColumns);
  Le16(&out, kMapRows);
  for (int col = 0; col < kMapColumns; ++col) {
    for (int row = 0; row < kMapRows; ++row) out.push_back(static_cast<char>(cells[col][row]));
  }
  return out;
}

std::string MakeScript(const DemoScript& script) {
  std::string name = script.file.substr(script.file.rfind('/') + 1);
  // Rows of at most 24 characters, three rows to a page; "~" ends a row, "\" right after the last
  // character ends the page.
  const auto [firstSpeaker, secondSpeaker] = SpeakerCommands(script.file);
  std::string text = "# demo script " + name + "\n";
  text += firstSpeaker;
  text += "演示脚本　" + FullWidth(name) + "~\n";
  text += "这是工具生成的占位对话。~\n";
  text += "按下按钮阅读下一页。\\\n";
  // The players the stage's set-up leaves absent enter before the fight, one "!" page each, while
  // the page before stays shown.
  const auto entrants = ScriptEntrants().find(script.file);
  if (entrants != ScriptEntrants().end()) {
    for (int p : entrants->second) text += "!" + std::to_string(p + 1) + "\n";
  }
  // A stage the loader starts dark shows its first page in the dark; the second turns the lights
  // on with a flash, so that the fighters who came in stand lit before the fight.
  const bool dark = ScriptsToLight().count(script.file) != 0;
  if (dark) text += "S7\n";
  text += secondSpeaker;
  text += "第二页：" + FullWidth(name) + "~\n";
  if (dark) text += "灯光亮起。~\n";
  // The end mark right after the last page, so that the next turn ends the script rather than
  // showing an empty page.
  text += "对话到此结束。\\_\n";
  return platform::Utf8ToGbk(text);
}

}  // namespace demo
