// Movies playing into graphs: the movie table, the opening and reopening of media streams, play
// and pause, and the copy of frames into graphs.
//
// A movie's stream, sample and sample surface live in its record; a display change releases them
// (the record, its path, its playing flag and its time stay) and the graphics rebuild opens them
// again. Frames are copied into the graph when the graph is drawn (UpdateMovieFrame, called by
// the drawing calls), at most once per presented frame unless more than 17 ms passed.
#include "morrow/device/movie.h"

#include <algorithm>
#include <cstring>

#include "morrow/device/pieces3d.h"
#include "morrow/device/screen.h"
#include "morrow/graphics/draw_state.h"
#include "morrow/graphics/graph.h"
#include "morrow/graphics/handle.h"
#include "morrow/graphics/record_memory.h"
#include "morrow/graphics/surface.h"
#include "morrow/graphics/surface2d.h"
#include "morrow/system/file_media_source.h"
#include "morrow/system/log.h"
#include "morrow/system/time.h"
#include "morrow/system/window.h"

namespace morrow {
namespace {

using MovieTable = HandleTable<MovieRecord, kMovieHandle, kMovieLimit>;

struct MovieState {
  MovieTable table;
  uint64_t frameCopies = 0;
};

MovieState g_movies;

// Two frame copies within this many milliseconds of one presented frame are one.
constexpr int32_t kCopyIntervalMs = 17;

void ReleaseSurfaceRef(std::shared_ptr<platform::Surface>* s) {
  if (*s != nullptr && !(*s)->IsDead()) (*s)->Release();
  s->reset();
}

// Every stream object of the record, released; the record itself stays.
void ReleaseStreamObjects(MovieRecord* m) {
  ReleaseSurfaceRef(&m->surface4);
  ReleaseSurfaceRef(&m->surface7);
  ReleaseSurfaceRef(&m->sampleSurface);
  m->sample.reset();
  m->videoStream.reset();
  m->multiMediaStream.reset();
  m->updateEvent.reset();
  m->updatePending = 0;
}

bool Released(const MovieRecord* m) {
  return m->surface4 == nullptr && m->surface7 == nullptr;
}

// The movie of a graph: 0 with movie null when the graph has none, -1 for a bad graph or movie
// handle.
int MovieOfGraph(int graphHandle, MovieRecord** movie) {
  *movie = nullptr;
  const GraphRecord* g = GetGraphRecord(graphHandle);
  if (g == nullptr) return -1;
  if (g->movieHandle < 0) return 0;
  *movie = GetMovieRecord(g->movieHandle);
  return *movie == nullptr ? -1 : 0;
}

int CloseMovieRecord(int movieHandle) {
  MovieRecord* m = GetMovieRecord(movieHandle);
  if (m == nullptr) return -1;
  if (m->surfaceMode == 1 && m->surface7 != nullptr && !m->surface7->IsDead()) {
    m->surface7->UpdateOverlay(nullptr, GetPrimarySurface(), nullptr, platform::kOverlayHide);
  }
  ReleaseStreamObjects(m);
  g_movies.table.Remove(movieHandle);
  FreeRecord(m);
  return 0;
}

// Every graph that names a movie, by its handle rebuilt from its check number and slot.
template <typename Action>
void ForEachMovieGraph(Action action) {
  const GraphTable& t = GetGraphicsState().graphs;
  for (int i = 0; i < t.highWater; ++i) {
    const GraphRecord* g = t.slots[i];
    if (g != nullptr && g->movieHandle >= 0) action(MakeHandle(kGraphHandle, g->checkNumber, i));
  }
}

// The 24-bit RGB surface a movie of mode 2 decodes into.
std::shared_ptr<platform::Surface> MakeFrameSurface(platform::Display* display, int mode,
                                                    int32_t width, int32_t height) {
  platform::SurfaceDesc desc;
  desc.flags = platform::kDescCaps | platform::kDescHeight | platform::kDescWidth |
               platform::kDescPixelFormat;
  desc.width = width;
  desc.height = height;
  if (mode == 1) {
    const platform::PixelFormat* overlay = GetOverlayPixelFormat();
    if (overlay == nullptr) return nullptr;
    desc.caps = platform::kCapsOverlay | platform::kCapsVideoMemory;
    desc.pixelFormat = *overlay;
  } else {
    desc.caps = platform::kCapsOffscreenPlain | platform::kCapsSystemMemory;
    desc.pixelFormat = platform::RgbPixelFormat(24, 0xFF0000, 0xFF00, 0xFF);
  }
  std::shared_ptr<platform::Surface> s;
  if (display->CreateSurface(desc, &s) != platform::DisplayResult::kOk) return nullptr;
  return s;
}

}  // namespace

MovieRecord* GetMovieRecord(int movieHandle) {
  return g_movies.table.Get(movieHandle);
}

uint64_t GetMovieFrameCopyCount() {
  return g_movies.frameCopies;
}

int OpenMovieStream(platform::Display* display, MovieRecord* m, const char* path, int* width,
                    int* height, int surfaceMode) {
  auto fail = [m](const char* text) {
    ReleaseStreamObjects(m);
    return WriteLog(text);
  };
  if (m == nullptr || path == nullptr) return -1;
  // Without overlays a movie takes a system-memory surface; at 32 bits its own surface in the
  // screen format serves as well.
  if (surfaceMode == 1 && GetOverlayPixelFormat() == nullptr) surfaceMode = 2;
  if (surfaceMode == 2 && GetScreenBitDepth() == 32) surfaceMode = 0;

  if (platform::MediaStream::Create(&m->multiMediaStream) != platform::kStreamOk) {
    return fail("IAMMultimediaインターフェイスを取得できませんでした！");
  }
  if (m->multiMediaStream->Initialize(platform::StreamType::kRead) != platform::kStreamOk) {
    return fail("ストリームを読み取り用にセットアップできませんでした！");
  }
  if (display == nullptr || display->IsDead()) {
    return fail("DirectDraw4オブジェクトを取得できませんでした");
  }
  if (m->multiMediaStream->AddPrimaryVideo(display->shared_from_this()) != platform::kStreamOk) {
    return fail("プライマリビデオストリームを追加できませんでした！");
  }
  if (m->multiMediaStream->AddDefaultAudio() != platform::kStreamOk) {
    return fail("デフォルトサウンドレンダラを追加できませんでした！\n");
  }
  // The record keeps the path at its full length, so that the reopen after a display change
  // finds the same file.
  if (m->path.c_str() != path) m->path = path;
  std::unique_ptr<FileMediaSource> source = FileMediaSource::Open(path);
  if (source == nullptr ||
      m->multiMediaStream->OpenFile(std::move(source)) != platform::kStreamOk) {
    const std::string text = "ファイル:" + LogText(path) + " が開けませんでした";
    return fail(text.c_str());
  }
  if (m->multiMediaStream->DroppedAudio()) WriteLog("ムービーの音声は再生されません\n");
  if (m->multiMediaStream->GetDuration(&m->duration) != platform::kStreamOk) {
    return fail("メディアシーキングインターフェースの取得に失敗しました");
  }
  if (m->multiMediaStream->GetPrimaryVideo(&m->videoStream) != platform::kStreamOk) {
    return fail("プライマリビデオストリームインターフェイスを取得できませんでした！");
  }

  std::shared_ptr<platform::Surface> own;
  if (surfaceMode == 1 || surfaceMode == 2) {
    int32_t w = 0, h = 0;
    if (m->videoStream->GetFormat(&w, &h) != platform::kStreamOk || w == 0 || h == 0) {
      return fail("動画ファイルではない可能性があります！");
    }
    own = MakeFrameSurface(display, surfaceMode, w, h);
    if (own == nullptr) return fail("DirectDrawSurface オブジェクトの作成に失敗しました");
  }
  m->surfaceMode = surfaceMode;
  int created = m->videoStream->CreateSample(own, nullptr, &m->sample);
  // The sample holds its own reference of the surface made for it.
  ReleaseSurfaceRef(&own);
  if (created != platform::kStreamOk) {
    m->surfaceMode = 0;
    created = m->videoStream->CreateSample(nullptr, nullptr, &m->sample);
  }
  if (created != platform::kStreamOk) {
    return fail("ストリームサンプルを作成できませんでした！");
  }
  if (m->sample->GetSurface(&m->sampleSurface, &m->frameRect) != platform::kStreamOk) {
    return fail("ストリームサンプルからIDirectDrawSurfaceインターフェイスを取得できませんでした！");
  }
  m->width = m->frameRect.right - m->frameRect.left;
  m->height = m->frameRect.bottom - m->frameRect.top;
  if (width != nullptr) *width = m->width;
  if (height != nullptr) *height = m->height;
  uint32_t caps = 0;
  m->sampleSurface->GetCaps(&caps);
  m->systemMemory = (caps & platform::kCapsSystemMemory) != 0 ? 1 : 0;

  std::shared_ptr<platform::Surface>& view = m->surfaceMode == 1 ? m->surface7 : m->surface4;
  platform::SurfaceDesc desc;
  if (m->sampleSurface->GetSurfaceDesc(&desc) != platform::DisplayResult::kOk) {
    return fail(m->surfaceMode == 1
                    ? "IDirectDrawSurface7インターフェイスを取得できませんでした！"
                    : "IDirectDrawSurface4インターフェイスを取得できませんでした！");
  }
  m->sampleSurface->AddRef();
  view = m->sampleSurface;
  GetSurfaceColorFormat(&desc.pixelFormat, &m->frameFormat);

  m->updateEvent = std::make_unique<platform::StreamEvent>();
  m->lastSampleTime = -1;
  m->lastCopyFlipCount = -1;
  m->lastCopyMs = -1;
  m->updatePending = 0;
  m->startTimeUs = GetHighResolutionCount(0);
  m->videoStream->GetTimePerFrame(&m->timePerFrame);
  return 0;
}

int OpenMovieToGraph(const char* path, int* width, int* height, int option) {
  MovieTable& t = g_movies.table;
  int slot = -1;
  for (int i = 0; i < kMovieLimit && slot < 0; ++i) {
    if (t.slots[i] == nullptr) slot = i;
  }
  if (slot < 0) return -1;
  MovieRecord* m = NewRecord<MovieRecord>();
  if (m == nullptr) return WriteLog("メモリの確保に失敗しました in OpenMovieToGraph");
  if (OpenMovieStream(IsDirectDrawReady(), m, path, width, height, option) == -1) {
    FreeRecord(m);
    return WriteLog("ムービーファイルオープン処理時にエラーが発生しました");
  }
  m->playing = 0;
  return t.Insert(slot, m);
}

int CloseMovieGraph(int graphHandle) {
  const GraphRecord* g = GetGraphRecord(graphHandle);
  if (g == nullptr) return -1;
  if (g->movieHandle < 0) return 0;
  return CloseMovieRecord(g->movieHandle);
}

int CloseMovie(int movieHandle) {
  return CloseMovieRecord(movieHandle);
}

int PlayGraphMovie(int graphHandle) {
  MovieRecord* m = nullptr;
  if (MovieOfGraph(graphHandle, &m) != 0) return -1;
  if (m == nullptr || Released(m) || m->playing == 1) return 0;
  m->multiMediaStream->SetState(platform::StreamState::kRun);
  m->playing = 1;
  return 0;
}

int PauseGraphMovie(int graphHandle) {
  MovieRecord* m = nullptr;
  if (MovieOfGraph(graphHandle, &m) != 0) return -1;
  if (m == nullptr || m->playing == 0) return 0;
  if (m->multiMediaStream != nullptr) m->multiMediaStream->SetState(platform::StreamState::kStop);
  m->playing = 0;
  return 0;
}

int PlayAllMovies() {
  ForEachMovieGraph([](int graph) { PlayGraphMovie(graph); });
  return 0;
}

int PauseAllMovies() {
  ForEachMovieGraph([](int graph) { PauseGraphMovie(graph); });
  return 0;
}

int ReleaseAllMovies() {
  MovieTable& t = g_movies.table;
  for (MovieRecord* m : t.slots) {
    if (m == nullptr || Released(m)) continue;
    m->multiMediaStream->GetTime(&m->position);
    ReleaseStreamObjects(m);
  }
  return 0;
}

int ReopenAllMovies() {
  MovieTable& t = g_movies.table;
  for (MovieRecord* m : t.slots) {
    if (m == nullptr) continue;
    // A display made anew leaves the surfaces of a movie that was not released dead: it is
    // released now and opened again like the others.
    if (!Released(m)) {
      if (!m->sampleSurface->IsDead()) continue;
      m->multiMediaStream->GetTime(&m->position);
      ReleaseStreamObjects(m);
    }
    if (OpenMovieStream(IsDirectDrawReady(), m, m->path.c_str(), nullptr, nullptr,
                        m->surfaceMode) == -1) {
      return -1;
    }
    m->multiMediaStream->Seek(m->position);
    if (m->playing == 1) m->multiMediaStream->SetState(platform::StreamState::kRun);
  }
  return 0;
}

int UpdateMovieFrame(int graphHandle) {
  GraphRecord* g = GetGraphRecord(graphHandle);
  if (g == nullptr) return -1;
  if (g->movieHandle < 0) return 0;
  MovieRecord* m = GetMovieRecord(g->movieHandle);
  if (m == nullptr) return -1;
  if (Released(m)) return 0;

  int64_t t = 0;
  m->multiMediaStream->GetTime(&t);
  if (t == 0 && m->lastSampleTime != -1) t = (GetHighResolutionCount(0) - m->startTimeUs) * 10;
  platform::StreamState state = platform::StreamState::kStop;
  m->multiMediaStream->GetState(&state);
  if (m->playing != 1 || state != platform::StreamState::kRun) return 0;
  const auto flips = static_cast<int64_t>(GetFlipCounter());
  if (flips == m->lastCopyFlipCount && GetMillisecondCount(0) - m->lastCopyMs <= kCopyIntervalMs) {
    return 0;
  }

  auto copy = [&] {
    // An overlay shows the frame itself.
    if (m->surfaceMode != 1) {
      if (g->flags.texture == 1) {
        Update3DGraphFromSurface(m->surface4.get(), g);
      } else {
        CopyMovieFrameToGraph(m, g);
      }
      ++g_movies.frameCopies;
    }
    m->lastSampleTime = t;
    m->lastCopyFlipCount = flips;
    m->lastCopyMs = GetMillisecondCount(0);
    m->updateEvent->Reset();
    m->updatePending = 0;
  };
  int result = platform::kStreamOk;
  if (m->updatePending == 0) {
    result = m->sample->Update(0, m->updateEvent.get());
    if (result != platform::kStreamOk) {
      if (result == platform::kStreamPending) {
        m->updatePending = 1;
      } else {
        m->playing = 0;  // the movie has ended
      }
      return 0;
    }
  } else if (!m->updateEvent->Poll()) {
    return 0;
  }
  copy();
  // One more frame when the next one is due already.
  result = m->sample->Update(0, m->updateEvent.get());
  if (result == platform::kStreamOk) {
    copy();
  } else if (result == platform::kStreamPending) {
    m->updatePending = 1;
  } else {
    m->playing = 0;
  }
  return 0;
}

int CopyMovieFrameToGraph(MovieRecord* m, GraphRecord* graph) {
  if (m == nullptr || graph == nullptr || graph->pieceCount < 1) return -1;
  const Surface2DRecord* piece = GetSurface2DRecord(graph->pieces[0]);
  if (piece == nullptr) return -1;
  const SurfaceRecord* target = GetSurfaceRecord(piece->surface);
  platform::Surface* frame = m->surface4.get();
  if (target == nullptr || target->surface == nullptr || frame == nullptr) return -1;

  platform::LockedRect from;
  if (frame->Lock(nullptr, &from) != platform::DisplayResult::kOk) {
    ExitWithError("ムービーグラフィックサーフェスのロックに失敗しました");
  }
  int pitch = 0;
  void* pixels = nullptr;
  if (LockSurface(piece->surface, &pitch, &pixels, 1, nullptr) == -1) {
    frame->Unlock();
    ExitWithError("ムービーグラフィック転送先サーフェスのロックに失敗しました");
  }
  ColorFormat targetFormat{};
  GetSurfaceColorFormat(&target->surface->format(), &targetFormat);
  // The frame's rectangle inside the sample surface, cut to the surface and to the piece.
  const Rect frameArea = Intersect(m->frameRect, Rect{0, 0, from.width, from.height});
  const int w = std::min<int>(frameArea.Width(), piece->width);
  const int h = std::min<int>(frameArea.Height(), piece->height);
  if (w > 0 && h > 0) {
    auto* dest = static_cast<uint8_t*>(pixels);
    if (m->surfaceMode != 2 && CompareColorFormat(&m->frameFormat, &targetFormat) != 0) {
      const int bytes = targetFormat.bytesPerPixel;
      for (int y = 0; y < h; ++y) {
        std::memcpy(dest + static_cast<ptrdiff_t>(piece->yOnSurface + y) * pitch +
                        static_cast<ptrdiff_t>(piece->xOnSurface) * bytes,
                    from.bits + static_cast<ptrdiff_t>(frameArea.top + y) * from.pitch +
                        static_cast<ptrdiff_t>(frameArea.left) * bytes,
                    static_cast<size_t>(w) * static_cast<size_t>(bytes));
      }
    } else {
      const Rect src{frameArea.left, frameArea.top, frameArea.left + w, frameArea.top + h};
      ConvertColorFormatBlt(dest, pitch, &targetFormat, from.bits, from.pitch, &m->frameFormat,
                            nullptr, 0, nullptr, piece->xOnSurface, piece->yOnSurface, &src, 0, 0,
                            0, GetDrawState().imageConvertFlag, 0);
    }
  }
  UnlockSurface(piece->surface);
  frame->Unlock();
  return 0;
}

int IsMovieOnOverlay(int movieHandle) {
  const MovieRecord* m = GetMovieRecord(movieHandle);
  return m != nullptr && m->surfaceMode == 1 ? 1 : 0;
}

int RestoreMovieSurfaces(int movieHandle) {
  MovieRecord* m = GetMovieRecord(movieHandle);
  if (m == nullptr) return -1;
  for (const std::shared_ptr<platform::Surface>& s : {m->surface4, m->surface7}) {
    if (s != nullptr && s->IsLost() == platform::DisplayResult::kSurfaceLost) s->Restore();
  }
  return 0;
}

bool PlaceOverlay(int x, int y, int factor, int width, int height, const Rect& area, int originX,
                  int originY, const platform::DisplayCaps& caps, Rect* src, Rect* dest) {
  if (factor < 1 || width < 1 || height < 1) return false;
  int64_t d[4] = {x, y, int64_t{x} + int64_t{factor} * width,
                  int64_t{y} + int64_t{factor} * height};
  int64_t s[4] = {0, 0, width, height};
  if (d[0] < area.left) {
    s[0] += (area.left - d[0]) / factor;
    d[0] = area.left;
  }
  if (d[1] < area.top) {
    s[1] += (area.top - d[1]) / factor;
    d[1] = area.top;
  }
  if (d[2] > area.right) {
    s[2] -= (d[2] - area.right) / factor;
    d[2] = area.right;
  }
  if (d[3] > area.bottom) {
    s[3] -= (d[3] - area.bottom) / factor;
    d[3] = area.bottom;
  }
  d[0] += originX;
  d[2] += originX;
  d[1] += originY;
  d[3] += originY;
  // Left edges move right to the next boundary; widths shrink to whole units.
  auto align = [](int64_t* r, uint32_t boundary, uint32_t size) {
    if (boundary > 1) r[0] += (boundary - r[0] % boundary) % boundary;
    if (size > 1 && r[2] > r[0]) r[2] = r[0] + (r[2] - r[0]) / size * size;
  };
  align(s, caps.alignBoundarySrc, caps.alignSizeSrc);
  align(d, caps.alignBoundaryDest, caps.alignSizeDest);
  *src = Rect{SaturateToInt(s[0]), SaturateToInt(s[1]), SaturateToInt(s[2]), SaturateToInt(s[3])};
  *dest = Rect{SaturateToInt(d[0]), SaturateToInt(d[1]), SaturateToInt(d[2]), SaturateToInt(d[3])};
  return !src->Empty() && !dest->Empty();
}

int DrawImageScaled(int x, int y, int factor, MovieRecord* movie, int show) {
  if (movie == nullptr || movie->surface7 == nullptr) return 0;
  int client[4] = {0, 0, 0, 0};
  GetWindowClientScreenRect(client);
  Rect src, dest;
  if (!PlaceOverlay(x, y, factor, movie->width, movie->height, GetDrawState().drawArea, client[0],
                    client[1], GetScreenState().driverCaps, &src, &dest)) {
    return 0;
  }
  movie->surface7->UpdateOverlay(&src, GetPrimarySurface(), &dest,
                                 show != 0 ? platform::kOverlayShow : platform::kOverlayHide);
  return 0;
}

}  // namespace morrow
