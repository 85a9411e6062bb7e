#include "tools/lib/demoresources/words.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <initializer_list>
#include <vector>

#include "platform/codepage.h"
#include "tools/lib/demoresources/glyphs.h"
#include "tools/lib/demoresources/palette.h"

namespace demo {

namespace {

constexpr InkStyle kWordStyle = {{236, 236, 236}, {0, 0, 0}, 1};
// From this em on the edge is two pixels wide.
constexpr int kWideEdgeSize = 36;
constexpr int kSmallestSize = 6;
// The em the first measure is taken at.
constexpr int kMeasureSize = 32;

struct Words {
  const char* text;
  int width = 0;  // of the box, when the cells of one picture differ
};

struct WordPicture {
  const char* label;
  WordPlace place;
  std::vector<Words> cells;
};

constexpr WordPlace Centred(int maxSize) {
  return {0, 0, 0, 0, Align::kCentre, maxSize};
}
constexpr WordPlace Left(int maxSize) {
  return {2, 0, 0, 0, Align::kLeft, maxSize};
}

// Menu labels stand in the lower half of their cell, on the highlight bar the menus draw there,
// and keep left of the caption that follows them: their box is the label's width.
constexpr WordPlace kLabel = {4, 27, 0, 23, Align::kLeft, 22};

const std::vector<WordPicture>& Pictures() {
  static const std::vector<WordPicture> pictures = {
      // Headers (0-3, 9, 14), then the labels of the mode menu (4-8), the title (10-13; 11 and
      // 12 also head the records and the options) and the story kinds (15-17).
      {"font01",
       kLabel,
       {{"Game mode", 232},
        {"Players", 232},
        {"Teams", 232},
        {"Arena", 232},
        {"Story", 150},
        {"Versus", 150},
        {"Team versus", 150},
        {"Survival", 150},
        {"Back", 80},
        {"Results", 150},
        {"Play", 150},
        {"Records", 150},
        {"Options", 80},
        {"Quit", 80},
        {"Story", 232},
        {"Main story", 184},
        {"Extra story", 238},
        {"Third story", 150}}},
      // Result rows: the statistics tables and the survival panels.
      {"font02",
       Left(14),
       {{"Score"},
        {"Rounds won"},
        {"Hit %"},
        {"Knock-outs"},
        {"Destroyed %"},
        {"Damage"},
        {"Stage"},
        {"Breaks"}}},
      // Descriptions of the title's, the mode menu's and the story kinds' items.
      {"font03",
       Left(12),
       {{"Story, versus or survival"},
        {"Best scores and survival records"},
        {"Difficulty, rounds, sound and keys"},
        {"Close the game"},
        {"Fight through the story and its dialogue"},
        {"Two to four players, each on their own"},
        {"Two to four players in two teams"},
        {"One player, round after round"},
        {"Back to the menu before"},
        {"The story from its start"},
        {"Opens after the main story"},
        {"A third story this game does not hold"}}},
      // Captions: of the mode menu's items (0-4), the result pages (5), the title's items (6-9)
      // and the story kinds (10-12); the headers of the menus those items open show them too.
      // The selection heads versus and survival alike with cell 1 (1 + the team mode), so cell 1
      // says what is true of both. The story menu's third entry (17 of font01, 11 of font03, 12
      // here) is a story kind the game shows and never opens.
      {"font04",
       Left(15),
       {{"Story mode"},
        {"On your own"},
        {"Two teams"},
        {"Survival run"},
        {"Previous menu"},
        {"Statistics"},
        {"Choose a mode"},
        {"High scores"},
        {"Settings"},
        {"Leave the game"},
        {"Main story"},
        {"Extra story"},
        {"Not in this game"}}},
      {"font05",
       {4, 0, 0, 0, Align::kLeft, 12},
       {{"Left/right: character    Up/down: colour    Button 1 (Z): decide    Button 2 (X): back   "
         " "
         "Hold button 3 (C): random    Button 4 (A): settings"}}},
      {"font07", Centred(13), {{"Number of players"}}},
      // The teams as the rings and badges mark them.
      {"font08", Centred(22), {{"Team\n1"}, {"Team\n2"}}},
      {"font09", Left(22), {{"Score"}}},
      {"font11", Left(12), {{"Start gauge"}, {"Handicap"}}},
      {"font12", Left(18), {{"Player settings"}}},
      {"font15", Centred(24), {{"New record!"}}},
      {"numt", Centred(44), {{"2"}, {"3"}, {"4"}}},
      {"p_num", Centred(12), {{"1P"}, {"2P"}, {"3P"}, {"4P"}, {"CPU"}}},
      {"wait", Centred(22), {{"Press button 1 (Z)\nto join"}}},
      {"push", Centred(13), {{"Press button 1 (Z)"}}},
      {"kak", Centred(40), {{"WINNER"}, {"RESULT"}, {"ALL CLEAR"}}},
      {"c_logo", Centred(28), {{"Placeholder art"}}},
      {"c_logo2", Centred(10), {{"by make-demo-resources"}}},
      {"logo00", Centred(72), {{"VEYRDALE"}}},
      {"g_o", Centred(40), {{"GAME OVER"}}},
      {"loading", Centred(20), {{"Now loading"}}},
      {"stf01", Centred(24), {{"Credits\npart 1 of 4"}}},
      {"stf02", Centred(24), {{"Credits\npart 2 of 4"}}},
      {"stf03", Centred(24), {{"Credits\npart 3 of 4"}}},
      {"stf04", Centred(24), {{"Credits\npart 4 of 4"}}},
      // The round's slogans and, over the round-end banner, the word that ends it.
      {"ready01", Centred(20), {{"GET READY"}, {"BEGIN!"}, {"FINISH"}}},
      // The round's title, a word a cell: "ROUND n", "FINAL ROUND" (10, 11), "SURVIVAL ROUND"
      // (18-21), and the closing word (14-17).
      {"ready02", Centred(40), {{"ROUND"},    {"1"},     {"2"}, {"3"}, {"4"},     {"5"},
                                {"6"},        {"7"},     {"8"}, {"9"}, {"FINAL"}, {"ROUND"},
                                {""},         {""},      {"D"}, {"U"}, {"E"},     {"L"},
                                {"SURVIVAL"}, {"ROUND"}, {""},  {""}}},
      // The round-end banner: its middle stays clear for the word that ends the round.
      {"ready03", {0, 4, 0, 44, Align::kCentre, 40}, {{"ROUND OVER"}}},
      // The first round's title, by the arena's presentation.
      {"ready04",
       Centred(22),
       {{"FREE FOR ALL"}, {"ONE ON ONE"}, {"TEAM BATTLE"}, {"SPECIAL BATTLE"}, {"STORY BATTLE"}}},
      // The special declaration's seven plates.
      {"font10", Centred(48), {{"S"}, {"P"}, {"E"}, {"C"}, {"I"}, {"A"}, {"L"}}},
      {"font13", Centred(12), {{"Character 5, card B"}}},
      {"font14", Centred(56), {{"SPECIAL DECLARATION"}}},
      {"font01s", Left(12), {{"Bonus"}}},
      {"font03s", Left(11), {{"Score"}}},
      {"font04s", Left(14), {{"Survival round"}}},
      {"font05s",
       Centred(14),
       {{"0"}, {"1"}, {"2"}, {"3"}, {"4"}, {"5"}, {"6"}, {"7"}, {"8"}, {"9"}}},
      {"cont02", Centred(18), {{"Continue?"}}},
      {"cont03", Centred(20), {{"Continue"}, {"Give up"}}},
  };
  return pictures;
}

std::string Character(int id) {
  return "Character " + std::to_string(id);
}

// The number after a picture's name: "fonts07" -> 7; -1 when the label is not name + digits.
int Numbered(const std::string& label, const char* name) {
  const std::string prefix = name;
  if (label.size() <= prefix.size() || label.compare(0, prefix.size(), prefix) != 0) return -1;
  for (size_t i = prefix.size(); i < label.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(label[i]))) return -1;
  }
  return std::atoi(label.c_str() + prefix.size());
}

