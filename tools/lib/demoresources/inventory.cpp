#include "tools/lib/demoresources/inventory.h"

#include <cstdio>
#include <map>

#include "game/core/records.h"
#include "game/core/sound_entries.h"

namespace demo {

namespace {

using veyrdale::PictureGrid;

// Pictures the game names by pattern outside the tables of the loader.
constexpr PictureGrid kDigitSheets[] = {
    {"font00", 10, 10, 1, 11, 16},
    {"font00s", 10, 10, 1, 10, 13},
    {"font00b", 10, 10, 1, 15, 25},
};
constexpr PictureGrid kLoadingSign = {"loading", 1, 1, 1, 128, 24};
constexpr int kLoadingPictures = 29;  // "NLG/00.nlg" - "28.nlg", and "NLG/nl.nlg"
constexpr int kGlyphSheets = 18;      // per set, "Fnt/fnt_a0" - "fnt_a17" and fnt_b
constexpr int kGlyphSheetSize = 1010;

std::string Format(const char* pattern, const char* text) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, pattern, text);
  return buffer;
}
std::string Format(const char* pattern, int n) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, pattern, n);
  return buffer;
}

class Builder {
 public:
  // folder: "" or "NLG/" and the like; ext: ".dat" or ".nlg".
  void Add(const std::string& folder, const PictureGrid& grid, const std::string& label,
           const char* ext, bool whole, PictureStyle style, int tint = 0, int owner = -1) {
    std::string file = "Resource/" + folder + label + ext;
    if (pictures_.count(file) != 0) return;  // shared between lists: the first use stands
    DemoPicture p;
    p.file = file;
    p.gamePath = GamePath(file);
    p.label = label;
    p.grid = grid;
    p.grid.name = nullptr;  // the label names it; the tables' names outlive nothing here
    p.whole = whole;
    p.style = style;
    p.tint = tint;
    p.owner = owner;
    pictures_.emplace(file, p);
  }
  std::vector<DemoPicture> Take() {
    std::vector<DemoPicture> out;
    for (auto& [file, p] : pictures_) out.push_back(p);
    return out;
  }

 private:
  std::map<std::string, DemoPicture> pictures_;
};

bool IsScreen(const PictureGrid& g) {
  return g.cells == 1 && g.cellWidth >= veyrdale::kScreenWidth &&
         g.cellHeight >= veyrdale::kScreenHeight;
}

bool Starts(const std::string& name, const char* prefix) {
  return name.rfind(prefix, 0) == 0;
}

// Pictures of one figure per character, in CharacterId order.
bool IsPerCharacter(const std::string& name) {
  return name == "bst" || name == "c_bg" || name == "symbol" || name == "font06";
}

// The style of a picture of the menu or battle lists, by what the game draws from it.
PictureStyle StyleOf(const veyrdale::PictureGrid& g) {
  const std::string name = g.name;
  if (IsPerCharacter(name)) return PictureStyle::kByCharacter;
  if (name == "shadow") return PictureStyle::kRing;
  // The mark some effects leave on the ground is a shadow too.
  if (name == "shadow2" || name == "font06s") return PictureStyle::kShadow;
  if (name == "green" || name == "blk" || name == "star" || name == "font02s" || name == "bgs2")
    return PictureStyle::kOrnament;
  if (name == "g_o2" || name == "font07s" || name == "font08s") return PictureStyle::kClear;
  if (name == "fram") return PictureStyle::kFrame;
  if (name == "gauge1" || name == "gauge2") return PictureStyle::kBar;
  if (name == "item" || name == "card") return PictureStyle::kItem;
  // The one neutral shot of a single cell that every draw of it leaves unturned (the arena
  // object's glow on arenas 0 and 1): a drop would point nowhere it goes.
  if (name == "shot61") return PictureStyle::kGlow;
  if (Starts(name, "shot")) return PictureStyle::kShot;
  if (Starts(name, "ef") || name == "hit" || Starts(name, "grv_")) return PictureStyle::kEffect;
  if (Starts(name, "doll") || name == "gorv" || name == "quarn") return PictureStyle::kFamiliar;
  if (Starts(name, "en")) return PictureStyle::kArenaObject;
  // The continue prompt's backdrop is added over the frozen battle like a screen.
  if (IsScreen(g) || name == "cont01") return PictureStyle::kScreen;
  return PictureStyle::kCells;
}

// The one character of a set, or -1.
int OwnerOf(veyrdale::CharacterSet set) {
  for (int id = 0; id < 16; ++id) {
    if (set == (1u << id)) return id;
  }
  return -1;
}

