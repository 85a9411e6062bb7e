// The software rasterisers against their peers on the same work, in one run: megapixels written
// per second on a 640 x 480 X8R8G8B8 target in system memory. Ours draw through the library's
// routines on a started library (fake window, no video memory, so nothing is staged); the peers
// are SDL2's surface blitter and software renderer, and pixman, on surfaces of the same size.
// Turned draws count the pixels of the picture they land as (its area on the target), ours and
// the peer's alike.
//
// The first line says which loops the library chose ("raster path: avx2", "sse2" or
// "reference"; MORROW_RASTER narrows it as it does in the game). Every case runs with
// repetitions (5 unless --benchmark_repetitions says otherwise), and after the run one line per
// pairing gives the medians' quotient: "ratio CASE ours/PEER X.XX", ours' throughput over the
// peer's (above 1: ours is faster). The fill, the keyed copy and the doubling draws write whole
// runs of memory: for them a line "limit CASE ours X.XX PEER X.XX ..." gives each one's
// throughput over the machine's plain memset (Memset) or memcpy (Memcpy, Memcpy128) of the same
// bytes, the limit they run against.
//
// Every case sets the state it depends on (our blend mode; the peers' blend modes, modulation,
// key, transform, filter and repeat) and leaves the peers' as it found them, so a pairing's ratio
// is the same whether its case runs alone or after the others.
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <pixman.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "morrow/device/screen.h"
#include "morrow/device/screen_state.h"
#include "morrow/graphics/draw.h"
#include "morrow/graphics/draw_state.h"
#include "morrow/graphics/graph.h"
#include "morrow/graphics/graph_image.h"
#include "morrow/graphics/surface2d.h"
#include "morrow/raster/raster_path.h"
#include "morrow/softdraw/raster.h"
#include "morrow/system/library.h"
#include "morrow/system/log.h"
#include "morrow/system/window.h"
#include "platform/clock.h"
#include "platform/input.h"
#include "platform/input_fake.h"
#include "platform/pixel_layout.h"
#include "platform/window.h"
#include "platform/window_fake.h"

namespace {

constexpr int kWidth = 640, kHeight = 480;
constexpr int kPiece = 64;
constexpr int kAt = 100;  // where pieces and small boxes go: wholly inside the target
constexpr uint32_t kKey = 0x00FF00;
constexpr double kPi = 3.141592653589793;
// The turned cases: a 64 x 64 picture at 30 degrees and scale 1.5 about the screen's centre; a
// 256 x 256 picture onto a parallelogram sheared by a quarter; the 64 x 64 picture onto a square
// of twice its size; and a frame's worth of 32 x 32 pictures at assorted angles.
constexpr int kBig = 256, kSmall = 32, kFrameDraws = 200;
constexpr double kRotaScale = 1.5, kRotaAngle = kPi / 6;
constexpr int kRotaSide = static_cast<int>(kPiece * kRotaScale);  // 96
constexpr int kShear = kBig / 4;

// The source picture of every piece case: a gradient with a key-coloured checkerboard.
uint32_t SourcePixel(int x, int y) {
  if (((x / 8) + (y / 8)) % 3 == 0) return kKey;
  return static_cast<uint32_t>((x * 4) << 16 | (y * 4) << 8 | ((x + y) * 2 & 0xFF));
}

// ---- ours ----

platform::FakeClock g_clock{1'000'000, 50};
platform::FakeWindowService g_window;
platform::FakeInputService g_input;
int g_piece = -1;
morrow::GraphRecord* g_graph64 = nullptr;
morrow::GraphRecord* g_graph256 = nullptr;
morrow::GraphRecord* g_graph32 = nullptr;
std::string g_logFolder;

// A graph of w x h from SourcePixel; null when it cannot be made.
morrow::GraphRecord* MakeGraph(int w, int h) {
  const int graph = morrow::CreateGraph(w, h, 0, 0);
  morrow::GraphRecord* record = morrow::GetGraphRecord(graph);
  if (record == nullptr) return nullptr;
  morrow::GraphImage image{};
  morrow::InitColorFormatFromMasks(&image.format, 32, 0xFF0000u, 0xFF00u, 0xFFu, 0);
  image.width = w;
  image.height = h;
  image.pitch = w * 4;
  std::vector<uint32_t> pixels(static_cast<size_t>(w) * h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) pixels[static_cast<size_t>(y * w + x)] = SourcePixel(x, y);
  }
  image.pixels = pixels.data();
  return morrow::BltGraphImageToGraph(0, 0, record, &image, nullptr) == 0 ? record : nullptr;
}

