// The CPU 3D device: worked pixels at 5:6:5, 5:5:5 and 32 bits (textured quads, shared edges,
// culling, inversion, colour keys, lines and points, modulation, blending, filtering), the scene
// bracket on the render target, malformed vertices and calls, the texture and depth surfaces
// of the display, the recording decorator and MORROW_D3D.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "platform/device3d.h"
#include "platform/display.h"
#include "platform/pixel_layout.h"

namespace {

using platform::Device3D;
using platform::Direct3D;
using platform::DisplayResult;
using platform::PixelFormat;
using platform::PrimitiveType;
using platform::Rect;
using platform::RenderState;
using platform::StageState;
using platform::Surface;

struct Vertex {
  float x, y, z, rhw;
  uint32_t diffuse;
  float u, v;
};
static_assert(sizeof(Vertex) == 28);

Vertex V(float x, float y, uint32_t diffuse = 0xFFFFFFFFu, float u = 0, float v = 0) {
  return Vertex{x, y, 0.0f, 1.0f, diffuse, u, v};
}

// A quad as the library sends it: top-left, top-right, bottom-left, then bottom-right,
// bottom-left, top-right.
std::vector<Vertex> Quad(float x0, float y0, float x1, float y1, uint32_t diffuse = 0xFFFFFFFFu) {
  return {V(x0, y0, diffuse, 0, 0), V(x1, y0, diffuse, 1, 0), V(x0, y1, diffuse, 0, 1),
          V(x1, y1, diffuse, 1, 1), V(x0, y1, diffuse, 0, 1), V(x1, y0, diffuse, 1, 0)};
}

// The bits of a format outside its channels.
uint32_t FillOf(const PixelFormat& f) {
  const uint32_t all = f.bitCount >= 32 ? 0xFFFFFFFFu : (1u << f.bitCount) - 1u;
  return all & ~(f.redMask | f.greenMask | f.blueMask | f.alphaMask);
}

uint32_t ColourOf(const PixelFormat& f) {
  return f.redMask | f.greenMask | f.blueMask;
}

class Device3DTest : public ::testing::Test {
 protected:
  void SetUp() override { Start(platform::Direct3DConfig{}); }
  void TearDown() override {
    device_.reset();
    d3d_.reset();
    if (display_ != nullptr && !display_->IsDead()) display_->Release();
  }
  void Start(platform::Direct3DConfig d3d) {
    TearDown();
    platform::DisplayConfig config;
    config.desktopBits = 32;
    d3d.offered = true;
    config.direct3D = d3d;
    display_ = platform::Display::Create(config, nullptr);
    ASSERT_EQ(display_->QueryDirect3D(&d3d_), DisplayResult::kOk);
  }
  std::shared_ptr<Surface> Make(int w, int h, const PixelFormat& f, uint32_t caps = 0) {
    platform::SurfaceDesc d;
    d.flags = platform::kDescWidth | platform::kDescHeight | platform::kDescCaps |
              platform::kDescPixelFormat;
    d.width = w;
    d.height = h;
    d.caps = caps;
    d.pixelFormat = f;
    std::shared_ptr<Surface> s;
    EXPECT_EQ(display_->CreateSurface(d, &s), DisplayResult::kOk);
    return s;
  }
  // A 32 x 32 target of format f, every pixel set by value(x, y), and a device on it.
  void Target(const PixelFormat& f, const std::function<uint32_t(int, int)>& value) {
    target_ = Make(32, 32, f);
    Write(target_.get(), value);
    ASSERT_EQ(d3d_->CreateDevice(platform::DeviceKind::kHal, target_, &device_),
              DisplayResult::kOk);
  }
  static void Write(Surface* s, const std::function<uint32_t(int, int)>& value) {
    platform::LockedRect l;
    ASSERT_EQ(s->Lock(nullptr, &l), DisplayResult::kOk);
    const int bytes = static_cast<int>(l.format.bitCount / 8);
    for (int y = 0; y < l.height; ++y) {
      for (int x = 0; x < l.width; ++x) {
        platform::WritePixel(l.bits + y * l.pitch + x * bytes, bytes, value(x, y));
      }
    }
    s->Unlock();
  }
  static uint32_t Pixel(Surface* s, int x, int y) {
    platform::LockedRect l;
    if (s->Lock(nullptr, &l) != DisplayResult::kOk) return 0xDEADBEEFu;
    const int bytes = static_cast<int>(l.format.bitCount / 8);
    const uint32_t v = platform::ReadPixel(l.bits + y * l.pitch + x * bytes, bytes);
    s->Unlock();
    return v;
  }
  DisplayResult Draw(PrimitiveType type, const std::vector<Vertex>& v,
                     uint32_t format = platform::kVertexTextured) {
    // The coloured format has no u, v: 20 bytes a vertex.
    std::vector<uint8_t> bytes;
    for (const Vertex& x : v) {
      const auto* p = reinterpret_cast<const uint8_t*>(&x);
      bytes.insert(bytes.end(), p, p + (format == platform::kVertexTextured ? 28 : 20));
    }
    EXPECT_EQ(device_->BeginScene(), DisplayResult::kOk);
    const DisplayResult r =
        device_->DrawPrimitive(type, format, bytes.data(), static_cast<uint32_t>(v.size()), 0);
    EXPECT_EQ(device_->EndScene(), DisplayResult::kOk);
    return r;
  }
  void Blend(uint32_t src, uint32_t dest) {
    ASSERT_EQ(device_->SetRenderState(RenderState::kAlphaBlendEnable, 1), DisplayResult::kOk);
    ASSERT_EQ(device_->SetRenderState(RenderState::kSrcBlend, src), DisplayResult::kOk);
    ASSERT_EQ(device_->SetRenderState(RenderState::kDestBlend, dest), DisplayResult::kOk);
  }