// Pictures of one cell per character or arena, and each character's card names.
bool NumberedWords(const std::string& label, int cell, std::string* words, WordPlace* place) {
  if (label == "name") {
    // Centred on x 80 and 544 in the selection, whose screen edges cut 48 and 32 pixels off.
    *place = {48, 0, 168, 0, Align::kCentre, 28};
    *words = Character(cell);
  } else if (label == "names") {
    *place = Left(12);
    *words = Character(cell);
  } else if (label == "mapt") {
    *place = Centred(32);
    *words = "Arena " + std::to_string(cell);
  } else if (int id = Numbered(label, "fonts"); id >= 0) {
    static const char* const kCards[] = {"card A", "card B", "special card", "card A, part 2"};
    if (cell >= 4) return false;
    *place = Left(14);
    *words = Character(id) + " " + kCards[cell];
  } else {
    return false;
  }
  return true;
}

// The em at which the text's ink fits in w x h, and that ink; an empty ink when nothing fits.
Ink FittedInk(const std::string& gbk, int w, int h, bool centreLines, int maxSize, int* size) {
  const Ink measure = TextInk(gbk, kMeasureSize, centreLines);
  if (measure.empty()) return {};
  auto room = [&](int s) { return s >= kWideEdgeSize ? 2 * 2 : 2 * 1; };
  const double scale = std::min(static_cast<double>(w - room(kMeasureSize)) / measure.width,
                                static_cast<double>(h - room(kMeasureSize)) / measure.height);
  for (int s = std::clamp(static_cast<int>(kMeasureSize * scale) + 1, 1, maxSize);
       s >= kSmallestSize; --s) {
    Ink ink = TextInk(gbk, s, centreLines);
    if (ink.width + room(s) <= w && ink.height + room(s) <= h) {
      *size = s;
      return ink;
    }
  }
  return {};
}

