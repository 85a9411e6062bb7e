#include "tools/gfxprobe/font_ops.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "morrow/graphics/font.h"
#include "morrow/graphics/font_record.h"
#include "morrow/graphics/handle.h"
#include "platform/codepage.h"

namespace gfxprobe {
namespace {

struct Parsed {
  std::string name;
  std::string face;        // font: the face argument as written
  std::vector<long> ints;  // every number, in order
};

// The results of font: ops, in order, for delfont.
std::vector<int> g_made;

bool ParseLong(const std::string& text, long* out) {
  if (text.empty()) return false;
  errno = 0;
  char* end = nullptr;
  const long long v = std::strtoll(text.c_str(), &end, 0);
  if (errno != 0 || *end != '\0' || v < -2147483648LL || v > 2147483647LL) return false;
  *out = static_cast<long>(v);
  return true;
}

std::vector<std::string> Split(const std::string& text) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t comma; (comma = text.find(',', start)) != std::string::npos; start = comma + 1) {
    parts.push_back(text.substr(start, comma - start));
  }
  parts.push_back(text.substr(start));
  return parts;
}

bool Parse(const std::string& text, Parsed* p) {
  const size_t colon = text.find(':');
  p->name = text.substr(0, colon);
  if (colon == std::string::npos) return p->name == "refresh" || p->name == "fonts";
  std::vector<std::string> parts = Split(text.substr(colon + 1));
  size_t expected = 0;
  if (p->name == "font") {
    p->face = parts[0];
    parts.erase(parts.begin());
    if (parts.size() != 5 && parts.size() != 7) return false;
    expected = parts.size();
  } else if (p->name == "fontmany") {
    expected = 2;
  } else if (p->name == "delfont") {
    expected = 1;
  } else if (p->name == "deffont") {
    expected = 3;
  } else if (p->name == "leadbyte") {
    expected = 2;
  } else {
    return false;
  }
  if (parts.size() != expected) return false;
  for (const std::string& part : parts) {
    long v = 0;
    if (!ParseLong(part, &v)) return false;
    p->ints.push_back(v);
  }
  return p->name != "leadbyte" || (p->ints[0] >= 0 && p->ints[0] <= 255);
}

void PrintFont(const char* label, int font) {
  const morrow::FontRecord* r = morrow::GetFontRecord(font);
  if (r == nullptr) {
    std::printf("%s -1\n", label);
    return;
  }
  std::printf(
      "%s 0x%08x type=%d size=%d edge=%d cell=%d line=%d cache=%dx%d rows=%d entries=%d "
      "texture=%d\n",
      label, static_cast<uint32_t>(font), r->fontType, r->size, r->edgeSize, r->cellSize,
      r->lineHeight, r->cacheWidth, r->cacheHeight, r->rowsPerColumn, r->entryCount,
      r->textureCache);
}

}  // namespace

bool IsFontOp(const std::string& text) {
  const std::string name = text.substr(0, text.find(':'));
  return name == "font" || name == "fontmany" || name == "delfont" || name == "refresh" ||
         name == "fonts" || name == "deffont" || name == "leadbyte";
}

bool CheckFontOp(const std::string& text) {
  Parsed p;
  return Parse(text, &p);
}

void RunFontOp(const std::string& text) {
  Parsed p;
  if (!Parse(text, &p)) return;
  const std::vector<long>& v = p.ints;
  auto i = [&](size_t k) { return static_cast<int>(v[k]); };
  if (p.name == "font") {
    const std::string face = p.face == "-" ? std::string() : platform::Utf8ToGbk(p.face);
    const int font =
        morrow::CreateFontToHandle(p.face == "-" ? nullptr : face.c_str(), i(0), i(1), i(2), i(3),
                                   i(4), v.size() > 5 ? i(5) : -1, v.size() > 5 ? i(6) : -1);
    g_made.push_back(font);
    PrintFont("font", font);
  } else if (p.name == "fontmany") {
    int made = 0;
    for (long k = 0; k < v[0]; ++k) {
      if (morrow::CreateFontToHandle(nullptr, i(1), 6, 0, -1, -1, -1, -1) != -1) ++made;
    }
    std::printf("fontmany %ld made=%d\n", v[0], made);
  } else if (p.name == "delfont") {
    const int r = v[0] >= 0 && v[0] < static_cast<long>(g_made.size())
                      ? morrow::DeleteFontHandle(g_made[static_cast<size_t>(v[0])])
                      : -1;
    std::printf("delfont %ld %d\n", v[0], r);
  } else if (p.name == "refresh") {
    std::printf("refresh %d\n", morrow::RefreshAllFonts());
  } else if (p.name == "fonts") {
    // The table has no list of its own: every handle a slot can carry is asked about.
    std::printf("fonts");
    for (int slot = 0; slot < morrow::kFontLimit; ++slot) {
      for (uint32_t check = 0; check <= morrow::kMaxCheckNumber; ++check) {
        const int font = morrow::MakeHandle(morrow::kFontHandle, check, slot);
        if (morrow::IsValidFontHandle(font) != 0)
          std::printf(" 0x%08x", static_cast<uint32_t>(font));
      }
    }
    std::printf("\n");
  } else if (p.name == "deffont") {
    morrow::SetDefaultFontSize(i(0));
    morrow::SetDefaultFontThickness(i(1));
    morrow::SetDefaultFontType(i(2));
    PrintFont("deffont", morrow::GetDefaultFontHandleValue());
  } else if (p.name == "leadbyte") {
    const auto byte = static_cast<unsigned char>(v[0]);
    std::printf("leadbyte 0x%02x %d %d\n", byte, i(1),
                morrow::IsLeadByte(&byte, i(1)) != 0 ? 1 : 0);
  }
}

}  // namespace gfxprobe