  std::shared_ptr<platform::Display> display_;
  std::shared_ptr<Direct3D> d3d_;
  std::shared_ptr<Device3D> device_;
  std::shared_ptr<Surface> target_;
};

// ---- worked pixels at each depth ----

struct Depth {
  const char* name;
  PixelFormat format;  // of the target and of the texture
};
void PrintTo(const Depth& d, std::ostream* os) {
  *os << d.name;
}

class DevicePixels : public Device3DTest, public ::testing::WithParamInterface<Depth> {
 protected:
  // A value of every bit pattern the channels allow, with the format's fill bits.
  uint32_t Pattern(int x, int y) const {
    const PixelFormat& f = GetParam().format;
    const uint32_t h = static_cast<uint32_t>(x * 7919 + y * 104729) * 2654435761u;
    return (h & ColourOf(f)) | FillOf(f);
  }
};

TEST_P(DevicePixels, TexturedQuadIsOneToOne) {
  const PixelFormat f = GetParam().format;
  Target(f, [&](int, int) { return FillOf(f); });
  auto texture = Make(8, 8, f, platform::kCapsTexture);
  Write(texture.get(), [&](int x, int y) { return Pattern(x, y); });
  ASSERT_EQ(device_->SetTexture(0, texture), DisplayResult::kOk);
  // Image quads sit half a pixel up and left: texel centres on pixel centres.
  ASSERT_EQ(Draw(PrimitiveType::kTriangleList, Quad(9.5f, 19.5f, 17.5f, 27.5f)),
            DisplayResult::kOk);
  for (int y = 18; y < 30; ++y) {
    for (int x = 8; x < 20; ++x) {
      const bool inside = x >= 10 && x < 18 && y >= 20 && y < 28;
      EXPECT_EQ(Pixel(target_.get(), x, y), inside ? Pattern(x - 10, y - 20) : FillOf(f))
          << x << "," << y;
    }
  }
}

TEST_P(DevicePixels, SharedEdgesAreCoveredOnce) {
  const PixelFormat f = GetParam().format;
  Target(f, [&](int, int) { return FillOf(f); });
  Blend(platform::kBlendOne, platform::kBlendOne);
  // Each pixel adds 8 to every channel once; twice would show 16. The skewed quad's edges and
  // diagonal pass through pixel centres.
  const uint32_t once =
      platform::LayoutCodec(f, nullptr).Encode(platform::Rgb8{8, 8, 8}) | FillOf(f);
  ASSERT_EQ(Draw(PrimitiveType::kTriangleList, Quad(1.5f, 1.5f, 9.5f, 9.5f, 0xFF080808u)),
            DisplayResult::kOk);
  const std::vector<Vertex> skewed = {V(12, 2, 0xFF080808u),  V(30, 6, 0xFF080808u),
                                      V(14, 20, 0xFF080808u), V(32, 24, 0xFF080808u),
                                      V(14, 20, 0xFF080808u), V(30, 6, 0xFF080808u)};
  ASSERT_EQ(Draw(PrimitiveType::kTriangleList, skewed), DisplayResult::kOk);
  int square = 0, covered = 0;
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      const uint32_t p = Pixel(target_.get(), x, y);
      ASSERT_TRUE(p == FillOf(f) || p == once) << x << "," << y << " " << std::hex << p;
      if (p == once && x < 11) ++square;
      if (p == once && x >= 11) ++covered;
    }
  }
  EXPECT_EQ(square, 64);
  EXPECT_EQ(Pixel(target_.get(), 22, 13), once);  // the skewed quad's middle
  EXPECT_GT(covered, 200);
}

