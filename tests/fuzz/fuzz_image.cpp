// One image-loader fuzz target: the whole loader chain, or the one loader named by FUZZ_LOADER,
// on the input as a memory stream. A decoded image must describe its own buffer: its size and
// format are checked and every row is read at both ends, so that a buffer smaller than the
// record claims is caught by the address sanitizer.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "morrow/graphics/image_loader.h"
#include "morrow/system/stream.h"

namespace {

volatile uint8_t g_sink;

void CheckImage(const morrow::GraphImage& image) {
  const int bytes = image.format.bytesPerPixel;
  if (image.pixels == nullptr || image.width < 1 || image.height < 1 || bytes < 1 || bytes > 4 ||
      image.format.bitsPerPixel != bytes * 8 ||
      static_cast<int64_t>(image.pitch) < static_cast<int64_t>(image.width) * bytes) {
    std::abort();
  }
  // The first and last byte of every row: enough for the sanitizer to see a short buffer, and
  // cheap on images of hundreds of megabytes.
  const auto* p = static_cast<const uint8_t*>(image.pixels);
  uint8_t x = 0;
  for (int32_t y = 0; y < image.height; ++y) {
    const uint8_t* row = p + static_cast<size_t>(y) * image.pitch;
    x ^= row[0] ^ row[image.pitch - 1];
  }
  g_sink = x;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  morrow::StreamSource stream;
  if (!morrow::OpenMemoryStreamSource(data, size, &stream)) return 0;
  morrow::GraphImage image{};
#ifdef FUZZ_LOADER
  int result = morrow::FUZZ_LOADER(&stream, &image);
#else
  int result = morrow::LoadImageThroughLoaders(&stream, &image);
#endif
  stream.functions.close(stream.handle);
  if (result == 0) CheckImage(image);
  morrow::FreeGraphImage(&image);
  return 0;
}
