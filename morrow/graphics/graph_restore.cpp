// The return of graphs after the display was lost: the pixel stores made again, and every graph
// that came from a file loaded again from it.
#include <string>

#include "morrow/device/movie.h"
#include "morrow/device/pieces3d.h"
#include "morrow/device/screen.h"
#include "morrow/graphics/draw.h"
#include "morrow/graphics/draw_state.h"
#include "morrow/graphics/font.h"
#include "morrow/graphics/graph.h"
#include "morrow/graphics/graph_load.h"
#include "morrow/graphics/graph_system.h"
#include "morrow/graphics/surface2d.h"
#include "morrow/system/log.h"
#include "morrow/system/stream.h"

namespace morrow {
namespace {

// The picture read last by the restore, kept while the graphs that follow come from the same
// file in the same directory with the same set-up value (the cells of one sheet).
struct ReadPicture {
  bool tried = false;
  bool loaded = false;
  bool hasAlpha = false;
  std::string name;
  std::string directory;
  uint32_t setupValue = 0;
  GraphImage rgb{};
  GraphImage alpha{};

  bool Matches(const GraphRecord& r) const {
    return tried && r.fileName == name && r.loadDirectory == directory &&
           r.setupValue == setupValue;
  }
  void Forget() {
    FreeGraphImage(&rgb);
    FreeGraphImage(&alpha);
    tried = loaded = hasAlpha = false;
  }
};

void LogNotLoaded(const GraphRecord& r) {
  WriteLogFormat("パス:%s ファイル:%s がロードできませんでした",
                 LogText(r.loadDirectory.c_str()).c_str(), LogText(r.fileName.c_str()).c_str());
}

void Read(const GraphRecord& r, ReadPicture* p) {
  p->Forget();
  p->tried = true;
  p->name = r.fileName;
  p->directory = r.loadDirectory;
  p->setupValue = r.setupValue;
  // A directory that is gone would make the name resolve elsewhere: nothing is read then.
  if (SetCurrentDir(r.loadDirectory.c_str()) == 0) return;
  WriteLogFormat("パス:%s ファイル:%s をロードします", LogText(r.loadDirectory.c_str()).c_str(),
                 LogText(r.fileName.c_str()).c_str());
  const int result = LoadImageFileToGraphImage(r.fileName.c_str(), nullptr, 0, 0, nullptr, 0, 0,
                                               &p->rgb, &p->alpha, 0);
  p->loaded = result != -1;
  p->hasAlpha = result == 0;
}

// The picture may have changed since the graph was made from it: it must still hold the graph's
// whole area, and its alpha image must still be of its size.
bool Covers(const ReadPicture& p, const GraphRecord& r) {
  if (int64_t{r.sourceX} + r.width > p.rgb.width || int64_t{r.sourceY} + r.height > p.rgb.height) {
    return false;
  }
  return !p.hasAlpha || (p.alpha.width == p.rgb.width && p.alpha.height == p.rgb.height);
}

}  // namespace

int RestoreAllGraph() {
  RefreshAllFonts();
  GraphTable& t = GetGraphicsState().graphs;
  for (int i = 0; i < t.highWater; ++i) {
    if (t.slots[i] != nullptr) t.slots[i]->awaitingRestore = 1;
  }
  GraphReloadCallback callback = GetGraphReloadCallback();
  if (callback != nullptr) {
    callback();
  } else {
    RestoreGraphFromFile();
  }
  return 0;
}

int RestoreGraphFromFile() {
  WriteLog("グラフィックを復帰します\n");
  std::string current(kMaxPathBytes + 1, '\0');
  const bool haveCurrent = GetCurrentDir(current.data(), current.size()) == 0;
  GraphTable& t = GetGraphicsState().graphs;
  ReadPicture picture;
  for (int i = 0; i < t.highWater; ++i) {
    GraphRecord* r = t.slots[i];
    if (r == nullptr || r->awaitingRestore != 1 || r->fileName.empty()) continue;
    if (!picture.Matches(*r)) Read(*r, &picture);
    if (!picture.loaded || !Covers(picture, *r)) {
      LogNotLoaded(*r);
      continue;
    }
    const std::string name = r->fileName;
    const int set = SetupGraphFromGraphImage(
        name.c_str(), &picture.rgb, picture.hasAlpha ? &picture.alpha : nullptr, r->sourceX,
        r->sourceY, r->handle, static_cast<int>(r->setupValue));
    r = t.slots[i];
    if (set == 0 && r != nullptr) r->awaitingRestore = 0;
  }
  picture.Forget();
  if (haveCurrent) SetCurrentDir(current.c_str());
  return 0;
}

int RestoreLostGraphs() {
  if (GetGraphicsState().initialised == 0 || IsGraphicsOff()) return 0;
  RebuildPalette();
  GraphTable& t = GetGraphicsState().graphs;
  for (int i = 0; i < t.highWater; ++i) {
    if (t.slots[i] != nullptr) RestoreGraphSurfaces(t.slots[i]->handle);
  }
  return 0;
}

int RestoreGraphSurfaces(int graph) {
  if (IsGraphicsOff()) return 0;
  GraphRecord* r = GetGraphRecord(graph);
  if (r == nullptr) return -1;
  // The lost test makes a lost surface again; its pixels come back through the file restore.
  if (r->flags.texture == 1) {
    Check3DGraphLost(r);
  } else {
    IsGraphLost(r);
  }
  if (r->movieHandle != -1) RestoreMovieSurfaces(r->movieHandle);
  return 0;
}

}  // namespace morrow
