#include "tools/gfxprobe/d3d_ops.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "morrow/device/device3d.h"
#include "morrow/device/direct3d.h"
#include "morrow/device/pieces3d.h"
#include "morrow/graphics/draw_state.h"
#include "morrow/graphics/graph.h"
#include "morrow/graphics/surface.h"
#include "morrow/graphics/surface2d.h"
#include "platform/device3d.h"

namespace gfxprobe {
namespace {

// The calls the 3D device received since the last operation.
std::vector<std::string> g_calls;

struct Parsed {
  std::string name;
  long v[2] = {0, 0};
};

bool Parse(const std::string& text, Parsed* p) {
  const size_t colon = text.find(':');
  if (colon == std::string::npos) return false;
  p->name = text.substr(0, colon);
  const int wanted = p->name == "blend3d" ? 2 : 1;
  const char* s = text.c_str() + colon + 1;
  for (int i = 0; i < wanted; ++i) {
    errno = 0;
    char* end = nullptr;
    const long long v = std::strtoll(s, &end, 10);
    if (end == s || errno != 0 || v < -2147483648LL || v > 2147483647LL) return false;
    p->v[i] = static_cast<long>(v);
    if (*end != (i + 1 < wanted ? ',' : '\0')) return false;
    s = end + 1;
  }
  return true;
}

void PrintPieces(long index, const std::vector<int>& graphs) {
  const morrow::GraphRecord* g = index >= 0 && index < static_cast<long>(graphs.size())
                                     ? morrow::GetGraphRecord(graphs[static_cast<size_t>(index)])
                                     : nullptr;
  if (g == nullptr) {
    std::printf("pieces %ld -1\n", index);
    return;
  }
  std::printf("pieces %ld n=%d", index, g->pieceCount);
  for (int i = 0; i < g->pieceCount && i < morrow::kMaxGraphPieces; ++i) {
    int x = 0, y = 0;
    morrow::ResourceHandle surface = -1;
    if (g->flags.texture == 1) {
      if (const morrow::Surface3DRecord* p = morrow::Get3DGraphRecord(g->pieces[i])) {
        x = p->graphX;
        y = p->graphY;
        surface = p->surface;
      }
    } else if (const morrow::Surface2DRecord* p = morrow::GetSurface2DRecord(g->pieces[i])) {
      x = p->xInGraph;
      y = p->yInGraph;
      surface = p->surface;
    }
    const morrow::SurfaceRecord* s = morrow::GetSurfaceRecord(surface);
    std::printf(" %dx%d@%d,%d", s != nullptr ? s->width : 0, s != nullptr ? s->height : 0, x, y);
  }
  std::printf("\n");
}

void PrintBlend(long mode, long param) {
  if (morrow::GetCurrentDevice3D() == nullptr) {
    std::printf("blend3d %ld,%ld -1\n", mode, param);
    return;
  }
  g_calls.clear();
  morrow::SetBlendMode3D(static_cast<int>(mode), static_cast<int>(param));
  std::printf("blend3d %ld,%ld", mode, param);
  int states = 0;
  for (const std::string& call : g_calls) {
    if (call.find('=') == std::string::npos) continue;
    std::printf(" %s", call.c_str());
    ++states;
  }
  if (states == 0) std::printf(" -");
  const morrow::Direct3DState& d = morrow::GetDirect3DState();
  const morrow::Direct3DDeviceRecord& r = d.devices[d.currentDevice];
  std::printf(" cache=%d,%d draw=%d\n", r.blendMode, r.blendParam,
              morrow::GetDrawState().blendParam);
}

}  // namespace

void Record3DCalls() {
  platform::SetDirect3DRecorder([](const std::string& line) { g_calls.push_back(line); });
}

bool Is3DOp(const std::string& text) {
  const std::string name = text.substr(0, text.find(':'));
  return name == "pieces" || name == "blend3d" || name == "filter3d";
}

bool Check3DOp(const std::string& text) {
  Parsed p;
  return Parse(text, &p);
}

void Run3DOp(const std::string& text, const std::vector<int>& graphs) {
  Parsed p;
  if (!Parse(text, &p)) return;
  if (p.name == "pieces") {
    PrintPieces(p.v[0], graphs);
  } else if (p.name == "blend3d") {
    PrintBlend(p.v[0], p.v[1]);
  } else if (p.name == "filter3d") {
    std::printf("filter3d %ld %d\n", p.v[0], morrow::SetFilterMode3D(static_cast<int>(p.v[0])));
  }
  g_calls.clear();
}

}  // namespace gfxprobe