std::vector<DemoPicture> BuildPictures() {
  using namespace veyrdale;
  Builder b;
  for (const PictureGrid& g : kMenuList) b.Add("", g, g.name, ".dat", false, StyleOf(g));
  for (const PictureGrid& g : kEndingList) {
    if (g.name == nullptr) continue;
    b.Add("", g, g.name, ".dat", false, StyleOf(g));
  }
  for (const BattlePicture& e : kBattleList) {
    b.Add("", e.grid, e.grid.name, ".dat", false, StyleOf(e.grid), 0, OwnerOf(e.characters));
  }
  const PictureGrid screen = {nullptr, 1, 1, 1, kScreenWidth, kScreenHeight};
  for (const ArenaPictures& arena : kArenaPictures) {
    for (int layer = 0; layer < 3; ++layer) {
      const char* name = arena.backgrounds[layer];
      if (name == nullptr) continue;
      b.Add("", screen, name, ".dat", true,
            layer == 0 ? PictureStyle::kScreen : PictureStyle::kLayer);
    }
    for (int i = 0; i < arena.count; ++i) {
      const ArenaPicture& p = arena.pictures[i];
      PictureStyle style = StyleOf(p.grid);
      if (p.whole) {
        style = PictureStyle::kLayer;
      } else if (style == PictureStyle::kCells) {
        style = PictureStyle::kArenaProp;
      }
      b.Add("", p.grid, p.grid.name, ".dat", p.whole, style);
    }
  }
  for (int id = 0; id < 16; ++id) {
    const CharacterSheets& s = kCharacterSheets[id];
    const char* code = CharacterCode[id];
    for (int slot = 0; slot < kColourSlots; ++slot) {
      PictureGrid first = {nullptr, s.cells, kSheetColumns, s.rows, kSheetCellSize, kSheetCellSize};
      b.Add("", first, Format("c_%s0", code) + std::to_string(slot), ".dat", false,
            PictureStyle::kSheet, slot, id);
      if (s.secondCells == 0) continue;
      PictureGrid second = {nullptr,      s.secondCells,  s.secondColumns,
                            s.secondRows, kSheetCellSize, kSheetCellSize};
      std::string label = id == kSharedSecondSheetCharacter
                              ? std::string(kSharedSecondSheet)
                              : Format("c_%s0", code) + std::to_string(slot) + "b";
      b.Add("", second, label, ".dat", false, PictureStyle::kSecondSheet, slot, id);
    }
    b.Add("", kPortraitSheet, Format(kPortraitSheet.name, code), ".dat", false,
          PictureStyle::kPortrait, 0, id);
    b.Add("", kFaceSheet, Format(kFaceSheet.name, id), ".dat", false, PictureStyle::kPanel, 0, id);
    b.Add("", kCaptionSheet, Format(kCaptionSheet.name, id), ".dat", false, PictureStyle::kCells, 0,
          id);
  }
  for (const PictureGrid& g : kDigitSheets)
    b.Add("", g, g.name, ".dat", false, PictureStyle::kDigits);
  b.Add("", kLoadingSign, kLoadingSign.name, ".dat", true, PictureStyle::kCells);
  for (int n = 0; n < kLoadingPictures; ++n) {
    b.Add("NLG/", screen, Format("%02d", n), ".nlg", true, PictureStyle::kScreen);
  }
  b.Add("NLG/", screen, "nl", ".nlg", true, PictureStyle::kScreen);
  const PictureGrid sheet = {nullptr, 1, 1, 1, kGlyphSheetSize, kGlyphSheetSize};
  for (int n = 0; n < kGlyphSheets; ++n) {
    b.Add("Fnt/", sheet, Format("fnt_a%d", n), ".dat", true, PictureStyle::kGlyphs);
    b.Add("Fnt/", sheet, Format("fnt_b%d", n), ".dat", true, PictureStyle::kGlyphs);
  }
  return b.Take();
}

std::vector<DemoScript> BuildScripts() {
  std::vector<DemoScript> out;
  auto add = [&](const std::string& name, bool finalStage) {
    out.push_back({"Resource/Srd/" + name + ".srd", finalStage});
  };
  // Main story: one per stage, the route variants of stages 7, 8 and 15-17, and the script after
  // a lost first fight. Stage 17 is the last and fills the ending's rows.
  for (int n = 0; n <= 17; ++n) add(Format("%02d", n), n == 17);
  for (int n : {7, 8, 15, 16, 17}) add(Format("%02dn", n), n == 17);
  add("02b", false);
  // Extra story: stages 0-9, and after a lost fight the next stage's "b" script; the epilogue
  // takes ex110b. Stage 9 is the last.
  for (int n = 0; n <= 9; ++n) add(Format("ex1%02d", n), n == 9);
  for (int n = 1; n <= 10; ++n) add(Format("ex1%02db", n), n == 9);
  return out;
}

}  // namespace

const std::vector<DemoPicture>& DemoPictures() {
  static const std::vector<DemoPicture> pictures = BuildPictures();
  return pictures;
}

std::vector<std::string> DemoSoundFiles() {
  std::vector<std::string> out;
  for (const char* name : veyrdale::kSoundNames)
    out.push_back(std::string("Resource/SE/") + name + ".wav");
  return out;
}

std::string MusicFile(int n) {
  return Format("Resource/Bgm/%02d.bgm", n);
}

std::string MapFile(int n) {
  return Format("Resource/Mpd/%02d.mpd", n);
}

const std::vector<DemoScript>& DemoScripts() {
  static const std::vector<DemoScript> scripts = BuildScripts();
  return scripts;
}

std::vector<std::string> DemoFiles() {
  std::vector<std::string> out;
  for (const DemoPicture& p : DemoPictures()) out.push_back(p.file);
  for (const std::string& s : DemoSoundFiles()) out.push_back(s);
  for (int n = 0; n < kMusicCount; ++n) out.push_back(MusicFile(n));
  for (int n = 0; n < kMapCount; ++n) out.push_back(MapFile(n));
  for (const DemoScript& s : DemoScripts()) out.push_back(s.file);
  return out;
}

std::string GamePath(const std::string& file) {
  std::string out = file;
  for (char& c : out) {
    if (c == '/') c = '\\';
  }
  return out;
}

}  // namespace demo
