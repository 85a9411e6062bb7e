// The real font back end: FreeType renders the glyphs of a face that fontconfig finds (or of the
// one file MORROW_FONT names). Glyphs are hinted for the form asked for and rendered without
// anti-aliasing for the 1-bit form; weights of 600 and above are emboldened synthetically.
// FreeType never opens the font file itself: it is opened here, without waiting and a regular file
// only, and FreeType reads it through a stream over that descriptor.
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include <unistd.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>

#include "platform/codepage.h"
#include "platform/font.h"
#include "platform/font_backends.h"
#include "platform/input_file.h"

namespace platform {
namespace {

constexpr const char* kDefaultFamily = "WenQuanYi Micro Hei Mono";
// Requests are kept to sizes FreeType takes; the library refuses anything near this anyway.
constexpr int64_t kMaxRequestPixels = 4096;

// One FreeType instance for every font, released with the last of them.
class Library {
 public:
  static std::shared_ptr<Library> Get() {
    static std::mutex mutex;
    static std::weak_ptr<Library> shared;
    std::lock_guard<std::mutex> lock(mutex);
    std::shared_ptr<Library> lib = shared.lock();
    if (lib != nullptr) return lib;
    FT_Library handle = nullptr;
    if (FT_Init_FreeType(&handle) != 0) return nullptr;
    lib = std::shared_ptr<Library>(new Library(handle));
    shared = lib;
    return lib;
  }
  ~Library() { FT_Done_FreeType(handle_); }
  FT_Library handle() const { return handle_; }

 private:
  explicit Library(FT_Library handle) : handle_(handle) {}
  FT_Library handle_;
};

const char* LanguageOf(int charset) {
  switch (charset) {
    case kCharsetHangul:
      return "ko";
    case kCharsetShiftJis:
      return "ja";
    default:
      return "zh-cn";
  }
}

// The file and face index fontconfig matches for the request; false when nothing matches.
bool MatchFile(const FontRequest& request, std::string* file, int* index) {
  static std::mutex mutex;
  std::lock_guard<std::mutex> lock(mutex);
  static bool initialised = false;
  if (!initialised) {
    if (!FcInit()) return false;
    // fontconfig keeps a little of its set-up until it is finished; the process's end does it.
    std::atexit(FcFini);
    initialised = true;
  }
  const std::string family = request.face.empty() ? kDefaultFamily : GbkToUtf8(request.face);
  FcPattern* pattern = FcPatternCreate();
  if (pattern == nullptr) return false;
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcLangSet* langs = FcLangSetCreate();
  if (langs != nullptr) {
    FcLangSetAdd(langs, reinterpret_cast<const FcChar8*>(LanguageOf(request.charset)));
    FcPatternAddLangSet(pattern, FC_LANG, langs);
    FcLangSetDestroy(langs);
  }
  FcPatternAddInteger(pattern, FC_SPACING, FC_MONO);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  FcPatternDestroy(pattern);
  if (match == nullptr) return false;
  FcChar8* path = nullptr;
  int faceIndex = 0;
  const bool found = FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch;
  if (found) {
    *file = reinterpret_cast<const char*>(path);
    if (FcPatternGetInteger(match, FC_INDEX, 0, &faceIndex) != FcResultMatch) faceIndex = 0;
    *index = faceIndex;
  }
  FcPatternDestroy(match);
  return found;
}

// A font file as FreeType reads it: a stream over our descriptor, read where FreeType asks. A
// stream rather than the bytes in memory: a face reads only the tables and glyphs it uses, so a
// collection of many megabytes (the CJK font has 5) costs no copy for each of the fonts the game
// makes of it, a file of any size is never read whole, and a file cut while in use gives a short
// read where a mapping of it would fault.
class FontFile {
 public:
  FontFile(const FontFile&) = delete;
  FontFile& operator=(const FontFile&) = delete;
  ~FontFile() { close(fd_); }

  // The file at `path`; null, after a line for anything but a missing file, when it is not a
  // regular file that opens.
  static std::unique_ptr<FontFile> Open(const std::string& path) {
    InputFile file;
    if (!file.Open(path)) {
      SayRefusedUnlessMissing(file, "font", path);
      return nullptr;
    }
    return std::unique_ptr<FontFile>(new FontFile(file.Size(), file.Release()));
  }

  FT_Stream stream() { return &stream_; }

 private:
  FontFile(uint64_t size, int fd) : fd_(fd) {
    stream_.size = static_cast<unsigned long>(size);
    stream_.descriptor.value = fd;
    stream_.read = Read;
    stream_.close = nullptr;  // the descriptor is the file's, closed with it after the face
  }

  // FreeType's read: `count` bytes at `offset`, or with no count a seek, 0 when it may go there.
  static unsigned long Read(FT_Stream stream, unsigned long offset, unsigned char* buffer,
                            unsigned long count) {
    if (count == 0) return offset <= stream->size ? 0 : 1;
    const int fd = static_cast<int>(stream->descriptor.value);
    unsigned long done = 0;
    while (done < count) {
      const ssize_t n = pread(fd, buffer + done, count - done, static_cast<off_t>(offset + done));
      if (n > 0) {
        done += static_cast<unsigned long>(n);
      } else if (n == 0 || errno != EINTR) {
        break;
      }
    }
    return done;
  }