TEST_P(DevicePixels, CullingDropsTheTurningItIsSetFor) {
  const PixelFormat f = GetParam().format;
  const std::vector<Vertex> clockwise = {V(0, 0), V(10, 0), V(0, 10)};
  const std::vector<Vertex> counter = {V(0, 0), V(0, 10), V(10, 0)};
  struct Case {
    uint32_t mode;  // 0: the device's default
    bool clockwiseDrawn, counterDrawn;
  } cases[] = {{0, true, false},
               {platform::kCullCcw, true, false},
               {platform::kCullCw, false, true},
               {platform::kCullNone, true, true}};
  for (const Case& c : cases) {
    Target(f, [&](int, int) { return FillOf(f); });
    if (c.mode != 0) {
      ASSERT_EQ(device_->SetRenderState(RenderState::kCullMode, c.mode), DisplayResult::kOk);
    }
    Draw(PrimitiveType::kTriangleList, clockwise);
    EXPECT_EQ(Pixel(target_.get(), 2, 2) != FillOf(f), c.clockwiseDrawn) << c.mode;
    Target(f, [&](int, int) { return FillOf(f); });
    if (c.mode != 0) device_->SetRenderState(RenderState::kCullMode, c.mode);
    Draw(PrimitiveType::kTriangleList, counter);
    EXPECT_EQ(Pixel(target_.get(), 2, 2) != FillOf(f), c.counterDrawn) << c.mode;
  }
}

TEST_P(DevicePixels, WhiteInvDestColorFillInvertsEveryChannelExactly) {
  const PixelFormat f = GetParam().format;
  Target(f, [&](int x, int y) { return Pattern(x, y); });
  Blend(platform::kBlendInvDestColor, platform::kBlendZero);
  ASSERT_EQ(Draw(PrimitiveType::kTriangleList, Quad(-1, -1, 33, 33), platform::kVertexColoured),
            DisplayResult::kOk);
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      ASSERT_EQ(Pixel(target_.get(), x, y), (~Pattern(x, y) & ColourOf(f)) | FillOf(f))
          << x << "," << y;
    }
  }
}

TEST_P(DevicePixels, KeyedTexelsAreSkipped) {
  const PixelFormat f = GetParam().format;
  const uint32_t sentinel = FillOf(f) | (0x5555u & ColourOf(f));
  Target(f, [&](int, int) { return sentinel; });
  auto texture = Make(4, 4, f, platform::kCapsTexture);
  const uint32_t key = Pattern(3, 3);
  auto texel = [&](int x, int y) {
    const uint32_t t = Pattern(x, y);
    return (x + y) % 2 == 0 ? key : t == key ? t ^ 1u : t;
  };
  Write(texture.get(), texel);
  const platform::ColorKey ck{key, key};
  ASSERT_EQ(texture->SetColorKey(platform::kColorKeySrcBlt, &ck), DisplayResult::kOk);
  ASSERT_EQ(device_->SetTexture(0, texture), DisplayResult::kOk);
  ASSERT_EQ(device_->SetRenderState(RenderState::kColorKeyEnable, 1), DisplayResult::kOk);
  ASSERT_EQ(Draw(PrimitiveType::kTriangleList, Quad(-0.5f, -0.5f, 3.5f, 3.5f)), DisplayResult::kOk);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) {
      EXPECT_EQ(Pixel(target_.get(), x, y), (x + y) % 2 == 0 ? sentinel : texel(x, y));
    }
  }
}

TEST_P(DevicePixels, LinesWalkAsTheSoftwareLineAndPointsRound) {
  const PixelFormat f = GetParam().format;
  const uint32_t white = ColourOf(f) | FillOf(f);
  struct Case {
    uint32_t lastPixel;
    float x1, y1, x2, y2;
    int from, to;  // lit on row 5
  } cases[] = {{1, 2, 5, 6, 5, 2, 6},
               {0, 2, 5, 6, 5, 2, 5},
               {1, 6, 5, 2, 5, 2, 6},
               {0, 6, 5, 2, 5, 3, 6},
               {1, 2.4f, 5.4f, 5.6f, 4.6f, 2, 6}};
  for (const Case& c : cases) {
    Target(f, [&](int, int) { return FillOf(f); });
    device_->SetRenderState(RenderState::kLastPixel, c.lastPixel);
    ASSERT_EQ(
        Draw(PrimitiveType::kLineList, {V(c.x1, c.y1), V(c.x2, c.y2)}, platform::kVertexColoured),
        DisplayResult::kOk);
    for (int x = 0; x < 10; ++x) {
      EXPECT_EQ(Pixel(target_.get(), x, 5), x >= c.from && x <= c.to ? white : FillOf(f))
          << c.x1 << " " << c.lastPixel << " x " << x;
    }
  }
  Target(f, [&](int, int) { return FillOf(f); });
  ASSERT_EQ(
      Draw(PrimitiveType::kPointList, {V(3.49f, 4.5f), V(-0.5f, 7.2f)}, platform::kVertexColoured),
      DisplayResult::kOk);
  EXPECT_EQ(Pixel(target_.get(), 3, 5), white);
  EXPECT_EQ(Pixel(target_.get(), 0, 7), white);
  EXPECT_EQ(Pixel(target_.get(), 3, 4), FillOf(f));
}

