// gfxprobe [--window|--full] [--depth N] [--path soft|d3d] OP...
//
// Selects the mode (window and 16 bits unless told; a window takes the desktop's depth whatever
// is asked, though 24 is refused there too), starts the library, prints the screen as
// "screen WxHxD r=%08x g=%08x b=%08x a=%08x fill=%08x", runs each OP and ends the library.
// --path soft (the default) draws without a 3D device, as MORROW_D3D=off does; --path d3d
// offers the CPU 3D device as MORROW_D3D asks (on when it is unset) and records its calls.
//   pack:R,G,B      "pack R,G,B 0x%08x"          the colour packed for the screen
//   unpack:V        "unpack 0x%08x R,G,B"        a screen colour back to channels
//   blend:A,B       "blend A,B N"                the blend product table's entry
//   select:W,H,D    "select W,H,D R" and a new screen line
//   fill:R,G,B      "fill R,G,B 0x%08x"          fills the back screen and presents it as the
//                                                start does
//   dump:FILE       (silent) the last presented picture as a PNG
//   graph:WxH       "graph WxH 0x%08x video|system|texture depth=N" or "graph WxH -1": a graph
//                   without alpha that asks for the hardware path as CreateEmptyGraph does,
//                   filled from a solid image, where its pixels lie (a texture graph's in
//                   textures) and the bit depth of its surface flags
//   alphagraph:WxH  the same with an alpha channel (printed as "graph ...")
//   delete:I        "delete I R"   deletes the I-th graph made (0 first)
//   lock:I          "lock I R"     locks the I-th graph's surface
//   unlock:I        "unlock I R"   unlocks it
//   font:..., fontmany:..., delfont:I, refresh, fonts, deffont:..., leadbyte:...
//                   the font table (tools/gfxprobe/font_ops.h)
//   pieces:I, blend3d:M,P, filter3d:M
//                   the 3D device (tools/gfxprobe/d3d_ops.h)
// Exit 0; 1 when the library does not start, a dump fails (nothing is left at its FILE) or standard
// output cannot be written; 255 when the library ends the process itself (a desktop smaller than
// the window); 2 for bad arguments, or when another instance holds the library's lock.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "morrow/device/color_format.h"
#include "morrow/device/pieces3d.h"
#include "morrow/device/screen.h"
#include "morrow/graphics/graph.h"
#include "morrow/graphics/graph_image.h"
#include "morrow/graphics/surface.h"
#include "morrow/graphics/surface2d.h"
#include "morrow/system/library.h"
#include "morrow/system/window.h"
#include "tools/gfxprobe/d3d_ops.h"
#include "tools/gfxprobe/font_ops.h"
#include "tools/lib/toolrun/tool_run.h"

