// Decoding helpers for the loader tests: a GraphImage that frees itself and runs of a loader on
// bytes in memory.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "morrow/graphics/image_loader.h"
#include "morrow/system/stream.h"
#include "tests/morrow/graphics/image_writers.h"

namespace imagetest {

struct Decoded {
  int result = -1;
  morrow::GraphImage image{};
  morrow::ImageLoaderKind kind = morrow::ImageLoaderKind::kNone;
  Decoded() = default;
  Decoded(const Decoded&) = delete;
  Decoded& operator=(const Decoded&) = delete;
  ~Decoded() { morrow::FreeGraphImage(&image); }
};

// One loader (or the whole chain when loader is null) on a copy of bytes in its own allocation,
// so that reading past the end is caught by the address sanitizer.
inline void Decode(const std::string& bytes, morrow::ImageLoader loader, Decoded* d) {
  void* copy = std::malloc(bytes.size() + 1);
  if (!bytes.empty()) std::memcpy(copy, bytes.data(), bytes.size());
  morrow::StreamSource s;
  ASSERT_TRUE(morrow::OpenMemoryStreamSource(copy, bytes.size(), &s));
  if (loader == nullptr) {
    d->result = morrow::LoadImageThroughLoaders(&s, &d->image, &d->kind);
  } else {
    d->result = loader(&s, &d->image);
  }
  s.functions.close(s.handle);
  std::free(copy);
}

// A refused image leaves the record empty.
inline bool IsEmpty(const morrow::GraphImage& image) {
  return image.pixels == nullptr && image.width == 0 && image.height == 0 && image.pitch == 0;
}

inline std::string Hex(Rgba c) {
  char text[16];
  std::snprintf(text, sizeof text, "%02x%02x%02x%02x", c.r, c.g, c.b, c.a);
  return text;
}

// Every pixel of the decoded image equals expected(x, y).
template <typename Expected>
void ExpectPixels(const morrow::GraphImage& image, Expected expected, const std::string& what) {
  int wrong = 0;
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      Rgba got = ReadPixel(image, x, y);
      Rgba want = expected(x, y);
      if (!(got == want) && ++wrong <= 3) {
        ADD_FAILURE() << what << " pixel " << x << "," << y << ": got " << Hex(got) << " want "
                      << Hex(want);
      }
    }
  }
  EXPECT_EQ(wrong, 0) << what;
}

inline void ExpectMasks(const morrow::GraphImage& image, int bits, uint32_t r, uint32_t g,
                        uint32_t b, uint32_t a, const std::string& what) {
  EXPECT_EQ(image.format.bitsPerPixel, bits) << what;
  EXPECT_EQ(image.format.bytesPerPixel, bits / 8) << what;
  EXPECT_EQ(image.format.redMask, r) << what;
  EXPECT_EQ(image.format.greenMask, g) << what;
  EXPECT_EQ(image.format.blueMask, b) << what;
  EXPECT_EQ(image.format.alphaMask, a) << what;
}

}  // namespace imagetest
