#include "platform/png_file.h"

#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "platform/input_file.h"
#include "platform/output_file.h"

namespace platform {
namespace {

// libpng reports errors by longjmp: nothing between setjmp and the end of these functions owns
// a C++ object, and libpng's own messages are collected instead of printed.
void CollectError(png_structp png, png_const_charp message) {
  auto* text = static_cast<char*>(png_get_error_ptr(png));
  if (text != nullptr) std::snprintf(text, 200, "%s", message);
  png_longjmp(png, 1);
}
void IgnoreWarning(png_structp, png_const_charp) {}

// The bytes go through OutputFile::Write, so a failed write stops the picture at once and its
// message is the system's reason (a full disk, a file too large), not libpng's bare "Write Error".
void WriteData(png_structp png, png_bytep data, size_t size) {
  if (!static_cast<OutputFile*>(png_get_io_ptr(png))->Write(data, size)) {
    png_error(png, std::strerror(errno));
  }
}
// Appends to a string; a failed allocation stops the picture as a failed write would (the jump
// leaves no exception in flight).
void AppendData(png_structp png, png_bytep data, size_t size) {
  bool grown = true;
  try {
    static_cast<std::string*>(png_get_io_ptr(png))
        ->append(reinterpret_cast<const char*>(data), size);
  } catch (const std::bad_alloc&) {
    grown = false;
  }
  if (!grown) png_error(png, "out of memory");
}
// The output is flushed once, by its commit.
void FlushNothing(png_structp) {}

// The one routine that compresses a picture, whatever takes its bytes: `put` gets them with `sink`
// as libpng's io pointer, so a file and a string hold the same bytes.
bool Encode(png_voidp sink, png_rw_ptr put, int32_t width, int32_t height, const uint8_t* rgb,
            const PngCompression& compression, char* message) {
  png_structp png =
      png_create_write_struct(PNG_LIBPNG_VER_STRING, message, CollectError, IgnoreWarning);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_set_write_fn(png, sink, put, FlushNothing);
  if (compression.level >= 0) png_set_compression_level(png, compression.level);
  if (!compression.rowFilters) png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int32_t y = 0; y < height; ++y) {
    png_write_row(png, rgb + static_cast<size_t>(y) * static_cast<size_t>(width) * 3);
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

// What a read holds while libpng may jump out of it; kept in memory the caller owns, so its
// values are still right after the jump.
struct ReadState {
  png_bytep* rows = nullptr;
  uint8_t* pixels = nullptr;  // std::malloc; handed to the caller on success
  png_uint_32 width = 0, height = 0;
};

bool ReadFile(FILE* file, ReadState* st, char* message) {
  png_structp png =
      png_create_read_struct(PNG_LIBPNG_VER_STRING, message, CollectError, IgnoreWarning);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    std::free(st->rows);
    st->rows = nullptr;
    std::free(st->pixels);
    st->pixels = nullptr;
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_init_io(png, file);
  png_set_user_limits(png, 1u << 20, 1u << 20);
  png_read_info(png, info);
  png_uint_32 w = png_get_image_width(png, info), h = png_get_image_height(png, info);
  if (uint64_t{w} * h > (uint64_t{1} << 28)) {
    std::snprintf(message, 200, "picture too large");
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_strip_alpha(png);
  png_set_gray_to_rgb(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != size_t{w} * 3) {
    std::snprintf(message, 200, "unexpected row layout");
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  st->pixels = static_cast<uint8_t*>(std::malloc(size_t{w} * h * 3));
  st->rows = static_cast<png_bytep*>(std::malloc(sizeof(png_bytep) * h));
  if (st->pixels == nullptr || st->rows == nullptr) png_error(png, "out of memory");
  for (png_uint_32 y = 0; y < h; ++y) st->rows[y] = st->pixels + size_t{y} * w * 3;
  png_read_image(png, st->rows);
  png_read_end(png, nullptr);
  std::free(st->rows);
  st->rows = nullptr;
  st->width = w;
  st->height = h;
  png_destroy_read_struct(&png, &info, nullptr);
  return true;
}

}  // namespace

bool WritePngRgb(const std::string& path, int32_t width, int32_t height, const uint8_t* rgb,
                 std::string* error, const PngCompression& compression) {
  if (width < 1 || height < 1 || rgb == nullptr) {
    if (error != nullptr) *error = path + ": empty picture";
    return false;
  }
  OutputFile out;
  if (!out.Open(path, error)) return false;
  char message[200] = "the PNG could not be written";
  if (!Encode(&out, WriteData, width, height, rgb, compression, message)) {
    out.Abandon();
    if (error != nullptr) *error = path + ": " + message;
    return false;
  }
  return out.Commit(error);
}

bool EncodePngRgb(int32_t width, int32_t height, const uint8_t* rgb, std::string* bytes,
                  std::string* error, const PngCompression& compression) {
  bytes->clear();
  if (width < 1 || height < 1 || rgb == nullptr) {
    if (error != nullptr) *error = "empty picture";
    return false;
  }
  char message[200] = "the PNG could not be made";
  if (!Encode(bytes, AppendData, width, height, rgb, compression, message)) {
    bytes->clear();
    if (error != nullptr) *error = message;
    return false;
  }
  return true;
}

namespace {

// The picture of an opened PNG stream, which it closes.
bool ReadOpenedPng(FILE* f, int32_t* width, int32_t* height, std::vector<uint8_t>* rgb,
                   std::string* error) {
  char message[200] = "not a PNG file";
  ReadState st;
  bool ok = ReadFile(f, &st, message);
  std::fclose(f);
  if (!ok) {
    if (error != nullptr) *error = message;
    return false;
  }
  rgb->assign(st.pixels, st.pixels + size_t{st.width} * st.height * 3);
  std::free(st.pixels);
  *width = static_cast<int32_t>(st.width);
  *height = static_cast<int32_t>(st.height);
  return true;
}

}  // namespace

bool ReadPngRgb(const std::string& path, int32_t* width, int32_t* height, std::vector<uint8_t>* rgb,
                std::string* error) {
  // Opened without waiting, and a regular file only: a named pipe or a device is no picture.
  InputFile file;
  FILE* f = file.Open(path) ? file.ReleaseStream() : nullptr;
  if (f == nullptr) {
    if (error != nullptr) *error = file.Reason();
    return false;
  }
  return ReadOpenedPng(f, width, height, rgb, error);
}

bool DecodePngRgb(const std::string& bytes, int32_t* width, int32_t* height,
                  std::vector<uint8_t>* rgb, std::string* error) {
  // No stream opens on no bytes, and they are no PNG either.
  FILE* f = bytes.empty() ? nullptr : fmemopen(const_cast<char*>(bytes.data()), bytes.size(), "rb");
  if (f == nullptr) {
    if (error != nullptr) *error = bytes.empty() ? "not a PNG file" : std::strerror(errno);
    return false;
  }
  return ReadOpenedPng(f, width, height, rgb, error);
}

}  // namespace platform