  FT_StreamRec stream_{};
  int fd_;
};

class FreeTypeFont : public Font {
 public:
  FreeTypeFont(std::shared_ptr<Library> lib, std::unique_ptr<FontFile> file, FT_Face face,
               bool bold)
      : lib_(std::move(lib)), file_(std::move(file)), face_(face), bold_(bold) {
    const FT_Size_Metrics& sm = face_->size->metrics;
    const int32_t ascent = static_cast<int32_t>((sm.ascender + 63) >> 6);
    const int32_t descent = static_cast<int32_t>((-sm.descender + 63) >> 6);
    metrics_.ascent = ascent;
    metrics_.height = ascent + std::max(descent, 0);
    // Emboldening widens every glyph by its strength; the widest cell must still hold it.
    const int64_t extra = bold_ ? (EmboldenStrength() + 63) >> 6 : 0;
    metrics_.maxCharWidth = static_cast<int32_t>(((sm.max_advance + 63) >> 6) + extra);
  }
  ~FreeTypeFont() override { FT_Done_Face(face_); }

  FontMetrics Metrics() const override { return metrics_; }

  void TextExtent(const char* text, int32_t* width, int32_t* height) override {
    *width = 0;
    *height = metrics_.height;
    if (LoadGlyph(CharacterCode(text), GlyphFormat::kMono1)) {
      *width = static_cast<int32_t>((face_->glyph->advance.x + 32) >> 6);
    }
  }

  int64_t GlyphOutline(uint32_t code, GlyphFormat format, GlyphMetrics* metrics, uint8_t* buffer,
                       size_t bufferSize) override {
    *metrics = GlyphMetrics{};
    if (!LoadGlyph(code, format)) return -1;
    FT_GlyphSlot slot = face_->glyph;
    const bool mono = format == GlyphFormat::kMono1;
    if (FT_Render_Glyph(slot, mono ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) != 0) return -1;
    const FT_Bitmap& bm = slot->bitmap;
    metrics->cellIncX = static_cast<int32_t>((slot->advance.x + 32) >> 6);
    metrics->originX = slot->bitmap_left;
    metrics->originY = slot->bitmap_top;
    if (bm.width == 0 || bm.rows == 0) return 0;
    metrics->blackBoxWidth = static_cast<int32_t>(bm.width);
    metrics->blackBoxHeight = static_cast<int32_t>(bm.rows);
    const int64_t pitch = GlyphPitch(format, bm.width);
    const int64_t size = pitch * bm.rows;
    if (buffer == nullptr) return size;
    if (bufferSize < static_cast<size_t>(size)) return -1;
    std::memset(buffer, 0, static_cast<size_t>(size));
    for (unsigned j = 0; j < bm.rows; ++j) {
      const uint8_t* src = bm.buffer + static_cast<int64_t>(j) * bm.pitch;
      uint8_t* dst = buffer + j * pitch;
      if (mono) {
        std::memcpy(dst, src, (bm.width + 7) / 8);
        continue;
      }
      // Coverage 0..255 (whatever the bitmap's grey count) to the 17 levels.
      const unsigned greys = bm.num_grays > 1 ? bm.num_grays - 1 : 255;
      for (unsigned i = 0; i < bm.width; ++i) {
        const unsigned coverage = src[i] * 255u / greys;
        dst[i] = static_cast<uint8_t>((coverage * 16 + 127) / 255);
      }
    }
    return size;
  }

 private:
  FT_Pos EmboldenStrength() const {
    return FT_MulFix(face_->units_per_EM, face_->size->metrics.y_scale) / 24;
  }

  bool LoadGlyph(uint32_t code, GlyphFormat format) {
    char32_t unicode = 0;
    // A code that is no character takes the missing glyph (index 0).
    const FT_UInt index = GbkCodeToUnicode(code, &unicode) ? FT_Get_Char_Index(face_, unicode) : 0;
    const FT_Int32 target =
        format == GlyphFormat::kMono1 ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL;
    if (FT_Load_Glyph(face_, index, FT_LOAD_NO_BITMAP | target) != 0) return false;
    if (bold_ && face_->glyph->format == FT_GLYPH_FORMAT_OUTLINE) {
      FT_GlyphSlot_Embolden(face_->glyph);
    }
    return true;
  }

  std::shared_ptr<Library> lib_;
  std::unique_ptr<FontFile> file_;  // outlives the face, which reads through it
  FT_Face face_;
  bool bold_;
  FontMetrics metrics_;
};

}  // namespace

std::unique_ptr<Font> CreateFreeTypeFont(const FontRequest& request, const std::string* path) {
  std::string file;
  int index = 0;
  if (path != nullptr) {
    file = *path;
  } else if (!MatchFile(request, &file, &index)) {
    return nullptr;
  }
  std::shared_ptr<Library> lib = Library::Get();
  if (lib == nullptr) return nullptr;
  std::unique_ptr<FontFile> opened = FontFile::Open(file);
  if (opened == nullptr) return nullptr;
  FT_Open_Args args{};
  args.flags = FT_OPEN_STREAM;
  args.stream = opened->stream();
  FT_Face face = nullptr;
  if (FT_Open_Face(lib->handle(), &args, index, &face) != 0) return nullptr;
  int64_t pixels = request.height == 0 ? 16 : std::abs(static_cast<int64_t>(request.height));
  pixels = std::min(pixels, kMaxRequestPixels);
  FT_Size_RequestRec size{};
  size.type = request.height >= 0 ? FT_SIZE_REQUEST_TYPE_CELL : FT_SIZE_REQUEST_TYPE_NOMINAL;
  size.width = 0;
  size.height = static_cast<FT_Long>(pixels * 64);
  if (FT_Request_Size(face, &size) != 0) {
    FT_Done_Face(face);
    return nullptr;
  }
  return std::make_unique<FreeTypeFont>(std::move(lib), std::move(opened), face,
                                        request.weight >= 600);
}

}  // namespace platform