// Where the frame's worth of small turned pictures goes.
struct FrameDraw {
  int x, y;
  double angle;
};
FrameDraw FramePlace(int i) {
  return {40 + (i * 37) % 560, 40 + (i * 53) % 400, i * 0.1};
}

bool StartLibrary() {
  setenv("MORROW_AUDIO", "null", 1);
  setenv("MORROW_VIDMEM", "0", 1);
  platform::InstallClock(&g_clock);
  platform::InstallWindowService(&g_window);
  platform::InstallInputService(&g_input);
  // The library's log goes to a folder of its own, removed at the end.
  static char folder[] = "/tmp/raster_bench.XXXXXX";
  if (mkdtemp(folder) == nullptr) return false;
  g_logFolder = folder;
  morrow::SetLogDirectory(g_logFolder);
  morrow::ChangeWindowMode(1);
  morrow::SelectScreenMode(kWidth, kHeight, 32, -1);
  if (morrow::InitLibrary() != 0) return false;
  morrow::SelectDrawTarget(morrow::kBackScreen);
  morrow::GetDrawState().keyColor = kKey;
  g_graph64 = MakeGraph(kPiece, kPiece);
  g_graph256 = MakeGraph(kBig, kBig);
  g_graph32 = MakeGraph(kSmall, kSmall);
  if (g_graph64 == nullptr || g_graph256 == nullptr || g_graph32 == nullptr) return false;
  g_piece = g_graph64->pieces[0];
  return true;
}

void OurPiece(benchmark::State& state, int mode, int p, int key) {
  morrow::SetBlendMode(mode, p);
  for (auto _ : state) morrow::G_DDraw_DrawGraph(kAt, kAt, g_piece, key);
  morrow::SetBlendMode(0, 0);
  state.SetItemsProcessed(state.iterations() * kPiece * kPiece);
}

void OurBox(benchmark::State& state, int mode, int p, int size) {
  morrow::SetBlendMode(mode, p);
  const int at = size == kPiece ? kAt : 0;
  const int w = size == kPiece ? kPiece : kWidth, h = size == kPiece ? kPiece : kHeight;
  const uint32_t colour = morrow::PackScreenColor(200, 100, 50);
  for (auto _ : state) morrow::G_DDraw_DrawFillBox(at, at, at + w, at + h, colour);
  morrow::SetBlendMode(0, 0);
  state.SetItemsProcessed(state.iterations() * w * h);
}

void OurRotated(benchmark::State& state) {
  morrow::SetBlendMode(1, 128);
  for (auto _ : state) {
    morrow::G_DDraw_DrawRotaGraph(kWidth / 2, kHeight / 2, kRotaScale, kRotaAngle, g_graph64, 0, 0);
  }
  morrow::SetBlendMode(0, 0);
  state.SetItemsProcessed(state.iterations() * kRotaSide * kRotaSide);
}

void OurParallelogram(benchmark::State& state) {
  morrow::SetBlendMode(1, 128);
  for (auto _ : state) {
    morrow::G_DDraw_DrawModiGraph(kAt, kAt, kAt + kBig, kAt, kAt + kShear, kAt + kBig,
                                  kAt + kBig + kShear, kAt + kBig, g_graph256, 0);
  }
  morrow::SetBlendMode(0, 0);
  state.SetItemsProcessed(state.iterations() * kBig * kBig);
}

void OurScaled2x(benchmark::State& state) {
  morrow::SetBlendMode(0, 0);
  const int side = 2 * kPiece;
  for (auto _ : state) {
    morrow::G_DDraw_DrawModiGraph(kAt, kAt, kAt + side, kAt, kAt, kAt + side, kAt + side,
                                  kAt + side, g_graph64, 0);
  }
  state.SetItemsProcessed(state.iterations() * side * side);
}

// The 64 x 64 picture stretched to twice its size in mode 0.
void OurStretch2x(benchmark::State& state) {
  morrow::SetBlendMode(0, 0);
  const int side = 2 * kPiece;
  for (auto _ : state) {
    morrow::G_DDraw_DrawExtendGraph(kAt, kAt, kAt + side, kAt + side, g_graph64, 0);
  }
  state.SetItemsProcessed(state.iterations() * side * side);
}