// Without a font: the canvas's own letters, as large as fits, line by line.
void DrawPlainWords(Canvas* canvas, int x, int y, int w, int h, std::string_view text, Align align,
                    const Rgb* plate) {
  std::vector<std::string_view> lines;
  for (size_t start = 0;;) {
    const size_t end = text.find('\n', start);
    lines.push_back(text.substr(start, end == std::string_view::npos ? end : end - start));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  int widest = 0;
  for (std::string_view line : lines) widest = std::max(widest, Canvas::TextWidth(line, 1));
  const int rows = static_cast<int>(lines.size());
  int scale = 1;
  while ((widest * (scale + 1)) + 2 <= w && (rows * 6 * (scale + 1)) + 2 <= h) ++scale;
  int top = y + std::max((h - (rows * 6 - 1) * scale) / 2, 1);
  for (std::string_view line : lines) {
    const int width = Canvas::TextWidth(line, scale);
    const int left = align == Align::kLeft ? x + 1 : x + std::max((w - width) / 2, 1);
    if (plate != nullptr) {
      canvas->Text(left, top, line, scale, InkOn(*plate));
    } else {
      canvas->EdgedText(left, top, line, scale, kWordStyle.colour, kWordStyle.edge);
    }
    top += 6 * scale;
  }
}

}  // namespace

bool CellWords(const std::string& label, int cell, std::string* words, WordPlace* place) {
  if (NumberedWords(label, cell, words, place)) return true;
  for (const WordPicture& p : Pictures()) {
    if (label != p.label) continue;
    if (cell < 0 || cell >= static_cast<int>(p.cells.size())) return false;
    *words = p.cells[static_cast<size_t>(cell)].text;
    *place = p.place;
    if (p.cells[static_cast<size_t>(cell)].width > 0) {
      place->width = p.cells[static_cast<size_t>(cell)].width;
    }
    return true;
  }
  return false;
}

void DrawWords(Canvas* canvas, int x, int y, int w, int h, std::string_view utf8, Align align,
               int maxSize, const Rgb* plate) {
  if (utf8.empty() || w <= 2 || h <= 2) return;
  if (!HaveCjkFont()) {
    DrawPlainWords(canvas, x, y, w, h, utf8, align, plate);
    return;
  }
  const bool centred = align == Align::kCentre;
  int size = 0;
  Ink ink = FittedInk(platform::Utf8ToGbk(utf8), w, h, centred, maxSize, &size);
  if (ink.empty()) return;
  InkStyle style = kWordStyle;
  style.ring = size >= kWideEdgeSize ? 2 : 1;
  if (plate != nullptr) {
    // A stroke that covers half a pixel takes the whole ink: at a name plate's size few pixels
    // are wholly covered, and the words would stand dimmer than their ink. Fainter rims blend
    // into the plate.
    for (uint8_t& level : ink.level) level = static_cast<uint8_t>(std::min(16, level * 2));
    style = {InkOn(*plate), *plate, 0};
  }
  const int left = centred ? x + (w - ink.width) / 2 : x + style.ring;
  PaintInk(canvas, left, y + (h - ink.height) / 2, ink, style, x, y, w, h);
}

bool DrawCellWords(Canvas* canvas, const DemoPicture& picture, int cell, int x, int y, int w, int h,
                   const Rgb* plate) {
  std::string words;
  WordPlace place;
  if (!CellWords(picture.label, cell, &words, &place)) return false;
  const bool onPlate = plate != nullptr && !words.empty();
  canvas->Fill(x, y, w, h, onPlate ? *plate : kGreen);
  const int left = std::min(place.left, w), top = std::min(place.top, h);
  const int width = place.width > 0 ? std::min(place.width, w - left) : w - left;
  const int height = place.height > 0 ? std::min(place.height, h - top) : h - top;
  DrawWords(canvas, x + left, y + top, width, height, words, place.align, place.maxSize,
            onPlate ? plate : nullptr);
  return true;
}

}  // namespace demo
