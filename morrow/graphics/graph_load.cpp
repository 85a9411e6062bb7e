#include "morrow/graphics/graph_load.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "morrow/device/direct3d.h"
#include "morrow/device/movie.h"
#include "morrow/device/pieces3d.h"
#include "morrow/device/screen.h"
#include "morrow/graphics/draw_state.h"
#include "morrow/graphics/font.h"
#include "morrow/graphics/graph_system.h"
#include "morrow/graphics/image_loader.h"
#include "morrow/graphics/surface2d.h"
#include "morrow/system/log.h"
#include "morrow/system/stream.h"
#include "morrow/system/window.h"

namespace morrow {
namespace {

// Reads one image from an opened stream source and closes it.
int LoadFromSource(StreamSource* source, GraphImage* out) {
  const int result = LoadImageThroughLoaders(source, out);
  source->functions.close(source->handle);
  return result;
}

int LoadFromFile(const char* path, GraphImage* out) {
  StreamSource source;
  if (path == nullptr || !OpenFileStreamSource(path, &source)) return -1;
  return LoadFromSource(&source, out);
}

int LoadFromMemory(const void* bytes, int size, GraphImage* out) {
  StreamSource source;
  if (bytes == nullptr || size <= 0 ||
      !OpenMemoryStreamSource(bytes, static_cast<size_t>(size), &source)) {
    return -1;
  }
  return LoadFromSource(&source, out);
}

// An image narrower than 24 bits (a palette, a single channel, 16-bit pixels) converted to 24
// bits, or to 32 with alpha when its format has an alpha channel. false leaves it as it was.
bool WidenImage(GraphImage* image) {
  if (image->format.bitsPerPixel >= 24) return true;
  GraphImage wide{};
  const bool alpha = image->format.alphaWidth != 0;
  if (alpha) {
    InitColorFormatFromMasks(&wide.format, 32, 0xFF0000u, 0xFF00u, 0xFFu, 0xFF000000u);
  } else {
    InitRgb24ColorFormat(&wide.format);
  }
  wide.width = image->width;
  wide.height = image->height;
  wide.pitch = image->width * wide.format.bytesPerPixel;
  const size_t bytes = static_cast<size_t>(wide.pitch) * static_cast<size_t>(wide.height);
  wide.pixels = std::malloc(bytes == 0 ? 1 : bytes);
  if (wide.pixels == nullptr) return false;
  const Rect all{0, 0, image->width, image->height};
  if (ConvertColorFormatBlt(static_cast<uint8_t*>(wide.pixels), wide.pitch, &wide.format,
                            static_cast<const uint8_t*>(image->pixels), image->pitch,
                            &image->format, nullptr, 0, nullptr, 0, 0, &all, 0, 0, 0, 0, 0) != 0) {
    FreeGraphImage(&wide);
    return false;
  }
  FreeGraphImage(image);
  *image = wide;
  return true;
}

void RestoreCreationSettings(const DrawState& saved) {
  DrawState& ds = GetDrawState();
  ds.newGraphAlphaChannel = saved.newGraphAlphaChannel;
  ds.newGraphBitDepth = saved.newGraphBitDepth;
  ds.newGraphSystemMemory = saved.newGraphSystemMemory;
  ds.useDirect3D = saved.useDirect3D;
}

// A file no image loader took: it may be a movie that plays into a new graph.
int LoadMovieAsGraph(const char* path, int wantTexture, int movieOption) {
  const DrawState saved = GetDrawState();
  StreamSource source;
  if (!OpenFileStreamSource(path, &source)) {
    return WriteLogFormat("グラフィックファイル %s がありません", LogText(path).c_str());
  }
  source.functions.close(source.handle);

  int width = 0, height = 0;
  const int movie = OpenMovieToGraph(path, &width, &height, movieOption);
  if (movie < 0) {
    return WriteLogFormat("右記のグラフィックファイルのロードに失敗しました：%s ",
                          LogText(path).c_str());
  }
  DrawState& ds = GetDrawState();
  if (IsMovieOnOverlay(movie) != 0) ds.useDirect3D = 0;
  ds.newGraphBitDepth = GetScreenBitDepth();
  ds.newGraphAlphaChannel = 0;
  ds.newGraphSystemMemory = 0;
  const int graph = CreateGraph(width, height, wantTexture, 0);
  RestoreCreationSettings(saved);
  GraphRecord* r = GetGraphRecord(graph);
  if (r == nullptr) {
    WriteLogFormat("右記のグラフィックファイルの格納用グラフィック領域の作成に失敗しました：%s",
                   LogText(path).c_str());
    CloseMovie(movie);
    return -1;
  }
  r->movieHandle = movie;
  return graph;
}

}  // namespace

std::string MakeAlphaCompanionName(const char* path) {
  if (path == nullptr) return "_a";
  const size_t length = std::strlen(path);
  size_t dot = std::string::npos;
  for (size_t i = 0; i < length;) {
    const auto c = static_cast<unsigned char>(path[i]);
    if (IsLeadByte(reinterpret_cast<const unsigned char*>(path + i), 1) != 0 && i + 1 < length) {
      i += 2;
      continue;
    }
    if (c == '\\' || c == '/') {
      dot = std::string::npos;  // a '.' of a directory is no extension
    } else if (c == '.') {
      dot = i;
    }
    ++i;
  }
  if (dot == std::string::npos) return std::string(path) + "_a";
  return std::string(path, dot) + "_a" + std::string(path + dot);
}

int LoadImageFileToGraphImage(const char* path, const void* image, int imageSize, int fromMemory,
                              const void* alphaImage, int alphaSize, int alphaMode, GraphImage* rgb,
                              GraphImage* alpha, int convert) {
  if (rgb == nullptr || alpha == nullptr) return -1;
  std::memset(rgb, 0, sizeof *rgb);
  std::memset(alpha, 0, sizeof *alpha);
  const int loaded =
      fromMemory == 1 ? LoadFromMemory(image, imageSize, rgb) : LoadFromFile(path, rgb);
  if (loaded != 0) {
    FreeGraphImage(rgb);
    return -1;
  }
  if (convert == 1 && !WidenImage(rgb)) {
    FreeGraphImage(rgb);
    return -1;
  }
  int alphaLoaded = -1;
  if (alphaMode == 0 && path != nullptr) {
    alphaLoaded = LoadFromFile(MakeAlphaCompanionName(path).c_str(), alpha);
  } else if (alphaMode == 1 && alphaImage != nullptr) {
    alphaLoaded = LoadFromMemory(alphaImage, alphaSize, alpha);
  }
  if (alphaLoaded != 0) {
    FreeGraphImage(alpha);
    return 1;
  }
  return 0;
}

int CreateGraphForImage(GraphImage* rgb, GraphImage* alpha, int wantTexture) {
  if (rgb == nullptr) return -1;
  if (alpha != nullptr && (alpha->width != rgb->width || alpha->height != rgb->height)) return -1;
  const int alphaChannel = rgb->format.alphaWidth != 0 || alpha != nullptr ? 1 : 0;
  return CreateGraph(rgb->width, rgb->height, wantTexture, alphaChannel);
}

int BuildGraphFromGraphImage(GraphImage* rgb, GraphImage* alpha, int wantTexture, int reverse,
                             int mirrorHere) {
  if (rgb == nullptr) return -1;
  ComputeColorFormatFillMask(&rgb->format);
  if (alpha != nullptr) ComputeColorFormatFillMask(&alpha->format);
  EndScene3D();
  const bool mirror = mirrorHere == 1 && reverse == 1;
  if (mirror) {
    MirrorGraphImage(rgb);
    if (alpha != nullptr) MirrorGraphImage(alpha);
  }
  int graph = CreateGraphForImage(rgb, alpha, wantTexture);
  if (GetGraphRecord(graph) != nullptr &&
      SetupGraphFromGraphImage(nullptr, rgb, alpha, 0, 0, graph, 0) != 0) {
    // A graph whose pixels never arrived would pass for a loaded picture.
    FreeGraphHandle(graph, 0);
    graph = -1;
  }
  if (mirror) {
    MirrorGraphImage(rgb);
    if (alpha != nullptr) MirrorGraphImage(alpha);
  }
  return graph;
}

int SetGraphFileName(int graph, const char* path) {
  GraphRecord* r = GetGraphRecord(graph);
  if (r == nullptr) return -1;
  // Copied first: path may be the record's own name.
  std::string name = path != nullptr ? path : "";
  std::string directory(kMaxPathBytes + 1, '\0');
  if (GetCurrentDir(directory.data(), directory.size()) != 0) directory[0] = '\0';
  r->loadDirectory = directory.c_str();
  r->fileName = std::move(name);
  return 0;
}

int SetupGraphFromGraphImage(const char* name, GraphImage* rgb, GraphImage* alpha, int srcX,
                             int srcY, int graph, int setupValue) {
  if (IsGraphicsOff()) return 0;
  GraphRecord* r = GetGraphRecord(graph);
  if (r == nullptr || rgb == nullptr) return -1;
  if (srcX < 0 || srcX > 65535 || srcY < 0 || srcY > 65535) return -1;
  SetGraphFileName(graph, name);
  r->setupValue = static_cast<uint32_t>(setupValue);
  r->sourceX = static_cast<uint16_t>(srcX);
  r->sourceY = static_cast<uint16_t>(srcY);
  return r->flags.texture == 1 ? Set3DGraphImage(r, srcX, srcY, rgb, alpha)
                               : BltGraphImageToGraph(srcX, srcY, r, rgb, alpha);
}

int SetupGraphFromFile(const char* name, GraphImage* rgb, GraphImage* alpha, const Rect* src,
                       int destX, int destY, int graph, int setupValue) {
  if (IsGraphicsOff()) return 0;
  GraphRecord* r = GetGraphRecord(graph);
  if (r == nullptr || rgb == nullptr || src == nullptr) return -1;
  if (src->left < 0 || src->left > 65535 || src->top < 0 || src->top > 65535) return -1;
  SetGraphFileName(graph, name);
  r->setupValue = static_cast<uint32_t>(setupValue);
  r->sourceX = static_cast<uint16_t>(src->left);
  r->sourceY = static_cast<uint16_t>(src->top);
  return r->flags.texture == 1 ? Set3DGraphImageRect(r, src, destX, destY, rgb, alpha)
                               : BltRectToGraph(src, destX, destY, r, rgb, alpha);
}

int DeriveSubGraph(int srcX, int srcY, int width, int height, int source) {
  if (IsGraphicsOff()) return 0;
  GraphRecord* from = GetGraphRecord(source);
  if (from == nullptr) return -1;
  // Anything outside the source would make a piece that reads past its surface.
  if (srcX < 0 || srcY < 0 || srcX >= from->width || srcY >= from->height || width <= 0 ||
      height <= 0) {
    return -1;
  }
  if (width > from->width - srcX) width = from->width - srcX;
  if (height > from->height - srcY) height = from->height - srcY;

  GraphRecord* r = nullptr;
  const int graph = AddGraphRecord(static_cast<uint16_t>(width), static_cast<uint16_t>(height),
                                   from->flags.texture, &r, from->flags.alphaChannel);
  from = GetGraphRecord(source);
  r->movieHandle = from->movieHandle;
  r->fileName = from->fileName;
  r->loadDirectory = from->loadDirectory;
  r->flags = from->flags;
  r->setupValue = from->setupValue;
  // The cell's place in the picture stays a 16-bit position, as every record's does.
  const int x = from->sourceX + srcX;
  const int y = from->sourceY + srcY;
  r->sourceX = static_cast<uint16_t>(x > 65535 ? 65535 : x);
  r->sourceY = static_cast<uint16_t>(y > 65535 ? 65535 : y);
  const int made = r->flags.texture == 1
                       ? Create3DGraphFromParent(r, srcX, srcY, width, height, from)
                       : DeriveGraphSurface2D(r, srcX, srcY, width, height, from);
  if (made != 0) ExitWithError("グラフィックの派生に失敗しました終了します");
  return graph;
}

int CreateDivGraphFromGraphImage(GraphImage* rgb, GraphImage* alpha, int count, int xCount,
                                 int yCount, int cellWidth, int cellHeight, int* handles,
                                 int wantTexture, int reverse, int mirrorHere) {
  if (rgb == nullptr || (count > 0 && handles == nullptr)) return -1;
  const int base = BuildGraphFromGraphImage(rgb, alpha, wantTexture, reverse, mirrorHere);
  if (GetGraphRecord(base) == nullptr) return -1;
  int made = 0;
  for (int row = 0; row < yCount && made < count; ++row) {
    for (int column = 0; column < xCount && made < count; ++column) {
      const int64_t x = int64_t{reverse == 1 ? xCount - 1 - column : column} * cellWidth;
      const int64_t y = int64_t{row} * cellHeight;
      // A position beyond 32 bits lies outside every picture: DeriveSubGraph refuses it.
      const int cell = x > INT32_MAX || y > INT32_MAX || x < INT32_MIN || y < INT32_MIN
                           ? -1
                           : DeriveSubGraph(static_cast<int>(x), static_cast<int>(y), cellWidth,
                                            cellHeight, base);
      handles[made] = cell;
      if (cell == -1) {
        WriteLog("グラフィックの分割に失敗しました in CreateDivGraphFromGraphImage\n");
        for (int i = 0; i < made; ++i) FreeGraphHandle(handles[i], 0);
        FreeGraphHandle(base, 0);
        return -1;
      }
      ++made;
    }
  }
  // A grid smaller than count: the rest name no graph.
  for (int i = made; i < count; ++i) handles[i] = -1;
  FreeGraphHandle(base, 0);
  return 0;
}

int LoadGraphFile(const char* path, int wantTexture, int reverse, int movieOption) {
  if (IsGraphicsOff() || GetGraphicsState().initialised == 0 || path == nullptr) return -1;
  EndScene3D();
  WaitActiveAndRestore();
  GraphImage rgb{}, alpha{};
  const int loaded = LoadImageFileToGraphImage(path, nullptr, 0, 0, nullptr, 0, 0, &rgb, &alpha, 0);
  if (loaded == -1) return LoadMovieAsGraph(path, wantTexture, movieOption);
  GraphImage* alphaImage = loaded == 0 ? &alpha : nullptr;
  if (reverse == 1) {
    MirrorGraphImage(&rgb);
    if (alphaImage != nullptr) MirrorGraphImage(alphaImage);
  }
  const int graph = BuildGraphFromGraphImage(&rgb, alphaImage, wantTexture, reverse, 0);
  if (GetGraphRecord(graph) != nullptr) SetGraphFileName(graph, path);
  FreeGraphImage(&rgb);
  FreeGraphImage(&alpha);
  return GetGraphRecord(graph) != nullptr ? graph : -1;
}

int LoadDividedGraphFile(const char* path, int count, int xCount, int yCount, int cellWidth,
                         int cellHeight, int* handles, int wantTexture, int reverse) {
  if (IsGraphicsOff()) return 0;
  if (GetGraphicsState().initialised == 0 || path == nullptr) return -1;
  if (count > 0 && handles == nullptr) return -1;
  WaitActiveAndRestore();
  GraphImage rgb{}, alpha{};
  const int loaded = LoadImageFileToGraphImage(path, nullptr, 0, 0, nullptr, 0, 0, &rgb, &alpha, 0);
  if (loaded == -1) {
    return WriteLogFormat("右記のグラフィックファイルのロードに失敗しました：%s",
                          LogText(path).c_str());
  }
  GraphImage* alphaImage = loaded == 0 ? &alpha : nullptr;
  if (reverse == 1) {
    MirrorGraphImage(&rgb);
    if (alphaImage != nullptr) MirrorGraphImage(alphaImage);
  }
  const int result =
      CreateDivGraphFromGraphImage(&rgb, alphaImage, count, xCount, yCount, cellWidth, cellHeight,
                                   handles, wantTexture, reverse, 0);
  // Handles of a failed cut were deleted and those past the grid are -1: neither is named.
  if (result == 0) {
    for (int i = 0; i < count; ++i) SetGraphFileName(handles[i], path);
  }
  FreeGraphImage(&rgb);
  FreeGraphImage(&alpha);
  return result;
}

int LoadImageAsGraph(const char* path) {
  return LoadGraphFile(path, 1, 0, 0);
}

int LoadDividedGraph(const char* path, int count, int xCount, int yCount, int cellWidth,
                     int cellHeight, int* handles) {
  return LoadDividedGraphFile(path, count, xCount, yCount, cellWidth, cellHeight, handles, 1, 0);
}

}  // namespace morrow
