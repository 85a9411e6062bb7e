// PNG loader over the system's PNG library. The library reports fatal errors through our error
// function, which jumps back into LoadPngImage; that function therefore holds no object with a
// destructor, and what it must release after a jump lives in one heap block whose pointer never
// changes after setjmp.
#include <png.h>

#include <cstdlib>
#include <cstring>

#include "morrow/graphics/image_loader.h"
#include "morrow/graphics/image_loader_internal.h"
#include "morrow/system/log.h"

namespace morrow {
namespace {

using namespace image_internal;

// The largest ancillary chunk the library may buffer (text, profiles and the like).
constexpr png_alloc_size_t kMaxChunkBytes = 8u << 20;

struct PngJob {
  png_structp png;
  png_infop info;
  StreamSource* stream;
  int64_t left;  // bytes before the end measured at set-up
  uint8_t* pixels;
  png_bytep* rows;
};

[[noreturn]] void ErrorFunction(png_structp png, png_const_charp message) {
  WriteLogFormat("%s", message != nullptr ? message : "");
  png_longjmp(png, 1);
}

void WarningFunction(png_structp, png_const_charp message) {
  WriteLogFormat("%s", message != nullptr ? message : "");
}

void ReadData(png_structp png, png_bytep data, png_size_t length) {
  auto* job = static_cast<PngJob*>(png_get_io_ptr(png));
  if (length > static_cast<uint64_t>(job->left)) png_error(png, "Read Error");
  if (!ReadExact(job->stream, data, length)) {
    job->left = 0;
    png_error(png, "Read Error");
  }
  job->left -= static_cast<int64_t>(length);
}

void ReleaseJob(PngJob* job) {
  png_destroy_read_struct(&job->png, job->info != nullptr ? &job->info : nullptr, nullptr);
  std::free(job->rows);
  std::free(job->pixels);
  std::free(job);
}

}  // namespace

int LoadPngImage(StreamSource* stream, GraphImage* out) {
  int64_t size;
  if (!MeasureStream(stream, &size)) return -1;
  int64_t here = Tell(stream);
  if (here < 0 || here > size) return -1;

  PngJob* const job = static_cast<PngJob*>(std::calloc(1, sizeof(PngJob)));
  if (job == nullptr) return -1;
  job->stream = stream;
  job->left = size - here;
  job->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, job, ErrorFunction, WarningFunction);
  if (job->png == nullptr) {
    std::free(job);
    return -1;
  }
  job->info = png_create_info_struct(job->png);
  if (job->info == nullptr) {
    ReleaseJob(job);
    return -1;
  }
  if (setjmp(png_jmpbuf(job->png)) != 0) {
    ReleaseJob(job);
    return -1;
  }
  png_structp png = job->png;
  png_infop info = job->info;
  png_set_user_limits(png, static_cast<png_uint_32>(kMaxImageSide),
                      static_cast<png_uint_32>(kMaxImageSide));
  png_set_chunk_malloc_max(png, kMaxChunkBytes);
  png_set_read_fn(png, job, ReadData);
  png_read_info(png, info);

  png_uint_32 width, height;
  int depth, colorType;
  png_get_IHDR(png, info, &width, &height, &depth, &colorType, nullptr, nullptr, nullptr);
  const bool transparency = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
  if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if (colorType == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
  if (transparency) png_set_tRNS_to_alpha(png);
  if (depth == 16) png_set_strip_16(png);
  if (depth < 8) {
    png_set_packing(png);
    png_set_packswap(png);
  }
  png_set_bgr(png);
  // Grey with alpha has two channels, which no image format holds: it becomes colour with alpha.
  if (colorType == PNG_COLOR_TYPE_GRAY_ALPHA ||
      (colorType == PNG_COLOR_TYPE_GRAY && transparency)) {
    png_set_gray_to_rgb(png);
  }
  png_set_interlace_handling(png);
  png_read_update_info(png, info);

  const size_t channels = png_get_channels(png, info);
  const size_t rowBytes = png_get_rowbytes(png, info);
  if ((channels != 1 && channels != 3 && channels != 4) || rowBytes != width * channels ||
      png_get_bit_depth(png, info) != 8 ||
      !ImageSizeFits(width, height, static_cast<int64_t>(rowBytes))) {
    ReleaseJob(job);
    return -1;
  }
  job->pixels = static_cast<uint8_t*>(AllocatePixels(rowBytes * height));
  job->rows = static_cast<png_bytep*>(std::malloc(sizeof(png_bytep) * height));
  if (job->pixels == nullptr || job->rows == nullptr) {
    ReleaseJob(job);
    return -1;
  }
  for (png_uint_32 y = 0; y < height; ++y) job->rows[y] = job->pixels + rowBytes * y;
  png_read_image(png, job->rows);
  png_read_end(png, nullptr);

  if (channels == 1) {
    InitAlpha8ColorFormat(&out->format);
  } else if (channels == 4) {
    InitColorFormatFromMasks(&out->format, 32, 0xFF0000u, 0xFF00u, 0xFFu, 0xFF000000u);
  } else {
    InitRgb24ColorFormat(&out->format);
  }
  out->width = static_cast<int32_t>(width);
  out->height = static_cast<int32_t>(height);
  out->pitch = static_cast<int32_t>(rowBytes);
  out->pixels = job->pixels;
  job->pixels = nullptr;
  ReleaseJob(job);
  return 0;
}

}  // namespace morrow
