// Image file loaders: BMP, JPEG, PNG, the library's raw BGRA, TGA and DDS.
//
// Every loader reads one StreamSource through its read, seek and tell operations only, and either
// fills a GraphImage (returns 0) or returns -1 with nothing left allocated. The chain tries a
// table of user loaders first, then the six built-in loaders in a fixed order, setting the stream
// back to its start before each try. Image files are untrusted: every size is checked before
// anything is allocated, every read is exact, and nothing is written outside the pixel buffer.
#pragma once

#include <cstddef>
#include <cstdint>

#include "morrow/graphics/graph_image.h"
#include "morrow/system/stream.h"

namespace morrow {

using ImageLoader = int (*)(StreamSource* stream, GraphImage* out);

// Which loader accepted an image.
enum class ImageLoaderKind { kNone, kUser, kBmp, kJpeg, kPng, kBgra, kTga, kDds };
// "BMP", "JPEG", "PNG", "BGRA", "TGA", "DDS", "USER", or "" for kNone.
const char* GetImageLoaderName(ImageLoaderKind kind);

// Ten slots tried in order before the built-in loaders; count says how many are in use.
// Nothing in the library fills it.
constexpr int kUserImageLoaderSlots = 10;
struct UserImageLoaderTable {
  ImageLoader slots[kUserImageLoaderSlots];
  int count;
};
UserImageLoaderTable* GetUserImageLoaderTable();

// Tries the user loaders, then BMP, JPEG, PNG, BGRA, TGA and DDS. 0 as soon as one accepts;
// accepted (when given) then names it, else it is kNone.
int LoadImageThroughLoaders(StreamSource* stream, GraphImage* out,
                            ImageLoaderKind* accepted = nullptr);

int LoadBmpImage(StreamSource* stream, GraphImage* out);
int LoadJpegImage(StreamSource* stream, GraphImage* out);
int LoadPngImage(StreamSource* stream, GraphImage* out);
int LoadBgraImage(StreamSource* stream, GraphImage* out);
int LoadTgaImage(StreamSource* stream, GraphImage* out);
int LoadDdsImage(StreamSource* stream, GraphImage* out);

// Limits every loader applies before it allocates: a graph keeps its size in 16 bits, and one
// image may not take more than 256 MiB of pixels.
constexpr int64_t kMaxImageSide = 65535;
constexpr int64_t kMaxImageBytes = int64_t{256} << 20;

}  // namespace morrow