void OurRotatedFrame(benchmark::State& state) {
  morrow::SetBlendMode(1, 128);
  for (auto _ : state) {
    for (int i = 0; i < kFrameDraws; ++i) {
      const FrameDraw d = FramePlace(i);
      morrow::G_DDraw_DrawRotaGraph(d.x, d.y, 1.0, d.angle, g_graph32, 0, 0);
    }
  }
  morrow::SetBlendMode(0, 0);
  state.SetItemsProcessed(state.iterations() * kFrameDraws * kSmall * kSmall);
}

// ---- SDL ----

struct SdlSurfaces {
  SDL_Surface* target = nullptr;
  SDL_Surface* source = nullptr;  // with per-pixel alpha of 255, key pixels of alpha 0 aside
  SDL_Renderer* renderer = nullptr;
};

SdlSurfaces& Sdl() {
  static SdlSurfaces s = [] {
    SdlSurfaces made;
    made.target = SDL_CreateRGBSurfaceWithFormat(0, kWidth, kHeight, 32, SDL_PIXELFORMAT_RGB888);
    made.source = SDL_CreateRGBSurfaceWithFormat(0, kPiece, kPiece, 32, SDL_PIXELFORMAT_RGB888);
    for (int y = 0; y < kPiece; ++y) {
      auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(made.source->pixels) +
                                              y * made.source->pitch);
      for (int x = 0; x < kPiece; ++x) row[x] = SourcePixel(x, y);
    }
    made.renderer = SDL_CreateSoftwareRenderer(made.target);
    return made;
  }();
  return s;
}

// Everything of the source surface a blit reads (blend mode, alpha and colour modulation, key) set
// for one case, and put back as it was when the case ends: a case's peer does the same work
// whichever cases ran before it.
class SdlSourceState {
 public:
  SdlSourceState(SDL_Surface* source, SDL_BlendMode blend, Uint8 alphaMod, bool key)
      : source_(source) {
    SDL_GetSurfaceBlendMode(source, &blend_);
    SDL_GetSurfaceAlphaMod(source, &alphaMod_);
    SDL_GetSurfaceColorMod(source, &red_, &green_, &blue_);
    keyed_ = SDL_HasColorKey(source) == SDL_TRUE;
    SDL_GetColorKey(source, &key_);
    Set(blend, alphaMod, 255, 255, 255, key, kKey);
  }
  ~SdlSourceState() { Set(blend_, alphaMod_, red_, green_, blue_, keyed_, key_); }
  SdlSourceState(const SdlSourceState&) = delete;
  SdlSourceState& operator=(const SdlSourceState&) = delete;

 private:
  void Set(SDL_BlendMode blend, Uint8 alphaMod, Uint8 red, Uint8 green, Uint8 blue, bool key,
           Uint32 keyColour) {
    SDL_SetSurfaceBlendMode(source_, blend);
    SDL_SetSurfaceAlphaMod(source_, alphaMod);
    SDL_SetSurfaceColorMod(source_, red, green, blue);
    SDL_SetColorKey(source_, key ? SDL_TRUE : SDL_FALSE, keyColour);
  }

  SDL_Surface* source_;
  SDL_BlendMode blend_ = SDL_BLENDMODE_NONE;
  Uint8 alphaMod_ = 255, red_ = 255, green_ = 255, blue_ = 255;
  bool keyed_ = false;
  Uint32 key_ = 0;
};

void SdlBlit(benchmark::State& state, SDL_BlendMode blend, int alphaMod, bool key) {
  SdlSurfaces& s = Sdl();
  const SdlSourceState clean(s.source, blend, static_cast<Uint8>(alphaMod), key);
  for (auto _ : state) {
    SDL_Rect at{kAt, kAt, kPiece, kPiece};
    SDL_BlitSurface(s.source, nullptr, s.target, &at);
  }
  state.SetItemsProcessed(state.iterations() * kPiece * kPiece);
}