INSTANTIATE_TEST_SUITE_P(
    Depths, DevicePixels,
    ::testing::Values(Depth{"R5G6B5", platform::RgbPixelFormat(16, 0xF800, 0x07E0, 0x001F)},
                      Depth{"X1R5G5B5", platform::RgbPixelFormat(16, 0x7C00, 0x03E0, 0x001F)},
                      Depth{"X8R8G8B8", platform::RgbPixelFormat(32, 0xFF0000, 0xFF00, 0xFF)}),
    [](const ::testing::TestParamInfo<Depth>& i) { return std::string(i.param.name); });

// ---- worked values: modulation, blending, filtering ----

TEST_F(Device3DTest, ModulationBlendingAndFilteringWorkedValues) {
  const PixelFormat x888 = platform::RgbPixelFormat(32, 0xFF0000, 0xFF00, 0xFF);
  Target(x888, [](int, int) { return 0xFF000000u; });
  auto texture = Make(2, 1, x888, platform::kCapsTexture);
  Write(texture.get(), [](int x, int) { return x == 0 ? 0xFF000000u : 0xFFFFFFFFu; });
  ASSERT_EQ(device_->SetTexture(0, texture), DisplayResult::kOk);
  // Pixel (0, 0) samples u = 0.5: point sampling takes texel 1 (white), modulated by the diffuse
  // colour as (a * b + 127) / 255.
  auto one = [](uint32_t diffuse) {
    return std::vector<Vertex>{V(-0.5f, -0.5f, diffuse, 0.25f, 0),
                               V(1.5f, -0.5f, diffuse, 1.25f, 0),
                               V(-0.5f, 1.5f, diffuse, 0.25f, 2)};
  };
  Draw(PrimitiveType::kTriangleList, one(0xFF804001u));
  EXPECT_EQ(Pixel(target_.get(), 0, 0), 0xFF804001u);
  // Linear filtering blends texels 0 and 1 by 128/256: 255 x 128 / 256, rounded, is 128; the
  // white diffuse leaves it.
  device_->SetTextureStageState(0, StageState::kMagFilter, platform::kFilterLinear);
  Draw(PrimitiveType::kTriangleList, one(0xFFFFFFFFu));
  EXPECT_EQ(Pixel(target_.get(), 0, 0), 0xFF808080u);
  // Red at alpha 128 over black, without the texture: (255 x 128 + 0 x 127 + 127) / 255 = 128.
  device_->SetTexture(0, nullptr);
  device_->SetTextureStageState(0, StageState::kAlphaOp, platform::kOpSelectArg2);
  device_->SetTextureStageState(0, StageState::kAlphaArg2, platform::kArgDiffuse);
  Write(target_.get(), [](int, int) { return 0xFF000000u; });
  Blend(platform::kBlendSrcAlpha, platform::kBlendInvSrcAlpha);
  Draw(PrimitiveType::kTriangleList, one(0x80FF0000u));
  EXPECT_EQ(Pixel(target_.get(), 0, 0), 0xFF800000u);
  // SRCCOLOR multiplies the target by the source: 200 x 100 / 255 = 78.4 -> 78.
  Write(target_.get(), [](int, int) { return 0xFF646464u; });
  Blend(platform::kBlendZero, platform::kBlendSrcColor);
  Draw(PrimitiveType::kTriangleList, one(0xFFC8C8C8u));
  EXPECT_EQ(Pixel(target_.get(), 0, 0), 0xFF4E4E4Eu);
}

// ---- the scene bracket and malformed input ----