namespace {

struct Op {
  std::string name;
  std::string arg;
  long v[3] = {0, 0, 0};
};

// "A,B,C" with exactly n numbers (decimal, or hex with 0x).
bool ParseNumbers(const std::string& text, int n, long* out) {
  const char* p = text.c_str();
  for (int i = 0; i < n; ++i) {
    char* end = nullptr;
    out[i] = std::strtol(p, &end, 0);
    if (end == p) return false;
    if (i + 1 < n) {
      if (*end != ',') return false;
      p = end + 1;
    } else if (*end != '\0') {
      return false;
    }
  }
  return true;
}

bool ParseOp(const char* text, Op* op) {
  if (gfxprobe::IsFontOp(text)) {
    op->name = "font-op";
    op->arg = text;
    return gfxprobe::CheckFontOp(text);
  }
  if (gfxprobe::Is3DOp(text)) {
    op->name = "3d-op";
    op->arg = text;
    return gfxprobe::Check3DOp(text);
  }
  const char* colon = std::strchr(text, ':');
  if (colon == nullptr) return false;
  op->name.assign(text, colon);
  op->arg = colon + 1;
  if (op->name == "pack" || op->name == "fill" || op->name == "select") {
    return ParseNumbers(op->arg, 3, op->v);
  }
  if (op->name == "blend") {
    return ParseNumbers(op->arg, 2, op->v) && op->v[0] >= 0 && op->v[0] <= 255 && op->v[1] >= 0 &&
           op->v[1] <= 255;
  }
  if (op->name == "unpack") {
    char* end = nullptr;
    unsigned long long v = std::strtoull(op->arg.c_str(), &end, 0);
    if (op->arg.empty() || *end != '\0' || v > 0xFFFFFFFFull) return false;
    op->v[0] = static_cast<long>(v);
    return true;
  }
  if (op->name == "graph" || op->name == "alphagraph") {
    // Decimal sides, so that "0x5" reads as 0 by 5.
    const char* p = op->arg.c_str();
    char* end = nullptr;
    op->v[0] = std::strtol(p, &end, 10);
    if (end == p || *end != 'x') return false;
    p = end + 1;
    op->v[1] = std::strtol(p, &end, 10);
    return end != p && *end == '\0';
  }
  if (op->name == "delete" || op->name == "lock" || op->name == "unlock") {
    return ParseNumbers(op->arg, 1, op->v);
  }
  return op->name == "dump" && !op->arg.empty();
}

// The surface of a graph's first piece (its first texture when held as textures), or -1.
int SurfaceOf(int graph) {
  const morrow::GraphRecord* record = morrow::GetGraphRecord(graph);
  if (record == nullptr || record->pieceCount < 1) return -1;
  if (record->flags.texture == 1) {
    const morrow::Surface3DRecord* piece = morrow::Get3DGraphRecord(record->pieces[0]);
    return piece != nullptr ? piece->surface : -1;
  }
  const morrow::Surface2DRecord* piece = morrow::GetSurface2DRecord(record->pieces[0]);
  return piece != nullptr ? piece->surface : -1;
}

// The surface of the I-th graph made, or -1.
int SurfaceOf(const std::vector<int>& graphs, long index) {
  if (index < 0 || index >= static_cast<long>(graphs.size())) return -1;
  return SurfaceOf(graphs[static_cast<size_t>(index)]);
}

// A graph filled from a solid image: opaque grey-blue, or half-transparent with alpha.
void MakeGraph(const Op& op, std::vector<int>* graphs) {
  const bool alpha = op.name == "alphagraph";
  const int w = static_cast<int>(op.v[0]), h = static_cast<int>(op.v[1]);
  const int graph = morrow::CreateGraph(w, h, 1, alpha ? 1 : 0);
  morrow::GraphRecord* record = morrow::GetGraphRecord(graph);
  if (graph == -1 || record == nullptr) {
    std::printf("graph %ldx%ld -1\n", op.v[0], op.v[1]);
    return;
  }
  graphs->push_back(graph);
  morrow::GraphImage image{};
  morrow::InitColorFormatFromMasks(&image.format, 32, 0xFF0000u, 0xFF00u, 0xFFu,
                                   alpha ? 0xFF000000u : 0u);
  image.width = w;
  image.height = h;
  image.pitch = w * 4;
  image.pixels = std::malloc(static_cast<size_t>(w) * static_cast<size_t>(h) * 4);
  if (image.pixels != nullptr) {
    auto* px = static_cast<uint32_t*>(image.pixels);
    for (size_t i = 0; i < static_cast<size_t>(w) * static_cast<size_t>(h); ++i) {
      px[i] = alpha ? 0x80406080u : 0x00406080u;
    }
    if (record->flags.texture == 1) {
      morrow::Set3DGraphImage(record, 0, 0, &image, nullptr);
    } else {
      morrow::BltGraphImageToGraph(0, 0, record, &image, nullptr);
    }
  }
  morrow::FreeGraphImage(&image);
  const morrow::SurfaceRecord* surface = morrow::GetSurfaceRecord(SurfaceOf(graph));
  const char* place = record->flags.texture == 1                               ? "texture"
                      : surface != nullptr && surface->flags.systemMemory == 0 ? "video"
                                                                               : "system";
  std::printf("graph %ldx%ld 0x%08x %s depth=%d\n", op.v[0], op.v[1], static_cast<uint32_t>(graph),
              place, record->flags.bitDepth);
}

void PrintScreen() {
  int w = 0, h = 0;
  morrow::GetScreenSize(&w, &h);
  const morrow::ColorFormat* f = morrow::GetScreenColorFormat();
  std::printf("screen %dx%dx%d r=%08x g=%08x b=%08x a=%08x fill=%08x\n", w, h,
              morrow::GetScreenBitDepth(), f->redMask, f->greenMask, f->blueMask, f->alphaMask,
              f->fillMask);
}

}  // namespace