void SdlScaled2x(benchmark::State& state) {
  SdlSurfaces& s = Sdl();
  const SdlSourceState clean(s.source, SDL_BLENDMODE_NONE, 255, false);
  const int side = 2 * kPiece;
  for (auto _ : state) {
    SDL_Rect at{kAt, kAt, side, side};
    SDL_BlitScaled(s.source, nullptr, s.target, &at);
  }
  state.SetItemsProcessed(state.iterations() * side * side);
}

void SdlFillScreen(benchmark::State& state) {
  SdlSurfaces& s = Sdl();
  const Uint32 colour = SDL_MapRGB(s.target->format, 200, 100, 50);
  for (auto _ : state) SDL_FillRect(s.target, nullptr, colour);
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

void SdlBlendBox(benchmark::State& state) {
  SdlSurfaces& s = Sdl();
  SDL_BlendMode blend = SDL_BLENDMODE_NONE;
  Uint8 r = 0, g = 0, b = 0, a = 0;
  SDL_GetRenderDrawBlendMode(s.renderer, &blend);
  SDL_GetRenderDrawColor(s.renderer, &r, &g, &b, &a);
  SDL_SetRenderDrawBlendMode(s.renderer, SDL_BLENDMODE_BLEND);
  SDL_SetRenderDrawColor(s.renderer, 200, 100, 50, 128);
  for (auto _ : state) {
    const SDL_Rect box{kAt, kAt, kPiece, kPiece};
    SDL_RenderFillRect(s.renderer, &box);
    SDL_RenderFlush(s.renderer);
  }
  SDL_SetRenderDrawBlendMode(s.renderer, blend);
  SDL_SetRenderDrawColor(s.renderer, r, g, b, a);
  state.SetItemsProcessed(state.iterations() * kPiece * kPiece);
}

// ---- pixman ----

struct PixmanImages {
  std::vector<uint32_t> targetPixels, sourcePixels, keyedPixels, bigPixels;
  pixman_image_t* target = nullptr;
  pixman_image_t* source = nullptr;  // the 64 x 64 picture, x8r8g8b8
  pixman_image_t* keyed = nullptr;   // the same in a8r8g8b8, key pixels of alpha 0
  pixman_image_t* big = nullptr;     // the 256 x 256 picture
  pixman_image_t* half = nullptr;    // a solid mask of alpha 0x80
};

// Pixels of w x h from SourcePixel.
std::vector<uint32_t> SourcePixels(int w, int h) {
  std::vector<uint32_t> pixels(static_cast<size_t>(w) * h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) pixels[static_cast<size_t>(y * w + x)] = SourcePixel(x, y);
  }
  return pixels;
}

// The affine map source = a * destination + b, given as its 2 x 3 matrix.
pixman_transform_t Affine(const double (&m)[2][3]) {
  pixman_f_transform f;
  for (int r = 0; r < 2; ++r) {
    for (int c = 0; c < 3; ++c) f.m[r][c] = m[r][c];
  }
  f.m[2][0] = f.m[2][1] = 0;
  f.m[2][2] = 1;
  pixman_transform_t t;
  pixman_transform_from_pixman_f_transform(&t, &f);
  return t;
}

// Everything of a source image a composite reads besides its pixels (transform, filter, repeat)
// set for one case; when the case ends the image is back at rest (no transform, the nearest
// filter, no repeat), where it also starts. A case's peer does the same work whichever cases ran
// before it.
class PixmanSourceState {
 public:
  PixmanSourceState(pixman_image_t* image, const pixman_transform_t* transform) : image_(image) {
    Set(image, transform);
  }
  ~PixmanSourceState() { Set(image_, nullptr); }
  PixmanSourceState(const PixmanSourceState&) = delete;
  PixmanSourceState& operator=(const PixmanSourceState&) = delete;

  static void Set(pixman_image_t* image, const pixman_transform_t* transform) {
    pixman_image_set_transform(image, transform);
    pixman_image_set_filter(image, PIXMAN_FILTER_NEAREST, nullptr, 0);
    pixman_image_set_repeat(image, PIXMAN_REPEAT_NONE);
  }

 private:
  pixman_image_t* image_;
};