TEST_F(Device3DTest, TheRenderTargetRefusesAccessInsideAScene) {
  const PixelFormat x888 = platform::RgbPixelFormat(32, 0xFF0000, 0xFF00, 0xFF);
  Target(x888, [](int, int) { return 0u; });
  auto other = Make(32, 32, x888);
  const std::vector<Vertex> tri = {V(0, 0), V(10, 0), V(0, 10)};
  EXPECT_EQ(device_->DrawPrimitive(PrimitiveType::kTriangleList, platform::kVertexColoured,
                                   tri.data(), 3, 0),
            DisplayResult::kNoScene);
  EXPECT_EQ(device_->EndScene(), DisplayResult::kNoScene);
  ASSERT_EQ(device_->BeginScene(), DisplayResult::kOk);
  EXPECT_EQ(device_->BeginScene(), DisplayResult::kNoScene);
  platform::LockedRect l;
  platform::BltFx fx;
  std::shared_ptr<platform::DeviceContext> dc;
  EXPECT_EQ(target_->Lock(nullptr, &l), DisplayResult::kSceneOpen);
  EXPECT_EQ(target_->Blt(nullptr, nullptr, nullptr, platform::kBltColorFill, &fx),
            DisplayResult::kSceneOpen);
  EXPECT_EQ(target_->BltFast(0, 0, other.get(), nullptr, 0), DisplayResult::kSceneOpen);
  EXPECT_EQ(target_->GetDC(&dc), DisplayResult::kSceneOpen);
  EXPECT_EQ(other->Blt(nullptr, target_.get(), nullptr, 0, nullptr), DisplayResult::kOk);
  // A new target takes the scene's mark over.
  ASSERT_EQ(device_->SetRenderTarget(other), DisplayResult::kOk);
  EXPECT_EQ(target_->Lock(nullptr, &l), DisplayResult::kOk);
  target_->Unlock();
  EXPECT_EQ(other->Lock(nullptr, &l), DisplayResult::kSceneOpen);
  ASSERT_EQ(device_->EndScene(), DisplayResult::kOk);
  EXPECT_EQ(other->Lock(nullptr, &l), DisplayResult::kOk);
  other->Unlock();
}

