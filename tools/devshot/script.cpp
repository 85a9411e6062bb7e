#include "tools/devshot/script.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <set>
#include <sstream>

#include "platform/codepage.h"

namespace devshot {
namespace {

// Argument kinds: i integer, c colour byte, r real, N a name defined here, n a defined name,
// t a target (back, front or a defined name), k the keyword of `mask`, B the base of cell names
// defined by the command, p a path, T the rest of the line as text. Everything after '?' may be
// left out.
struct CommandSpec {
  const char* word;
  Op op;
  const char* args;
};

constexpr CommandSpec kSpecs[] = {
    {"clear", Op::kClear, ""},
    {"present", Op::kPresent, ""},
    {"target", Op::kTarget, "t"},
    {"clip", Op::kClip, "iiii"},
    {"alphatest", Op::kAlphaTest, "i"},
    {"blend", Op::kBlend, "ii"},
    {"bright", Op::kBright, "iii"},
    {"key", Op::kKey, "iii"},
    {"graph", Op::kGraph, "Niiccc?c"},
    {"graph4", Op::kGraph4, "Niicccccccccccc"},
    {"paint", Op::kPaint, "niiii"},
    {"delete", Op::kDelete, "n"},
    {"draw", Op::kDraw, "iini"},
    {"part", Op::kPart, "iiiiiinii"},
    {"extend", Op::kExtend, "iiiini"},
    {"rota", Op::kRota, "iirrnii"},
    {"modi", Op::kModi, "iiiiiiiini"},
    {"fmodi", Op::kFloatModi, "rrrrrrrrni"},
    {"box", Op::kBox, "iiiiccc?i"},
    {"line", Op::kLine, "iiiiccc"},
    {"circle", Op::kCircle, "iiiccci"},
    {"load", Op::kLoad, "Np"},
    {"loaddiv", Op::kLoadDiv, "Bpiiiii"},
    {"lose", Op::kLose, ""},
    {"font", Op::kFont, "Niiii"},
    {"deffont", Op::kDefFont, "iii"},
    {"text", Op::kText, "iiccccccT"},
    {"ftext", Op::kFText, "iincccccciT"},
    {"measure", Op::kMeasure, "niT"},
    {"capture", Op::kCapture, "iiiini"},
    {"tri", Op::kTri, "iiiiiiccc"},
    {"mask", Op::kMask, "k?iiiic"},
};

// The keywords of `mask`, with the integers each takes.
struct MaskKeyword {
  const char* word;
  size_t ints;
};
constexpr MaskKeyword kMaskKeywords[] = {
    {"create", 0}, {"on", 0}, {"off", 0}, {"delete", 0}, {"fill", 5},
};

// No more cells than the graph table holds.
constexpr long kMaxCells = 30000;

// Decimal, or hexadecimal after 0x, with an optional sign; within 32 bits.
bool ParseInt(const std::string& text, long* out) {
  const char* p = text.c_str();
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  int base = 10;
  if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
    base = 16;
    p += 2;
  }
  if (*p == '\0' || *p == '+' || *p == '-' || *p == ' ') return false;
  errno = 0;
  char* end = nullptr;
  const long long v = std::strtoll(p, &end, base);
  if (errno != 0 || *end != '\0') return false;
  const long long value = negative ? -v : v;
  if (value < -2147483648LL || value > 2147483647LL) return false;
  *out = static_cast<long>(value);
  return true;
}

bool ParseReal(const std::string& text, double* out) {
  char* end = nullptr;
  *out = std::strtod(text.c_str(), &end);
  return end != text.c_str() && *end == '\0';
}

struct Word {
  std::string text;
  size_t at;  // where it starts in the line
};

// The words of a line, its comment cut first.
std::vector<Word> Words(const std::string& line) {
  const std::string text = line.substr(0, line.find('#'));
  std::vector<Word> words;
  for (size_t i = 0; i < text.size();) {
    if (std::isspace(static_cast<unsigned char>(text[i]))) {
      ++i;
      continue;
    }
    size_t end = i;
    while (end < text.size() && !std::isspace(static_cast<unsigned char>(text[end]))) ++end;
    words.push_back({text.substr(i, end - i), i});
    i = end;
  }
  return words;
}

// UTF-8 text with \xHH escapes as GBK bytes; false for a malformed escape.
bool TextArgument(const std::string& utf8, std::string* gbk) {
  std::string run;
  for (size_t i = 0; i < utf8.size(); ++i) {
    if (utf8[i] != '\\' || i + 1 >= utf8.size() || utf8[i + 1] != 'x') {
      run += utf8[i];
      continue;
    }
    if (i + 3 >= utf8.size() || !std::isxdigit(static_cast<unsigned char>(utf8[i + 2])) ||
        !std::isxdigit(static_cast<unsigned char>(utf8[i + 3]))) {
      return false;
    }
    *gbk += platform::Utf8ToGbk(run);
    run.clear();
    *gbk += static_cast<char>(std::stoi(utf8.substr(i + 2, 2), nullptr, 16));
    i += 3;
  }
  *gbk += platform::Utf8ToGbk(run);
  return true;
}

}  // namespace