PixmanImages& Pixman() {
  static PixmanImages p = [] {
    PixmanImages made;
    made.targetPixels.assign(static_cast<size_t>(kWidth) * kHeight, 0);
    made.sourcePixels = SourcePixels(kPiece, kPiece);
    made.keyedPixels.resize(made.sourcePixels.size());
    for (size_t i = 0; i < made.sourcePixels.size(); ++i) {
      const uint32_t v = made.sourcePixels[i];
      made.keyedPixels[i] = v == kKey ? 0 : 0xFF000000u | v;
    }
    made.bigPixels = SourcePixels(kBig, kBig);
    made.target = pixman_image_create_bits(PIXMAN_x8r8g8b8, kWidth, kHeight,
                                           made.targetPixels.data(), kWidth * 4);
    made.source = pixman_image_create_bits(PIXMAN_x8r8g8b8, kPiece, kPiece,
                                           made.sourcePixels.data(), kPiece * 4);
    made.keyed = pixman_image_create_bits(PIXMAN_a8r8g8b8, kPiece, kPiece, made.keyedPixels.data(),
                                          kPiece * 4);
    made.big =
        pixman_image_create_bits(PIXMAN_x8r8g8b8, kBig, kBig, made.bigPixels.data(), kBig * 4);
    for (pixman_image_t* image : {made.source, made.keyed, made.big}) {
      PixmanSourceState::Set(image, nullptr);
    }
    const pixman_color_t half{0, 0, 0, 0x8080};
    made.half = pixman_image_create_solid_fill(&half);
    return made;
  }();
  return p;
}

void PixmanComposite(benchmark::State& state, pixman_op_t op, bool mask, bool keyed) {
  PixmanImages& p = Pixman();
  pixman_image_t* source = keyed ? p.keyed : p.source;
  const PixmanSourceState clean(source, nullptr);
  for (auto _ : state) {
    pixman_image_composite32(op, source, mask ? p.half : nullptr, p.target, 0, 0, 0, 0, kAt, kAt,
                             kPiece, kPiece);
  }
  state.SetItemsProcessed(state.iterations() * kPiece * kPiece);
}

// OVER with the half mask from a source read through the affine map m (destination coordinates
// to source pixels) over the destination box at (x, y).
void PixmanTransformed(benchmark::State& state, pixman_image_t* source, const double (&m)[2][3],
                       int x, int y, int w, int h, int64_t items) {
  PixmanImages& p = Pixman();
  const pixman_transform_t transform = Affine(m);
  const PixmanSourceState clean(source, &transform);
  for (auto _ : state) {
    pixman_image_composite32(PIXMAN_OP_OVER, source, p.half, p.target, x, y, 0, 0, x, y, w, h);
  }
  state.SetItemsProcessed(state.iterations() * items);
}

// Turned by the angle clockwise and scaled about the screen's centre: the source position of a
// destination pixel d is the centre texel plus R(-angle) (d - centre) / scale.
void PixmanRotated(benchmark::State& state) {
  const double c = std::cos(kRotaAngle) / kRotaScale, s = std::sin(kRotaAngle) / kRotaScale;
  const double cx = kWidth / 2.0, cy = kHeight / 2.0, half64 = kPiece / 2.0;
  const double turned[2][3] = {{c, s, half64 - c * cx - s * cy}, {-s, c, half64 + s * cx - c * cy}};
  // The turned square's bounding box: 96 (cos 30 + sin 30) is about 131.
  const int box = 132;
  PixmanTransformed(state, Pixman().source, turned, kWidth / 2 - box / 2, kHeight / 2 - box / 2,
                    box, box, int64_t{kRotaSide} * kRotaSide);
}

// Sheared: u = (x - at) - (y - at) / 4, v = y - at.
void PixmanParallelogram(benchmark::State& state) {
  const double sheared[2][3] = {{1, -0.25, -kAt + kAt * 0.25}, {0, 1, -kAt}};
  PixmanTransformed(state, Pixman().big, sheared, kAt, kAt, kBig + kShear, kBig,
                    int64_t{kBig} * kBig);
}

// The picture scaled to twice its size with the nearest filter, SRC onto its 128 x 128 box.
void PixmanStretch2x(benchmark::State& state) {
  PixmanImages& p = Pixman();
  pixman_transform_t half;
  pixman_transform_init_scale(&half, pixman_double_to_fixed(0.5), pixman_double_to_fixed(0.5));
  const PixmanSourceState clean(p.source, &half);
  const int side = 2 * kPiece;
  for (auto _ : state) {
    pixman_image_composite32(PIXMAN_OP_SRC, p.source, nullptr, p.target, 0, 0, 0, 0, kAt, kAt, side,
                             side);
  }
  state.SetItemsProcessed(state.iterations() * side * side);
}