TEST_F(Device3DTest, MalformedVerticesAndCallsTouchNothingOutside) {
  const PixelFormat x888 = platform::RgbPixelFormat(32, 0xFF0000, 0xFF00, 0xFF);
  Target(x888, [](int, int) { return 0xFF000000u; });
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  const float far = 1073741824.0f;  // 2^30
  // One bad corner drops the whole primitive, whatever the others.
  struct Dropped {
    PrimitiveType type;
    std::vector<Vertex> v;
  } dropped[] = {
      {PrimitiveType::kTriangleList, {V(nan, 0), V(30, 0), V(0, 30)}},
      {PrimitiveType::kTriangleList, {V(0, 0), V(30, inf), V(0, 30)}},
      {PrimitiveType::kTriangleList, {V(-far, -far), V(far, -far), V(-far, far)}},
      {PrimitiveType::kTriangleList, {V(0, 0, 0xFFFFFFFFu, nan, 0), V(30, 0), V(0, 30)}},
      {PrimitiveType::kTriangleStrip, {V(0, 0), V(30, 0), V(0, -inf)}},
      {PrimitiveType::kLineList, {V(nan, 3), V(30, 3)}},
      {PrimitiveType::kLineStrip, {V(-far, 3), V(10, 3)}},
      {PrimitiveType::kPointList, {V(3, nan), V(far, 2), V(4, 5, 0xFFFFFFFFu, 0, inf)}},
  };
  for (const Dropped& d : dropped) EXPECT_EQ(Draw(d.type, d.v), DisplayResult::kOk);
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) ASSERT_EQ(Pixel(target_.get(), x, y), 0xFF000000u);
  }
  // Within 2^24 the primitive is drawn, clipped to the target, and the walk stays short.
  const float edge = 16777216.0f;
  EXPECT_EQ(Draw(PrimitiveType::kTriangleList, {V(-edge, -100), V(edge, -100), V(-100, edge)}),
            DisplayResult::kOk);
  EXPECT_EQ(Pixel(target_.get(), 31, 31), 0xFFFFFFFFu);
  Write(target_.get(), [](int, int) { return 0xFF000000u; });
  EXPECT_EQ(Draw(PrimitiveType::kLineList, {V(-edge, 3), V(edge, 3)}), DisplayResult::kOk);
  EXPECT_EQ(Pixel(target_.get(), 0, 3), 0xFFFFFFFFu);
  EXPECT_EQ(Pixel(target_.get(), 31, 3), 0xFFFFFFFFu);

  // Refused calls.
  const std::vector<Vertex> strip = Quad(0, 0, 4, 4);
  const uint16_t badIndex[] = {0, 1, 6};
  ASSERT_EQ(device_->BeginScene(), DisplayResult::kOk);
  EXPECT_EQ(device_->DrawIndexedPrimitive(PrimitiveType::kTriangleStrip, platform::kVertexTextured,
                                          strip.data(), 6, badIndex, 3, 0),
            DisplayResult::kInvalidParams);
  EXPECT_EQ(device_->DrawIndexedPrimitive(PrimitiveType::kLineList, platform::kVertexTextured,
                                          strip.data(), 6, badIndex, 2, 0),
            DisplayResult::kInvalidParams);
  EXPECT_EQ(device_->DrawPrimitive(PrimitiveType::kTriangleList, 0x142, strip.data(), 6, 0),
            DisplayResult::kInvalidParams);
  EXPECT_EQ(device_->DrawPrimitive(PrimitiveType::kTriangleList, platform::kVertexTextured, nullptr,
                                   6, 0),
            DisplayResult::kInvalidParams);
  EXPECT_EQ(device_->EndScene(), DisplayResult::kOk);
  struct Bad {
    RenderState state;
    uint32_t value;
  } badStates[] = {{RenderState::kSrcBlend, platform::kBlendDestAlpha},
                   {RenderState::kCullMode, 4},
                   {RenderState::kAlphaBlendEnable, 2},
                   {static_cast<RenderState>(99), 0}};
  for (const Bad& b : badStates) {
    EXPECT_EQ(device_->SetRenderState(b.state, b.value), DisplayResult::kInvalidParams);
  }
  EXPECT_EQ(device_->SetTextureStageState(1, StageState::kColorOp, platform::kOpModulate),
            DisplayResult::kInvalidParams);
  EXPECT_EQ(device_->SetTextureStageState(0, StageState::kAddress, 2),
            DisplayResult::kInvalidParams);
  EXPECT_EQ(device_->SetTexture(0, target_), DisplayResult::kInvalidParams);  // not a texture

  // The viewport scissors, and cannot reach outside the target.
  platform::Viewport vp;
  vp.x = 30;
  vp.width = 3;
  vp.height = 1;
  EXPECT_EQ(device_->SetViewport(vp), DisplayResult::kInvalidParams);
  vp.x = 4;
  vp.y = 4;
  vp.width = 2;
  vp.height = 2;
  ASSERT_EQ(device_->SetViewport(vp), DisplayResult::kOk);
  Write(target_.get(), [](int, int) { return 0xFF000000u; });
  Draw(PrimitiveType::kTriangleList, Quad(-1, -1, 33, 33), platform::kVertexColoured);
  int lit = 0;
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) lit += Pixel(target_.get(), x, y) == 0xFFFFFFFFu ? 1 : 0;
  }
  EXPECT_EQ(lit, 4);
  EXPECT_EQ(Pixel(target_.get(), 5, 5), 0xFFFFFFFFu);
  // A new render target brings a viewport of its whole size.
  auto small = Make(8, 8, x888);
  ASSERT_EQ(device_->SetRenderTarget(small), DisplayResult::kOk);
  ASSERT_EQ(device_->GetViewport(&vp), DisplayResult::kOk);
  EXPECT_EQ(vp.width, 8u);
  EXPECT_EQ(vp.x, 0u);
}

TEST_F(Device3DTest, LoadCopiesBetweenTexturesOfOneLayout) {
  const PixelFormat rgb565 = platform::RgbPixelFormat(16, 0xF800, 0x07E0, 0x001F);
  const PixelFormat argb4 = platform::RgbPixelFormat(16, 0x0F00, 0x00F0, 0x000F, 0xF000);
  Target(rgb565, [](int, int) { return 0u; });
  auto dest = Make(16, 16, rgb565, platform::kCapsTexture);
  auto src = Make(16, 16, rgb565, platform::kCapsTexture | platform::kCapsSystemMemory);
  auto other = Make(16, 16, argb4, platform::kCapsTexture);
  Write(dest.get(), [](int, int) { return 0x1111u; });
  Write(src.get(), [](int x, int y) { return static_cast<uint32_t>(x * 16 + y); });
  const Rect area{2, 3, 6, 5};
  ASSERT_EQ(device_->Load(dest, 2, 3, src, &area, 0), DisplayResult::kOk);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      const bool inside = x >= 2 && x < 6 && y >= 3 && y < 5;
      ASSERT_EQ(Pixel(dest.get(), x, y), inside ? static_cast<uint32_t>(x * 16 + y) : 0x1111u);
    }
  }
  EXPECT_EQ(device_->Load(dest, 14, 14, src, &area, 0), DisplayResult::kInvalidRect);
  EXPECT_EQ(device_->Load(dest, 0, 0, other, nullptr, 0), DisplayResult::kInvalidPixelFormat);
  EXPECT_EQ(device_->Load(dest, 0, 0, target_, nullptr, 0), DisplayResult::kInvalidParams);
}

