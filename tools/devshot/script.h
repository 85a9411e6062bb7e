// devshot scripts: one drawing command per line, checked as a whole before anything runs.
//
// A line holds a command and its arguments separated by blanks; '#' starts a comment. Integers
// are decimal or 0x hexadecimal, reals (scale, angle, float corners) anything strtod reads,
// nan and inf included. Colours are R G B bytes. Graphs are named by the script: `graph`,
// `graph4` and `load` define a name, `loaddiv NAME PATH ALL ...` the names NAME0 to NAME<ALL-1>
// of its cells, and a deleted graph's name keeps its stale handle. Paths are single words. `font`
// defines a name too, for a font. A text argument is the rest of the line (after the comment is
// cut, without its trailing blanks) in UTF-8, converted to GBK; \xHH writes the byte HH, so a '#'
// is written \x23. `mask` takes a keyword: create, on, off, delete, or fill X1 Y1 X2 Y2 V.
#pragma once

#include <string>
#include <vector>

namespace devshot {

enum class Op {
  kClear,
  kPresent,
  kTarget,
  kClip,
  kAlphaTest,
  kBlend,
  kBright,
  kKey,
  kGraph,
  kGraph4,
  kPaint,
  kDelete,
  kDraw,
  kPart,
  kExtend,
  kRota,
  kModi,
  kFloatModi,
  kBox,
  kLine,
  kCircle,
  kLoad,
  kLoadDiv,
  kLose,
  kFont,
  kDefFont,
  kText,
  kFText,
  kMeasure,
  kCapture,
  kTri,
  kMask,
};

struct Command {
  Op op;
  std::string word;  // the command as written, for the "-1" lines
  int line = 0;
  std::string name;        // the graph the command names or defines; target: "back", "front"; mask:
                           // its keyword
  std::string path;        // load and loaddiv: the picture file
  std::vector<long> ints;  // integers and colour bytes, in the order written
  std::vector<double> reals;  // scale and angle, or the eight float corners
  std::string text;           // text, ftext and measure: GBK bytes
};

struct BuiltinScript {
  const char* name;
  const char* text;
};
extern const BuiltinScript kBuiltinScripts[];
extern const int kBuiltinScriptCount;

// Checks every line of text. On the first error, false with "LABEL:LINE: message" in error.
bool ParseScript(const std::string& text, const std::string& label, std::vector<Command>* out,
                 std::string* error);

}  // namespace devshot