void PixmanFillScreen(benchmark::State& state) {
  PixmanImages& p = Pixman();
  for (auto _ : state) {
    pixman_fill(p.targetPixels.data(), kWidth, 32, 0, 0, kWidth, kHeight, 0x00C86432u);
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

void PixmanBlendBox(benchmark::State& state) {
  PixmanImages& p = Pixman();
  const pixman_color_t colour{0xC8C8 / 2, 0x6464 / 2, 0x3232 / 2, 0x8080};  // premultiplied
  const pixman_rectangle16_t box{kAt, kAt, kPiece, kPiece};
  for (auto _ : state) pixman_image_fill_rectangles(PIXMAN_OP_OVER, p.target, &colour, 1, &box);
  state.SetItemsProcessed(state.iterations() * kPiece * kPiece);
}

// ---- the machine's limits ----

// The plain memset of the screen's bytes, as FillScreen writes them.
void PlainMemset(benchmark::State& state) {
  std::vector<uint32_t> screen(static_cast<size_t>(kWidth) * kHeight);
  for (auto _ : state) {
    std::memset(screen.data(), 0x32, screen.size() * sizeof(uint32_t));
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

// The plain memcpy of the rows of a side x side picture into the screen at the pieces' place: a
// 64 x 64 piece's as KeyedCopy64 writes them, or twice that size's as the doubling cases do.
void PlainMemcpy(benchmark::State& state, int side) {
  std::vector<uint32_t> screen(static_cast<size_t>(kWidth) * kHeight);
  std::vector<uint32_t> piece(static_cast<size_t>(side) * side, 0x123456u);
  for (auto _ : state) {
    for (int y = 0; y < side; ++y) {
      std::memcpy(&screen[static_cast<size_t>((kAt + y) * kWidth + kAt)],
                  &piece[static_cast<size_t>(y * side)], side * sizeof(uint32_t));
    }
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * side * side);
}

// ---- the cases and their pairings ----

struct Case {
  const char* name;
  std::function<void(benchmark::State&)> ours;
  std::vector<std::pair<const char*, std::function<void(benchmark::State&)>>> peers;
  const char* limit = nullptr;  // Memset, Memcpy or Memcpy128: the plain writing of the same bytes
};

std::vector<Case> Cases() {
  return {
      {"PlainAlpha64",
       [](benchmark::State& s) { OurPiece(s, 1, 128, 0); },
       {{"SDL", [](benchmark::State& s) { SdlBlit(s, SDL_BLENDMODE_BLEND, 128, false); }},
        {"pixman", [](benchmark::State& s) { PixmanComposite(s, PIXMAN_OP_OVER, true, false); }}}},
      {"PlainAdd64",
       [](benchmark::State& s) { OurPiece(s, 2, 255, 0); },
       {{"SDL", [](benchmark::State& s) { SdlBlit(s, SDL_BLENDMODE_ADD, 255, false); }},
        {"pixman", [](benchmark::State& s) { PixmanComposite(s, PIXMAN_OP_ADD, false, false); }}}},
      {"KeyedCopy64",
       [](benchmark::State& s) { OurPiece(s, 0, 0, 1); },
       {{"SDL", [](benchmark::State& s) { SdlBlit(s, SDL_BLENDMODE_NONE, 255, true); }},
        {"pixman", [](benchmark::State& s) { PixmanComposite(s, PIXMAN_OP_OVER, false, true); }}},
       "Memcpy"},
      {"FillScreen",
       [](benchmark::State& s) { OurBox(s, 0, 0, kWidth); },
       {{"SDL", SdlFillScreen}, {"pixman", PixmanFillScreen}},
       "Memset"},
      {"AlphaBox64",
       [](benchmark::State& s) { OurBox(s, 1, 128, kPiece); },
       {{"SDL", SdlBlendBox}, {"pixman", PixmanBlendBox}}},
      {"Rotated64", OurRotated, {{"pixman", PixmanRotated}}},
      {"Parallelogram256", OurParallelogram, {{"pixman", PixmanParallelogram}}},
      {"Scaled2x", OurScaled2x, {{"SDL", SdlScaled2x}}, "Memcpy128"},
      {"Stretch2x", OurStretch2x, {{"SDL", SdlScaled2x}, {"pixman", PixmanStretch2x}}, "Memcpy128"},
      // A frame's worth of blending without a peer.
      {"AlphaBoxScreen", [](benchmark::State& s) { OurBox(s, 1, 128, kWidth); }, {}},
      {"Rotated32Frame", OurRotatedFrame, {}},
  };
}

// Keeps the throughput of every repetition by name; a name's rate is their median.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  // Colours only on a terminal, so that piped lines start with their own text.
  RatioReporter() : ConsoleReporter(isatty(fileno(stdout)) != 0 ? OO_ColorTabular : OO_Tabular) {}
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      auto it = run.counters.find("items_per_second");
      if (it == run.counters.end()) continue;
      if (run.run_type == Run::RT_Iteration) {
        rates_[run.run_name.str()] = it->second.value;
      } else if (run.aggregate_name == "median") {
        medians_[run.run_name.str()] = it->second.value;
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
  // The median throughput of a name's repetitions, or of its one run; 0 when it did not run.
  double Rate(const std::string& name) const {
    for (const auto* rates : {&medians_, &rates_}) {
      if (const auto it = rates->find(name); it != rates->end()) return it->second;
    }
    return 0;
  }

 private:
  std::map<std::string, double> rates_, medians_;
};

// The command line with the repetitions the ratios want, unless it names its own.
std::vector<char*> WithRepetitions(int argc, char** argv) {
  static char repetitions[] = "--benchmark_repetitions=5";
  static char aggregatesOnly[] = "--benchmark_display_aggregates_only=true";
  std::vector<char*> args(argv, argv + argc);
  const bool named = std::any_of(args.begin(), args.end(), [](const char* a) {
    return std::strncmp(a, "--benchmark_repetitions", 23) == 0;
  });
  if (!named) {
    args.push_back(repetitions);
    args.push_back(aggregatesOnly);
  }
  args.push_back(nullptr);
  return args;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<char*> args = WithRepetitions(argc, argv);
  int count = static_cast<int>(args.size()) - 1;
  benchmark::Initialize(&count, args.data());
  if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;
  if (!StartLibrary()) {
    std::fprintf(stderr, "raster_bench: the library did not start\n");
    return 1;
  }
  std::printf("raster path: %s\n",
              morrow::raster::RasterPathName(morrow::raster::CurrentRasterPath()));
  std::fflush(stdout);
  const std::vector<Case> cases = Cases();
  for (const Case& c : cases) {
    benchmark::RegisterBenchmark((std::string(c.name) + "/ours").c_str(), c.ours);
    for (const auto& [peer, run] : c.peers) {
      benchmark::RegisterBenchmark((std::string(c.name) + "/" + peer).c_str(), run);
    }
  }
  benchmark::RegisterBenchmark("Memset", PlainMemset);
  benchmark::RegisterBenchmark("Memcpy", [](benchmark::State& s) { PlainMemcpy(s, kPiece); });
  benchmark::RegisterBenchmark("Memcpy128",
                               [](benchmark::State& s) { PlainMemcpy(s, 2 * kPiece); });
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  for (const Case& c : cases) {
    const double ours = reporter.Rate(std::string(c.name) + "/ours");
    for (const auto& peer : c.peers) {
      const double theirs = reporter.Rate(std::string(c.name) + "/" + peer.first);
      if (ours <= 0 || theirs <= 0) continue;
      std::printf("ratio %s ours/%s %.2f\n", c.name, peer.first, ours / theirs);
    }
  }
  for (const Case& c : cases) {
    const double limit = c.limit != nullptr ? reporter.Rate(c.limit) : 0;
    if (limit <= 0 || reporter.Rate(std::string(c.name) + "/ours") <= 0) continue;
    std::printf("limit %s ours %.2f", c.name, reporter.Rate(std::string(c.name) + "/ours") / limit);
    for (const auto& peer : c.peers) {
      std::printf(" %s %.2f", peer.first,
                  reporter.Rate(std::string(c.name) + "/" + peer.first) / limit);
    }
    std::printf(" of %s\n", c.limit);
  }
  morrow::EndLibrary();
  std::remove((g_logFolder + "/AppLog.txt").c_str());
  rmdir(g_logFolder.c_str());
  benchmark::Shutdown();
  return 0;
}