// ---- textures and depth buffers of the display ----

TEST_F(Device3DTest, TexturesAndDepthBuffersInTheListedFormats) {
  const PixelFormat rgb565 = platform::RgbPixelFormat(16, 0xF800, 0x07E0, 0x001F);
  const PixelFormat argb4 = platform::RgbPixelFormat(16, 0x0F00, 0x00F0, 0x000F, 0xF000);
  PixelFormat luminance = platform::RgbPixelFormat(16, 0xFF, 0, 0);
  luminance.flags = platform::kPixelLuminance;
  const PixelFormat z16 = platform::DepthPixelFormat(16, 0xFFFF, 0, 0);
  const PixelFormat z24s8 = platform::DepthPixelFormat(32, 0xFFFFFF00u, 8, 0xFF);
  struct Case {
    const char* name;
    bool offered;
    bool square;
    uint32_t caps;
    PixelFormat format;
    int w, h;
    DisplayResult result;
  } cases[] = {
      {"texture", true, false, platform::kCapsTexture, argb4, 64, 32, DisplayResult::kOk},
      {"not offered", false, false, platform::kCapsTexture, argb4, 64, 32,
       DisplayResult::kInvalidCaps},
      {"not a power of two", true, false, platform::kCapsTexture, rgb565, 48, 32,
       DisplayResult::kInvalidParams},
      {"past the maximum", true, false, platform::kCapsTexture, rgb565, 4096, 1,
       DisplayResult::kInvalidParams},
      {"not square", true, true, platform::kCapsTexture, rgb565, 64, 32,
       DisplayResult::kInvalidParams},
      {"square", true, true, platform::kCapsTexture, rgb565, 32, 32, DisplayResult::kOk},
      {"unlisted layout", true, false, platform::kCapsTexture,
       platform::RgbPixelFormat(16, 0x0F00, 0x00F0, 0x000F), 8, 8,
       DisplayResult::kInvalidPixelFormat},
      {"luminance", true, false, platform::kCapsTexture, luminance, 8, 8,
       DisplayResult::kInvalidPixelFormat},
      {"depth", true, false, platform::kCapsZBuffer | platform::kCapsVideoMemory, z16, 640, 480,
       DisplayResult::kOk},
      {"depth with stencil", true, false, platform::kCapsZBuffer, z24s8, 8, 8, DisplayResult::kOk},
      {"depth as texture", true, false, platform::kCapsTexture, z16, 8, 8,
       DisplayResult::kInvalidPixelFormat},
      {"texture and depth", true, false, platform::kCapsTexture | platform::kCapsZBuffer, z16, 8, 8,
       DisplayResult::kInvalidCaps},
  };
  for (const Case& c : cases) {
    platform::Direct3DConfig d3d;
    d3d.squareOnly = c.square;
    Start(d3d);
    if (!c.offered) {
      TearDown();
      display_ = platform::Display::Create(platform::DisplayConfig{}, nullptr);
    }
    platform::SurfaceDesc d;
    d.flags = platform::kDescWidth | platform::kDescHeight | platform::kDescCaps |
              platform::kDescPixelFormat;
    d.width = c.w;
    d.height = c.h;
    d.caps = c.caps;
    d.pixelFormat = c.format;
    std::shared_ptr<Surface> s;
    EXPECT_EQ(display_->CreateSurface(d, &s), c.result) << c.name;
  }
  // A depth buffer takes depth fills and nothing else.
  Start(platform::Direct3DConfig{});
  auto z = Make(4, 4, z16, platform::kCapsZBuffer);
  platform::BltFx fx;
  fx.fillDepth = 0xFFFF;
  EXPECT_EQ(z->Blt(nullptr, nullptr, nullptr, platform::kBltDepthFill, &fx), DisplayResult::kOk);
  EXPECT_EQ(Pixel(z.get(), 3, 3), 0xFFFFu);
  EXPECT_EQ(z->Blt(nullptr, nullptr, nullptr, platform::kBltColorFill, &fx),
            DisplayResult::kInvalidParams);
  auto t = Make(4, 4, rgb565, platform::kCapsTexture);
  EXPECT_EQ(t->Blt(nullptr, nullptr, nullptr, platform::kBltDepthFill, &fx),
            DisplayResult::kInvalidParams);
}

// ---- the recording decorator ----

