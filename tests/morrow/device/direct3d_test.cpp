// The 3D set-up, the device records and their render state through the recording decorator: the
// device, depth and texture formats chosen, every failing step, the blend table, the flush and
// scene bracket, and a device made again after a display rebuild.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "morrow/device/color_format.h"
#include "morrow/graphics/draw.h"
#include "morrow/graphics/draw_state.h"
#include "morrow/graphics/graph.h"
#include "tests/morrow/device/direct3d_fixture.h"

namespace {

using morrow::GetDirect3DState;
using platform::RenderState;
using platform::StageState;
using Lines = std::vector<std::string>;

class Direct3D : public testsupport::Direct3DFixture {};

struct SetUpCase {
  const char* name;
  const char* option;
  int depth;
  const char* layout;
  platform::DeviceKind kind;
  int minTexture, maxTexture;
  uint32_t plain16Red;  // the 16-bit plain texture format: the screen's where listed
  const char* limitsLine;
};

TEST_F(Direct3D, SetUpTakesTheDeviceAndFormatsItFinds) {
  const SetUpCase cases[] = {
      {"T&L preferred", "on", 16, nullptr, platform::DeviceKind::kTnLHal, 1, 2048, 0xF800,
       "テクスチャ最大幅:2048 最小幅:1 "},
      {"hardware only", "hal", 16, nullptr, platform::DeviceKind::kHal, 1, 2048, 0xF800,
       "テクスチャ最大幅:2048 最小幅:1 "},
      {"5:5:5 screen", "on", 16, "555", platform::DeviceKind::kTnLHal, 1, 2048, 0x7C00,
       "テクスチャ最大幅:2048 最小幅:1 "},
      {"32-bit screen", "on", 32, nullptr, platform::DeviceKind::kTnLHal, 1, 2048, 0xF800,
       "テクスチャ最大幅:2048 最小幅:1 "},
      {"limits of 0", "mintex=0,maxtex=0", 16, nullptr, platform::DeviceKind::kTnLHal, 32, 256,
       0xF800, "テクスチャ最大幅:256 最小幅:32 "},
      {"limits", "mintex=64,maxtex=512", 16, nullptr, platform::DeviceKind::kTnLHal, 64, 512,
       0xF800, "テクスチャ最大幅:512 最小幅:64 "},
  };
  for (const SetUpCase& c : cases) {
    SCOPED_TRACE(c.name);
    calls_.clear();
    Start3D(c.option, c.depth, c.layout);
    const morrow::Direct3DState& d = GetDirect3DState();
    ASSERT_EQ(d.initialised, 1);
    EXPECT_EQ(morrow::HasDirect3DDevice(), 1);
    EXPECT_EQ(morrow::IsDirect3DUsable(), 1);
    EXPECT_EQ(d.deviceDesc.kind, c.kind);
    EXPECT_EQ(d.minTextureSize, c.minTexture);
    EXPECT_EQ(d.maxTextureSize, c.maxTexture);
    EXPECT_EQ(calls_[0], "QueryDirect3D");
    EXPECT_EQ(calls_[3],
              std::string("CreateDevice ") + platform::DeviceKindName(c.kind) + " 1024x768");
    // The depth format with stencil is passed over for 16 bits of depth alone.
    EXPECT_EQ(morrow::GetZBufferPixelFormat()->flags, platform::kPixelZBuffer);
    EXPECT_EQ(morrow::GetZBufferPixelFormat()->bitCount, 16u);
    const uint32_t alpha[6] = {0, 0, 0xF000, 0xFF000000u, 0x8000, 0xFF000000u};
    const uint32_t bits[6] = {16, 32, 16, 32, 16, 32};
    for (int i = 0; i < 6; ++i) {
      EXPECT_EQ(morrow::GetPresetColorFormatRecord(i)->pixelFormat.alphaMask, alpha[i]) << i;
      EXPECT_EQ(morrow::GetPresetColorFormatRecord(i)->pixelFormat.bitCount, bits[i]) << i;
    }
    EXPECT_EQ(morrow::GetPresetColorFormat(0)->redMask, c.plain16Red);
    EXPECT_EQ(Count(std::string("\t") + c.limitsLine + "\n"), 1);
    EXPECT_EQ(Count("\t３Ｄグラフィック描画機能を使用します\n"), 1);
    // The graphics start turns culling off.
    EXPECT_EQ(Record().cullMode, morrow::kCullModeOff);
    EXPECT_TRUE(Called("CULLMODE=NONE"));
    const int graph = morrow::CreateEmptyGraph(8, 8);
    EXPECT_EQ(morrow::GetGraphRecord(graph)->flags.texture, 1);
    GraphicsFixture::TearDown();
    GraphicsFixture::SetUp();
  }
}

TEST_F(Direct3D, AFailingStepReleasesEverythingAndLeavesTheSoftwarePath) {
  platform::PixelFormat luminance = platform::RgbPixelFormat(16, 0xFF, 0, 0);
  luminance.flags = platform::kPixelLuminance;
  platform::PixelFormat fourcc{};
  fourcc.flags = platform::kPixelFourCC;
  fourcc.fourCC = platform::MakeFourCC('D', 'X', 'T', '1');
  platform::PixelFormat alphaOnly = platform::RgbPixelFormat(8, 0, 0, 0, 0xFF);
  alphaOnly.flags = platform::kPixelAlphaOnly;
  const std::vector<platform::PixelFormat> unusable = {
      luminance, fourcc, alphaOnly, platform::RgbPixelFormat(16, 0x0F00, 0xF0, 0xF, 0xF000)};
  struct Case {
    const char* name;
    const char* option;
    std::function<void(platform::DisplayConfig*)> hook;
    const char* message;  // "" for none
    bool deviceMade;
  } cases[] = {
      {"no device",
       "nodevice",
       {},
       "現在の画面モードで使用できる描画デバイスが見つかりませんでした",
       false},
      {"no 16-bit depth", "noz", {}, "使用可能なＺバッファが見つかりませんでした", false},
      {"device refused", "on",
       [](platform::DisplayConfig* c) { c->direct3D.failCall = "CreateDevice"; },
       "３Ｄデバイスの作成に失敗しました", false},
      {"stage state refused", "on",
       [](platform::DisplayConfig* c) { c->direct3D.failCall = "SetTextureStageState"; }, "", true},
      {"no plain 16-bit texture", "on",
       [&](platform::DisplayConfig* c) { c->direct3D.textureFormats = unusable; },
       "使用可能なテクスチャフォーマットが見つかりませんでした", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    calls_.clear();
    Start3D(c.option, 16, nullptr, c.hook);
    const morrow::Direct3DState& d = GetDirect3DState();
    EXPECT_EQ(d.direct3D, nullptr);
    EXPECT_EQ(d.initialised, 0);
    for (const auto& r : d.devices) EXPECT_EQ(r.inUse, 0);
    EXPECT_EQ(morrow::HasDirect3DDevice(), 0);
    EXPECT_EQ(morrow::EndScene3D(), -1);
    for (int i = 0; i < 6; ++i) {
      EXPECT_EQ(morrow::GetPresetColorFormatRecord(i)->pixelFormat.bitCount, 0u);
    }
    EXPECT_EQ(morrow::GetZBufferPixelFormat()->bitCount, 0u);
    if (c.message[0] != '\0') {
      EXPECT_EQ(Count(std::string(c.message) + "\n"), 1);
    }
    EXPECT_EQ(Called("Release Device3D"), c.deviceMade);
    EXPECT_EQ(calls_.back(), "Release Direct3D");
    EXPECT_EQ(Count("\t３Ｄグラフィック描画機能は使用しません\n"), 1);
    const int graph = morrow::CreateEmptyGraph(8, 8);
    EXPECT_EQ(morrow::GetGraphRecord(graph)->flags.texture, 0);
    GraphicsFixture::TearDown();
    GraphicsFixture::SetUp();
  }
}

TEST_F(Direct3D, TheBlendTableSendsOnlyWhatChanges) {
  Start3D();
  struct Step {
    int mode, param;
    Lines sent;
    int cachedMode, cachedParam;
  } steps[] = {
      {1, 128, {"ALPHABLENDENABLE=1", "SRCBLEND=SRCALPHA", "DESTBLEND=INVSRCALPHA"}, 1, 128},
      {1, 128, {}, 1, 128},
      {1, 200, {}, 1, 200},
      {2, 255, {"SRCBLEND=SRCALPHA", "DESTBLEND=ONE"}, 2, 255},
      {3, 10, {"SRCBLEND=INVDESTCOLOR", "DESTBLEND=ZERO"}, 3, 10},
      {3, 20, {}, 3, 10},
      {4, 0, {"SRCBLEND=ZERO", "DESTBLEND=SRCCOLOR"}, 4, 0},
      {7,
       1,
       {"SRCBLEND=ZERO", "TSS0.ALPHAARG1=TEXTURE", "TSS0.ALPHAARG2=DIFFUSE",
        "TSS0.ALPHAOP=MODULATE"},
       4,
       0},
      {7, 1, {}, 4, 0},
      {5, 77, {"ALPHABLENDENABLE=1", "SRCBLEND=SRCALPHA", "DESTBLEND=ONE"}, 5, 0},
      {5, 78, {}, 5, 0},
      {-5, 1, {}, 5, 0},
      {6, 9, {}, 5, 0},
      {9, 0, {}, 5, 0},
      {-12, 0, {}, 5, 0},
      {-11, 3, {"DESTBLEND=ONE", "SRCBLEND=SRCALPHA"}, -11, 3},
      {0, 0, {"ALPHABLENDENABLE=0", "TSS0.ALPHAOP=SELECTARG1", "TSS0.ALPHAARG1=DIFFUSE"}, 0, -1},
      {0, 255, {}, 0, -1},
      {8, 0, {"ALPHABLENDENABLE=0", "TSS0.ALPHAOP=SELECTARG1", "TSS0.ALPHAARG1=DIFFUSE"}, 8, -1},
      // After mode 8 blending is off as after mode 0: mode 1 switches it on.
      {1, 50, {"ALPHABLENDENABLE=1", "SRCBLEND=SRCALPHA", "DESTBLEND=INVSRCALPHA"}, 1, 50},
      {0, 0, {"ALPHABLENDENABLE=0", "TSS0.ALPHAOP=SELECTARG1", "TSS0.ALPHAARG1=DIFFUSE"}, 0, -1},
      {7,
       1,
       {"SRCBLEND=SRCALPHA", "ALPHABLENDENABLE=1", "DESTBLEND=INVSRCALPHA",
        "TSS0.ALPHAARG1=TEXTURE", "TSS0.ALPHAARG2=DIFFUSE", "TSS0.ALPHAOP=MODULATE"},
       1,
       256},
      {7,
       0,
       {"SRCBLEND=SRCALPHA", "TSS0.ALPHAARG1=DIFFUSE", "TSS0.ALPHAARG2=DIFFUSE",
        "TSS0.ALPHAOP=SELECTARG2"},
       1,
       256},
  };
  for (const Step& s : steps) {
    calls_.clear();
    EXPECT_EQ(morrow::SetBlendMode3D(s.mode, s.param), 0);
    EXPECT_EQ(States(), s.sent) << s.mode << "," << s.param;
    EXPECT_EQ(Record().blendMode, s.cachedMode) << s.mode << "," << s.param;
    EXPECT_EQ(Record().blendParam, s.cachedParam) << s.mode << "," << s.param;
  }
  EXPECT_EQ(morrow::GetDrawState().blendParam, 256);

  calls_.clear();
  EXPECT_EQ(morrow::SetFilterMode3D(2), -1);
  EXPECT_EQ(morrow::SetFilterMode3D(1), 0);
  EXPECT_EQ(morrow::SetFilterMode3D(1), 0);
  EXPECT_EQ(morrow::SetBackFaceCulling3D(1), 0);
  EXPECT_EQ(morrow::SetBackFaceCulling3D(7), 0);
  EXPECT_EQ(morrow::SetTextureAddressMode3D(platform::kAddressWrap), 0);
  EXPECT_EQ(morrow::SetTextureAddressMode3D(2), -1);  // the device has no mirroring
  EXPECT_EQ(States(), (Lines{"TSS0.MAGFILTER=LINEAR", "TSS0.MINFILTER=LINEAR", "CULLMODE=CCW",
                             "TSS0.ADDRESS=WRAP", "TSS0.ADDRESS=MIRROR -> invalid parameters"}));
  EXPECT_EQ(Record().textureAddress, platform::kAddressWrap);
}

TEST_F(Direct3D, TheBatchIsDrawnBeforeEveryChangeAndAtTheSceneEnd) {
  Start3D();
  ASSERT_EQ(morrow::BeginScene3D(0), 0);
  platform::LockedRect l;
  EXPECT_EQ(morrow::GetPrimarySurface()->Lock(nullptr, &l), platform::DisplayResult::kSceneOpen);
  auto queue = [] {
    morrow::Direct3DDeviceRecord& r = Record();
    for (int i = 0; i < 6; ++i) {
      r.vertices[r.vertexCount + i] = morrow::Vertex3D{1.0f * i, 2.0f, 0, 1, 0xFFFFFFFFu, 0, 0};
    }
    r.vertexCount += 6;
  };
  calls_.clear();
  queue();
  EXPECT_EQ(morrow::Flush3DVertexBatch(), 0);
  EXPECT_EQ(morrow::Flush3DVertexBatch(), 0);  // nothing left to draw
  queue();
  queue();
  morrow::SetFilterMode3D(1);
  queue();
  EXPECT_EQ(morrow::EndScene3D(), 0);
  EXPECT_EQ(morrow::EndScene3D(), 0);  // no scene open
  EXPECT_EQ(calls_,
            (Lines{"DrawPrimitive TRIANGLELIST 0x144 6", "DrawPrimitive TRIANGLELIST 0x144 12",
                   "TSS0.MAGFILTER=LINEAR", "TSS0.MINFILTER=LINEAR",
                   "DrawPrimitive TRIANGLELIST 0x144 6", "EndScene"}));
  EXPECT_EQ(Record().vertexCount, 0);
  EXPECT_EQ(Record().insideScene, 0);
  ASSERT_EQ(morrow::GetPrimarySurface()->Lock(nullptr, &l), platform::DisplayResult::kOk);
  morrow::GetPrimarySurface()->Unlock();

  // Another render target brings its own viewport into the record; none brings back the
  // device's own target.
  calls_.clear();
  ASSERT_EQ(morrow::SetRenderTargetOfDevice3D(morrow::GetScreenState().backSurface, 0), 0);
  EXPECT_EQ(Record().viewport.width, 640u);
  ASSERT_EQ(morrow::SetRenderTargetOfDevice3D(nullptr, 0), 0);
  EXPECT_EQ(Record().viewport.width, 1024u);
  EXPECT_EQ(calls_, (Lines{"SetRenderTarget 640x480", "SetRenderTarget 1024x768"}));

  // Every scene start sends the record's states again, the blend mode's with them.
  morrow::SetBlendMode3D(2, 100);
  calls_.clear();
  ASSERT_EQ(morrow::BeginScene3D(0), 0);
  EXPECT_TRUE(Called("SetViewport 0 0 1024 768"));
  EXPECT_TRUE(Called("TSS0.MAGFILTER=LINEAR"));
  EXPECT_TRUE(Called("SRCBLEND=SRCALPHA"));
  EXPECT_TRUE(Called("DESTBLEND=ONE"));
  EXPECT_TRUE(Called("LIGHTING=0"));
  morrow::EndScene3D();
}

// Every state of the device that decides a pixel, as text: the blend factors only while
// blending is on, an alpha argument only while the alpha operation reads it.
Lines DeviceStates() {
  Lines out;
  platform::Device3D* device = morrow::GetCurrentDevice3D();
  uint32_t blending = 0, alphaOp = 0;
  device->GetRenderState(RenderState::kAlphaBlendEnable, &blending);
  device->GetTextureStageState(0, StageState::kAlphaOp, &alphaOp);
  for (RenderState s :
       {RenderState::kTexturePerspective, RenderState::kZEnable, RenderState::kShadeMode,
        RenderState::kLastPixel, RenderState::kSrcBlend, RenderState::kDestBlend,
        RenderState::kCullMode, RenderState::kDitherEnable, RenderState::kAlphaBlendEnable,
        RenderState::kColorKeyEnable, RenderState::kLighting, RenderState::kColorKeyBlendEnable}) {
    if (blending == 0 && (s == RenderState::kSrcBlend || s == RenderState::kDestBlend)) continue;
    uint32_t v = 0;
    device->GetRenderState(s, &v);
    out.push_back(std::string(platform::RenderStateName(s)) + "=" +
                  platform::RenderStateValueName(s, v));
  }
  for (StageState s : {StageState::kColorOp, StageState::kColorArg1, StageState::kColorArg2,
                       StageState::kAlphaOp, StageState::kAlphaArg1, StageState::kAlphaArg2,
                       StageState::kAddress, StageState::kMagFilter, StageState::kMinFilter}) {
    if ((s == StageState::kAlphaArg1 && alphaOp == platform::kOpSelectArg2) ||
        (s == StageState::kAlphaArg2 && alphaOp == platform::kOpSelectArg1)) {
      continue;
    }
    uint32_t v = 0;
    device->GetTextureStageState(0, s, &v);
    out.push_back(std::string(platform::StageStateName(s)) + "=" +
                  platform::StageStateValueName(s, v));
  }
  return out;
}

TEST_F(Direct3D, ADeviceMadeAgainGetsItsFullState) {
  struct Case {
    int mode, param, texAlpha, cull, filter, key;
  } cases[] = {{0, 255, 0, 0, 0, 0}, {1, 128, 1, 1, 1, 1}, {2, 255, 0, 1, 0, 1},
               {3, 255, 0, 0, 1, 0}, {4, 0, 1, 1, 0, 0},   {5, 7, 0, 0, 0, 1},
               {-11, 1, 0, 1, 1, 0}, {8, 0, 0, 1, 0, 0}};
  Start3D();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    morrow::SetBlendMode3D(0, 0);
    morrow::SetBlendMode3D(c.mode, c.param);
    morrow::SetBlendMode3D(7, c.texAlpha);
    morrow::SetBackFaceCulling3D(c.cull);
    morrow::SetFilterMode3D(c.filter);
    morrow::SetColorKeyEnableOfDevice3D(c.key, 0);
    const int mode = Record().blendMode, param = Record().blendParam, cull = Record().cullMode;
    ASSERT_EQ(morrow::BeginScene3D(0), 0);
    morrow::EndScene3D();
    const Lines states = DeviceStates();
    calls_.clear();
    ASSERT_EQ(morrow::ReleaseDirect3DObject(), 0);
    EXPECT_EQ(morrow::HasDirect3DDevice(), 0);
    EXPECT_EQ(morrow::EndScene3D(), -1);
    ASSERT_EQ(morrow::CreateDirect3DObject(), 0);
    ASSERT_EQ(morrow::BeginScene3D(0), 0);
    morrow::EndScene3D();
    EXPECT_EQ(DeviceStates(), states);
    EXPECT_EQ(calls_[0], "Release Device3D");
    EXPECT_EQ(calls_[1], "Release Direct3D");
    EXPECT_EQ(Record().blendMode, mode);
    EXPECT_EQ(Record().blendParam, param);
    EXPECT_EQ(Record().cullMode, cull);
  }
  EXPECT_EQ(Count("Ｄｉｒｅｃｔ３Ｄオブジェクトは正常に取得されました\n"), 8);
  EXPECT_EQ(Count("Ｄｉｒｅｃｔ３Ｄデバイスを削除しました\n"), 8);
  // Asked for again while it exists, the object is kept.
  ASSERT_EQ(morrow::CreateDirect3DObject(), 0);
  EXPECT_EQ(Count("Ｄｉｒｅｃｔ３Ｄオブジェクトは既に取得されていますn\n"), 1);
  ASSERT_EQ(morrow::ReleaseDirect3DObject(), 0);
  ASSERT_EQ(morrow::ReleaseDirect3DObject(), 0);
  EXPECT_EQ(Count("Ｄｉｒｅｃｔ３Ｄオブジェクトは既に解放されています\n"), 1);
  ASSERT_EQ(morrow::CreateDirect3DObject(), 0);
}

TEST_F(Direct3D, AViewportTheDeviceRefusesIsFatal) {
  Start3D();
  platform::Viewport inside;
  inside.width = 1024;
  inside.height = 768;
  EXPECT_EQ(morrow::SetViewportOfDevice3D(inside, 0), 0);
  platform::Viewport outside = inside;
  outside.x = 1;
  EXPECT_EXIT(morrow::SetViewportOfDevice3D(outside, 0), ::testing::ExitedWithCode(255), "");
}

}  // namespace