int main(int argc, char** argv) {
  toolrun::Begin("gfxprobe");
  int window = 1;
  long depth = 16;
  bool d3d = false;
  std::vector<Op> ops;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--window") == 0) {
      window = 1;
    } else if (std::strcmp(argv[i], "--full") == 0) {
      window = 0;
    } else if (std::strcmp(argv[i], "--depth") == 0 && i + 1 < argc &&
               ParseNumbers(argv[i + 1], 1, &depth)) {
      ++i;
    } else if (std::strcmp(argv[i], "--path") == 0 && i + 1 < argc &&
               (std::strcmp(argv[i + 1], "soft") == 0 || std::strcmp(argv[i + 1], "d3d") == 0)) {
      d3d = std::strcmp(argv[i + 1], "d3d") == 0;
      ++i;
    } else {
      Op op;
      if (!ParseOp(argv[i], &op)) {
        toolrun::Say(std::string("bad argument: ") + argv[i]);
        std::fprintf(stderr,
                     "usage: gfxprobe [--window|--full] [--depth N] [--path soft|d3d] OP...\n");
        return toolrun::End(toolrun::kUsage);
      }
      ops.push_back(op);
    }
  }

  if (d3d) {
    setenv("MORROW_D3D", "on", 0);
    gfxprobe::Record3DCalls();
  } else {
    setenv("MORROW_D3D", "off", 1);
  }
  morrow::ChangeWindowMode(window);
  morrow::SelectScreenMode(640, 480, static_cast<int>(depth), -1);
  if (toolrun::StartLibrary(1) != 0) return toolrun::End(1);
  PrintScreen();
  int status = 0;
  std::vector<int> graphs;  // every graph made, in order
  for (const Op& op : ops) {
    if (op.name == "pack") {
      uint32_t c = morrow::PackScreenColor(static_cast<int>(op.v[0]), static_cast<int>(op.v[1]),
                                           static_cast<int>(op.v[2]));
      std::printf("pack %ld,%ld,%ld 0x%08x\n", op.v[0], op.v[1], op.v[2], c);
    } else if (op.name == "unpack") {
      int r = 0, g = 0, b = 0;
      uint32_t c = static_cast<uint32_t>(op.v[0]);
      if (morrow::UnpackScreenColor(c, &r, &g, &b) == 0) {
        std::printf("unpack 0x%08x %d,%d,%d\n", c, r, g, b);
      } else {
        std::printf("unpack 0x%08x -1\n", c);
      }
    } else if (op.name == "blend") {
      std::printf("blend %ld,%ld %u\n", op.v[0], op.v[1],
                  morrow::GetBlendProductTable()[op.v[0]][op.v[1]]);
    } else if (op.name == "select") {
      int r = morrow::SelectScreenMode(static_cast<int>(op.v[0]), static_cast<int>(op.v[1]),
                                       static_cast<int>(op.v[2]), -1);
      std::printf("select %ld,%ld,%ld %d\n", op.v[0], op.v[1], op.v[2], r);
      PrintScreen();
    } else if (op.name == "fill") {
      uint32_t c = morrow::PackScreenColor(static_cast<int>(op.v[0]), static_cast<int>(op.v[1]),
                                           static_cast<int>(op.v[2]));
      morrow::SelectDrawTargetDDraw(-2);
      platform::BltFx fx;
      fx.fillColor = c;
      if (platform::Surface* back = morrow::GetBackSurface()) {
        back->Blt(nullptr, nullptr, nullptr, platform::kBltColorFill | platform::kBltWait, &fx);
      }
      morrow::PresentFrameWindowed();
      std::printf("fill %ld,%ld,%ld 0x%08x\n", op.v[0], op.v[1], op.v[2], c);
    } else if (op.name == "font-op") {
      gfxprobe::RunFontOp(op.arg);
    } else if (op.name == "3d-op") {
      gfxprobe::Run3DOp(op.arg, graphs);
    } else if (op.name == "dump") {
      if (!toolrun::WriteLastPicture(op.arg)) status = 1;
    } else if (op.name == "graph" || op.name == "alphagraph") {
      MakeGraph(op, &graphs);
    } else if (op.name == "delete") {
      int r = -1;
      if (op.v[0] >= 0 && op.v[0] < static_cast<long>(graphs.size())) {
        r = morrow::FreeGraphHandle(graphs[static_cast<size_t>(op.v[0])], 0);
      }
      std::printf("delete %ld %d\n", op.v[0], r);
    } else if (op.name == "lock") {
      int pitch = 0;
      void* pixels = nullptr;
      const int surface = SurfaceOf(graphs, op.v[0]);
      const int r = surface == -1 ? -1 : morrow::LockSurface(surface, &pitch, &pixels, 0, nullptr);
      std::printf("lock %ld %d\n", op.v[0], r);
    } else if (op.name == "unlock") {
      const int surface = SurfaceOf(graphs, op.v[0]);
      const int r = surface == -1 ? -1 : morrow::UnlockSurface(surface);
      std::printf("unlock %ld %d\n", op.v[0], r);
    }
    std::fflush(stdout);
  }
  morrow::EndLibrary();
  return toolrun::End(status);
}