TEST_F(Device3DTest, TheRecorderWritesEveryCall) {
  std::vector<std::string> lines;
  d3d_ = platform::MakeRecordingDirect3D(d3d_, [&](const std::string& l) { lines.push_back(l); });
  const PixelFormat x888 = platform::RgbPixelFormat(32, 0xFF0000, 0xFF00, 0xFF);
  target_ = Make(32, 16, x888);
  ASSERT_EQ(d3d_->CreateDevice(platform::DeviceKind::kTnLHal, target_, &device_),
            DisplayResult::kOk);
  device_->SetRenderState(RenderState::kSrcBlend, platform::kBlendInvSrcAlpha);
  device_->SetRenderState(RenderState::kCullMode, platform::kCullNone);
  device_->SetRenderState(RenderState::kLastPixel, 0);
  device_->SetTextureStageState(0, StageState::kAlphaOp, platform::kOpModulate);
  device_->SetTextureStageState(0, StageState::kColorArg1, platform::kArgTexture);
  device_->SetTextureStageState(0, StageState::kMagFilter, platform::kFilterLinear);
  platform::Viewport vp;
  vp.width = 64;
  device_->SetViewport(vp);
  device_->BeginScene();
  const std::vector<Vertex> q = Quad(0, 0, 4, 4);
  device_->DrawPrimitive(PrimitiveType::kTriangleList, platform::kVertexTextured, q.data(), 6, 0);
  device_->EndScene();
  device_.reset();
  d3d_.reset();
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "CreateDevice TNLHAL 32x16", "SRCBLEND=INVSRCALPHA", "CULLMODE=NONE",
                       "LASTPIXEL=0", "TSS0.ALPHAOP=MODULATE", "TSS0.COLORARG1=TEXTURE",
                       "TSS0.MAGFILTER=LINEAR", "SetViewport 0 0 64 0 -> invalid parameters",
                       "BeginScene", "DrawPrimitive TRIANGLELIST 0x144 6", "EndScene",
                       "Release Device3D", "Release Direct3D"}));
}

// ---- MORROW_D3D ----

TEST(Direct3DSetting, ParsesTheOptionsAndRefusesAnythingElse) {
  struct Case {
    const char* value;
    bool ok, offered = false, hardwareOnly = false, noDevice = false, noDepth16 = false,
             square = false;
    uint32_t minTex = 1, maxTex = 2048;
  } cases[] = {
      {"off", true, false, false, false, false, false, 1, 2048},
      {"on", true, true, false, false, false, false, 1, 2048},
      {"hal", true, true, true, false, false, false, 1, 2048},
      {"on,nodevice,noz", true, true, false, true, true, false, 1, 2048},
      {"square,mintex=0,maxtex=256", true, true, false, false, false, true, 0, 256},
      {"maxtex=65536", true, true, false, false, false, false, 1, 65536},
      {"maxtex=300", false},
      {"maxtex=131072", false},
      {"mintex=", false},
      {"mintex=-4", false},
      {"on,", false},
      {"ON", false},
      {"on,,hal", false},
      {"maxtex=0x100", false},
  };
  for (const Case& c : cases) {
    platform::Direct3DConfig d;
    d.minTextureSize = 7;  // left as it was when the value is refused
    ASSERT_EQ(platform::ParseDirect3DSetting(c.value, &d), c.ok) << c.value;
    if (!c.ok) {
      EXPECT_EQ(d.minTextureSize, 7u);
      continue;
    }
    EXPECT_EQ(d.offered, c.offered) << c.value;
    EXPECT_EQ(d.hardwareOnly, c.hardwareOnly) << c.value;
    EXPECT_EQ(d.noDevice, c.noDevice) << c.value;
    EXPECT_EQ(d.noDepth16, c.noDepth16) << c.value;
    EXPECT_EQ(d.squareOnly, c.square) << c.value;
    EXPECT_EQ(d.minTextureSize, c.minTex) << c.value;
    EXPECT_EQ(d.maxTextureSize, c.maxTex) << c.value;
  }
  // From the environment: a malformed value leaves the device off.
  for (const char* v : {"bogus", "on,maxtex=3"}) {
    setenv("MORROW_D3D", v, 1);
    EXPECT_FALSE(platform::DisplayConfigFromEnvironment(800, 600, 32).direct3D.offered) << v;
  }
  setenv("MORROW_D3D", "on,square", 1);
  EXPECT_TRUE(platform::DisplayConfigFromEnvironment(800, 600, 32).direct3D.squareOnly);
  unsetenv("MORROW_D3D");
  EXPECT_FALSE(platform::DisplayConfigFromEnvironment(800, 600, 32).direct3D.offered);
}

}  // namespace
