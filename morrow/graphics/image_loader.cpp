#include "morrow/graphics/image_loader.h"

#include <cstdlib>
#include <cstring>

#include "morrow/graphics/image_loader_internal.h"

namespace morrow {
namespace image_internal {

int64_t Tell(StreamSource* s) {
  return s->functions.tell(s->handle);
}

bool SeekTo(StreamSource* s, int64_t position) {
  return position >= 0 && s->functions.seek(s->handle, position, 0) == 0 &&
         s->functions.tell(s->handle) == position;
}

bool MeasureStream(StreamSource* s, int64_t* size) {
  int64_t here = Tell(s);
  if (here < 0 || s->functions.seek(s->handle, 0, 2) != 0) return false;
  int64_t end = Tell(s);
  if (end < here || !SeekTo(s, here)) return false;
  *size = end;
  return true;
}

bool ReadExact(StreamSource* s, void* buffer, size_t n) {
  if (n == 0) return true;
  return s->functions.read(buffer, 1, n, s->handle) == n;
}

bool ImageSizeFits(int64_t width, int64_t height, int64_t pitch) {
  if (width < 1 || width > kMaxImageSide || height < 1 || height > kMaxImageSide) return false;
  if (pitch < 1 || pitch > kMaxImageBytes) return false;
  return pitch * height <= kMaxImageBytes;
}

bool IsContiguousMask(uint32_t mask) {
  if (mask == 0) return false;
  uint32_t low = mask & (~mask + 1u);   // lowest set bit
  uint64_t run = uint64_t{mask} + low;  // a single run carries out into one bit above it
  return (run & (run - 1)) == 0;
}

void* AllocatePixels(size_t bytes) {
  return std::malloc(bytes == 0 ? 1 : bytes);
}
void* AllocateZeroPixels(size_t bytes) {
  return std::calloc(bytes == 0 ? 1 : bytes, 1);
}

void StartChunkReader(ChunkReader* r, StreamSource* s, int64_t bytes) {
  r->stream = s;
  r->left = bytes < 0 ? 0 : bytes;
  r->pos = 0;
  r->len = 0;
}

namespace {
bool Refill(ChunkReader* r) {
  if (r->left <= 0) return false;
  size_t want = r->left < static_cast<int64_t>(sizeof r->buffer) ? static_cast<size_t>(r->left)
                                                                 : sizeof r->buffer;
  if (!ReadExact(r->stream, r->buffer, want)) {
    r->left = 0;
    return false;
  }
  r->left -= static_cast<int64_t>(want);
  r->pos = 0;
  r->len = want;
  return true;
}
}  // namespace

bool NextByte(ChunkReader* r, uint8_t* out) {
  if (r->pos == r->len && !Refill(r)) return false;
  *out = r->buffer[r->pos++];
  return true;
}

bool NextBytes(ChunkReader* r, uint8_t* out, size_t n) {
  while (n > 0) {
    if (r->pos == r->len && !Refill(r)) return false;
    size_t take = r->len - r->pos < n ? r->len - r->pos : n;
    std::memcpy(out, r->buffer + r->pos, take);
    r->pos += take;
    out += take;
    n -= take;
  }
  return true;
}

}  // namespace image_internal

namespace {

UserImageLoaderTable g_userLoaders{};

struct BuiltInLoader {
  ImageLoader load;
  ImageLoaderKind kind;
};
constexpr BuiltInLoader kBuiltInLoaders[] = {
    {LoadBmpImage, ImageLoaderKind::kBmp}, {LoadJpegImage, ImageLoaderKind::kJpeg},
    {LoadPngImage, ImageLoaderKind::kPng}, {LoadBgraImage, ImageLoaderKind::kBgra},
    {LoadTgaImage, ImageLoaderKind::kTga}, {LoadDdsImage, ImageLoaderKind::kDds},
};

// Puts the stream back to its start and clears what a refused try may have left in the record.
bool Rewind(StreamSource* stream, GraphImage* out) {
  std::memset(out, 0, sizeof *out);
  return image_internal::SeekTo(stream, 0);
}

}  // namespace

const char* GetImageLoaderName(ImageLoaderKind kind) {
  switch (kind) {
    case ImageLoaderKind::kUser:
      return "USER";
    case ImageLoaderKind::kBmp:
      return "BMP";
    case ImageLoaderKind::kJpeg:
      return "JPEG";
    case ImageLoaderKind::kPng:
      return "PNG";
    case ImageLoaderKind::kBgra:
      return "BGRA";
    case ImageLoaderKind::kTga:
      return "TGA";
    case ImageLoaderKind::kDds:
      return "DDS";
    case ImageLoaderKind::kNone:
      break;
  }
  return "";
}

UserImageLoaderTable* GetUserImageLoaderTable() {
  return &g_userLoaders;
}

int LoadImageThroughLoaders(StreamSource* stream, GraphImage* out, ImageLoaderKind* accepted) {
  if (accepted != nullptr) *accepted = ImageLoaderKind::kNone;
  if (stream == nullptr || out == nullptr) return -1;
  int users = g_userLoaders.count;
  if (users > kUserImageLoaderSlots) users = kUserImageLoaderSlots;
  for (int i = 0; i < users; ++i) {
    if (g_userLoaders.slots[i] == nullptr) continue;
    if (!Rewind(stream, out)) return -1;
    if (g_userLoaders.slots[i](stream, out) == 0) {
      if (accepted != nullptr) *accepted = ImageLoaderKind::kUser;
      return 0;
    }
  }
  for (const BuiltInLoader& loader : kBuiltInLoaders) {
    if (!Rewind(stream, out)) return -1;
    if (loader.load(stream, out) == 0) {
      if (accepted != nullptr) *accepted = loader.kind;
      return 0;
    }
  }
  std::memset(out, 0, sizeof *out);
  return -1;
}

}  // namespace morrow
