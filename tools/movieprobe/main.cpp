// movieprobe FILE [--frames N] [--step MS] [--depth D] [--path soft|d3d] [--mode M]
//
// Starts the library headless as devshot does (a window on a 1024x768 desktop of depth D, 32
// unless told; --path soft, the default, draws without a 3D device, --path d3d offers the CPU 3D
// device), loads FILE through the graph loader with the hardware wish and movie option M
// (default 0) and prints
//   open 0x%08x WxH          the movie handle and its frame size, or
//   open -1                  when FILE opened as no movie (exit 1).
// It then plays the movie and, for each frame F of N (default 5), draws the graph twice at
// (0, 0), presents and prints
//   frame F copies=C playing=P pixel=RRGGBB
// (C: frame copies made into the graph in that frame; P: the movie's playing flag; the graph's
// pixel (0, 0) from its 2D or 3D piece, each channel widened to 8 bits), then waits STEP ms
// (default 100) while pumping messages. Exit 0; 1 when the library does not start, FILE is no
// movie (with a line saying why) or standard output cannot be written; 255 when the library ends
// the process itself; 2 for bad arguments, or when another instance holds the library's lock.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "morrow/device/color_format.h"
#include "morrow/device/movie.h"
#include "morrow/device/pieces3d.h"
#include "morrow/device/screen.h"
#include "morrow/graphics/draw.h"
#include "morrow/graphics/graph.h"
#include "morrow/graphics/graph_load.h"
#include "morrow/graphics/surface.h"
#include "morrow/graphics/surface2d.h"
#include "morrow/system/library.h"
#include "morrow/system/time.h"
#include "morrow/system/window.h"
#include "platform/pixel_layout.h"
#include "tools/lib/toolrun/tool_run.h"

namespace {

struct Options {
  std::string file;
  long frames = 5;
  long step = 100;
  long depth = 32;
  bool d3d = false;
  long mode = 0;
};

int Usage(const char* problem) {
  toolrun::Say(problem);
  std::fprintf(stderr,
               "usage: movieprobe FILE [--frames N] [--step MS] [--depth D] [--path soft|d3d] "
               "[--mode M]\n");
  return toolrun::kUsage;
}

bool ParseLong(const char* text, long low, long high, long* out) {
  char* end = nullptr;
  const long v = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || v < low || v > high) return false;
  *out = v;
  return true;
}

int ParseOptions(int argc, char** argv, Options* o) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    if (a == "--frames" && value != nullptr) {
      if (!ParseLong(argv[++i], 0, 1000000, &o->frames)) return Usage("--frames takes 0..1000000");
    } else if (a == "--step" && value != nullptr) {
      if (!ParseLong(argv[++i], 0, 3600000, &o->step)) return Usage("--step takes 0..3600000");
    } else if (a == "--depth" && value != nullptr) {
      const std::string v = argv[++i];
      if (v != "8" && v != "16" && v != "32") return Usage("--depth takes 8, 16 or 32");
      o->depth = std::atol(v.c_str());
    } else if (a == "--path" && value != nullptr) {
      const std::string v = argv[++i];
      if (v != "soft" && v != "d3d") return Usage("--path takes soft or d3d");
      o->d3d = v == "d3d";
    } else if (a == "--mode" && value != nullptr) {
      if (!ParseLong(argv[++i], 0, 2, &o->mode)) return Usage("--mode takes 0, 1 or 2");
    } else if (o->file.empty() && !toolrun::IsOption(argv[i])) {
      o->file = a;
    } else {
      return Usage(("bad argument: " + a).c_str());
    }
  }
  if (o->file.empty()) return Usage("FILE is required");
  return 0;
}