bool ParseScript(const std::string& text, const std::string& label, std::vector<Command>* out,
                 std::string* error) {
  std::set<std::string> names;
  std::istringstream in(text);
  int lineNumber = 0;
  for (std::string line; std::getline(in, line);) {
    ++lineNumber;
    auto fail = [&](const std::string& message) {
      *error = label + ":" + std::to_string(lineNumber) + ": " + message;
      return false;
    };
    const std::vector<Word> split = Words(line);
    if (split.empty()) continue;
    std::vector<std::string> words;
    for (const Word& w : split) words.push_back(w.text);
    const CommandSpec* spec = nullptr;
    for (const CommandSpec& s : kSpecs) {
      if (words[0] == s.word) spec = &s;
    }
    if (spec == nullptr) return fail("unknown command '" + words[0] + "'");

    Command c;
    c.op = spec->op;
    c.word = spec->word;
    c.line = lineNumber;
    size_t next = 1;
    bool optional = false;
    for (const char* kind = spec->args; *kind != '\0'; ++kind) {
      if (*kind == '?') {
        optional = true;
        continue;
      }
      if (next >= words.size()) {
        if (optional) break;
        return fail(std::string("missing arguments for '") + spec->word + "'");
      }
      if (*kind == 'T') {
        std::string rest = line.substr(split[next].at, line.find('#') - split[next].at);
        while (!rest.empty() && std::isspace(static_cast<unsigned char>(rest.back()))) {
          rest.pop_back();
        }
        if (!TextArgument(rest, &c.text)) return fail("bad escape in '" + rest + "'");
        next = words.size();
        continue;
      }
      const std::string& w = words[next++];
      long v = 0;
      double r = 0;
      switch (*kind) {
        case 'i':
          if (!ParseInt(w, &v)) return fail("bad integer '" + w + "'");
          c.ints.push_back(v);
          break;
        case 'c':
          if (!ParseInt(w, &v) || v < 0 || v > 255) return fail("bad colour byte '" + w + "'");
          c.ints.push_back(v);
          break;
        case 'r':
          if (!ParseReal(w, &r)) return fail("bad number '" + w + "'");
          c.reals.push_back(r);
          break;
        case 'N':
          if (w == "back" || w == "front") return fail("'" + w + "' names a screen");
          names.insert(w);
          c.name = w;
          break;
        case 'n':
          if (names.count(w) == 0) return fail("undefined name '" + w + "'");
          c.name = w;
          break;
        case 'B':
          if (w == "back" || w == "front") return fail("'" + w + "' names a screen");
          c.name = w;
          break;
        case 'p':
          c.path = w;
          break;
        case 't':
          if (w != "back" && w != "front" && names.count(w) == 0) {
            return fail("undefined name '" + w + "'");
          }
          c.name = w;
          break;
        case 'k':
          c.name = w;
          break;
        default:
          break;
      }
    }
    if (next < words.size())
      return fail(std::string("too many arguments for '") + spec->word + "'");
    if (c.op == Op::kMask) {
      const MaskKeyword* keyword = nullptr;
      for (const MaskKeyword& k : kMaskKeywords) {
        if (c.name == k.word) keyword = &k;
      }
      if (keyword == nullptr) return fail("unknown mask keyword '" + c.name + "'");
      if (c.ints.size() != keyword->ints) {
        return fail("'mask " + c.name + "' takes " + std::to_string(keyword->ints) + " numbers");
      }
    }
    if (c.op == Op::kLoadDiv) {
      if (c.ints[0] > kMaxCells) return fail("too many cells '" + std::to_string(c.ints[0]) + "'");
      for (long k = 0; k < c.ints[0]; ++k) names.insert(c.name + std::to_string(k));
    }
    out->push_back(std::move(c));
  }
  return true;
}

}  // namespace devshot