// The pixel at (x, y) of a locked display surface as 0xRRGGBB, each channel widened to 8 bits.
uint32_t SurfaceRgb(platform::Surface* s, int x, int y) {
  platform::LockedRect l;
  if (s == nullptr || x >= s->width() || y >= s->height() ||
      s->Lock(nullptr, &l) != platform::DisplayResult::kOk) {
    return 0;
  }
  morrow::ColorFormat f{};
  morrow::GetSurfaceColorFormat(&l.format, &f);
  const int bytes = f.bytesPerPixel;
  const uint32_t v = platform::ReadPixel(l.bits + y * l.pitch + x * bytes, bytes);
  s->Unlock();
  auto channel = [v](uint32_t mask, int shift, int width) {
    return morrow::ConvertChannelWidth((v & mask) >> shift, width, 8);
  };
  return channel(f.redMask, f.redShift, f.redWidth) << 16 |
         channel(f.greenMask, f.greenShift, f.greenWidth) << 8 |
         channel(f.blueMask, f.blueShift, f.blueWidth);
}

// The graph's pixel (0, 0), from its first 2D or 3D piece.
uint32_t GraphPixel(int graph) {
  const morrow::GraphRecord* g = morrow::GetGraphRecord(graph);
  if (g == nullptr || g->pieceCount < 1) return 0;
  if (g->flags.texture == 1) {
    const morrow::Surface3DRecord* p = morrow::Get3DGraphRecord(g->pieces[0]);
    const morrow::SurfaceRecord* s = p != nullptr ? morrow::GetSurfaceRecord(p->surface) : nullptr;
    return s != nullptr ? SurfaceRgb(s->surface.get(), p->textureX, p->textureY) : 0;
  }
  const morrow::Surface2DRecord* p = morrow::GetSurface2DRecord(g->pieces[0]);
  const morrow::SurfaceRecord* s = p != nullptr ? morrow::GetSurfaceRecord(p->surface) : nullptr;
  return s != nullptr ? SurfaceRgb(s->surface.get(), p->xOnSurface, p->yOnSurface) : 0;
}

int Run(int argc, char** argv) {
  Options o;
  if (int status = ParseOptions(argc, argv, &o); status != 0) return status;

  // The display reads these when it is made; a desktop given by the caller stays.
  const std::string desktop = "1024x768x" + std::to_string(o.depth);
  setenv("MORROW_DESKTOP", desktop.c_str(), 0);
  setenv("MORROW_D3D", o.d3d ? "on" : "off", o.d3d ? 0 : 1);
  morrow::ChangeWindowMode(1);
  morrow::SelectScreenMode(640, 480, static_cast<int>(o.depth), -1);
  if (toolrun::StartLibrary(1) != 0) return 1;
  morrow::SetDDrawStartFlag(0);
  morrow::SelectDrawTarget(morrow::kBackScreen);

  const int graph = morrow::LoadGraphFile(o.file.c_str(), 1, 0, static_cast<int>(o.mode));
  const morrow::GraphRecord* g = morrow::GetGraphRecord(graph);
  if (g == nullptr || g->movieHandle < 0) {
    std::printf("open -1\n");
    const std::string refusal = toolrun::RegularFileRefusal(o.file);
    toolrun::Say(refusal.empty() ? o.file + ": not a movie the library plays" : refusal);
    morrow::EndLibrary();
    return 1;
  }
  const int movie = g->movieHandle;
  std::printf("open 0x%08x %dx%d\n", static_cast<uint32_t>(movie), g->width, g->height);
  morrow::PlayGraphMovie(graph);
  for (long f = 0; f < o.frames; ++f) {
    const uint64_t before = morrow::GetMovieFrameCopyCount();
    morrow::DrawGraph(0, 0, graph, 0);
    morrow::DrawGraph(0, 0, graph, 0);
    morrow::PresentFrame();
    const morrow::MovieRecord* m = morrow::GetMovieRecord(movie);
    std::printf("frame %ld copies=%llu playing=%u pixel=%06x\n", f,
                static_cast<unsigned long long>(morrow::GetMovieFrameCopyCount() - before),
                m != nullptr ? m->playing : 0u, GraphPixel(graph));
    std::fflush(stdout);
    morrow::WaitMilliseconds(static_cast<int>(o.step));
  }
  morrow::EndLibrary();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  toolrun::Begin("movieprobe");
  return toolrun::End(Run(argc, argv));
}
