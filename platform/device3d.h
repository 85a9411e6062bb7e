// The 3D device service: the part of a hardware 3D interface the library draws through, as our
// own small interface, with a CPU reference device as its first back end.
//
//   Direct3D   handed out by a display that offers 3D (Display::QueryDirect3D); lists its
//              devices, their depth-buffer formats, and makes a device on a render target.
//   Device3D   one render target, a viewport, one texture stage, render and stage states, the
//              scene bracket, pre-transformed vertices drawn as triangle lists and strips, line
//              lists and strips and point lists, and Load (a texture copy).
//
// The CPU device is exact and headless. Its rules, fixed so that tests can compute every pixel:
//  - Vertices are snapped to 1/256 pixel; pixel centres lie at whole coordinates. A centre on
//    a triangle's edge is covered only when the edge is a top or a left edge, so two triangles
//    sharing an edge cover each pixel once. A vertex with a non-finite x, y, u or v, or with x
//    or y beyond +-2^24, drops its primitive.
//  - CULLMODE: CCW (the default) drops triangles whose corners run counter-clockwise on the
//    screen (y down), CW the clockwise ones, NONE neither.
//  - u and v are interpolated affinely; the colour is flat, from the primitive's first vertex.
//  - Point sampling reads texel (floor(u * W), floor(v * H)); linear filtering blends the four
//    texels around (u * W - 0.5, v * H - 0.5) with weights in steps of 1/256, the alpha by those
//    weights alone, the colour by those weights times how much each texel shows (its alpha, 0
//    for a texel the colour key discards), so a transparent texel lends its neighbours no
//    colour; where the four show alike (all opaque, or none showing) the weights alone serve.
//    ADDRESS CLAMP clamps texel positions into the texture, WRAP takes them modulo its size.
//    Texels and target pixels are widened to 8 bits per channel as (v << k) + v * (2^k - 1) /
//    (2^w - 1); a texture without alpha bits has alpha 255.
//  - With COLORKEYENABLE and a texture that has a source colour key, a pixel is left alone when
//    the texel at the point-sampled position matches the key in its colour bits (alpha and fill
//    bits are not compared).
//  - Stage 0: MODULATE = (a * b + 127) / 255 per channel, SELECTARG1, SELECTARG2; DISABLE gives
//    the diffuse colour. Arguments TEXTURE, DIFFUSE and CURRENT (the diffuse colour); without a
//    texture (or with a format without u, v) the texture argument is opaque white.
//  - ALPHABLENDENABLE: each channel min(255, (s * fs + d * fd + 127) / 255), factors ZERO,
//    ONE, SRCALPHA, INVSRCALPHA, SRCCOLOR and INVDESTCOLOR; otherwise the source is written.
//  - Writes narrow each channel by truncation and set the format's fill bits: a plain write of
//    a widened texel gives back its bits, and a white INVDESTCOLOR fill gives exactly 255 - d.
//  - Lines walk from the first vertex to the second, both rounded to whole pixels, as the
//    software line does (the major axis takes a tie, the minor step follows an error term
//    starting at 0, the end is not visited), and add the end pixel when LASTPIXEL is TRUE.
//    Points take their rounded position.
//  - The viewport is a scissor. There is no depth test, no dither and no lighting.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/display.h"

namespace platform {

// The devices a Direct3D object can list.
enum class DeviceKind : uint32_t {
  kRgb = 1,     // a software rasteriser (listed, never taken by the library)
  kHal = 2,     // the hardware device
  kTnLHal = 3,  // the hardware device with transform and lighting
};
const char* DeviceKindName(DeviceKind kind);

// Render depths a device can draw into.
constexpr uint32_t kDeviceDepth16 = 0x400;
constexpr uint32_t kDeviceDepth32 = 0x100;
// Triangle texture capabilities.
constexpr uint32_t kTextureCapsPow2 = 0x2;
constexpr uint32_t kTextureCapsSquareOnly = 0x20;

struct DeviceDesc {
  DeviceKind kind = DeviceKind::kHal;
  uint32_t renderBitDepths = 0;
  uint32_t textureCaps = 0;
  uint32_t minTextureWidth = 0, minTextureHeight = 0;
  uint32_t maxTextureWidth = 0, maxTextureHeight = 0;
};

// Pixel-format flags of depth buffers and of the texture formats a device may list without
// being able to hold them.
constexpr uint32_t kPixelAlphaOnly = 0x2;
constexpr uint32_t kPixelStencilBuffer = 0x4000;
constexpr uint32_t kPixelLuminance = 0x20000;
constexpr uint32_t kPixelBumpLuminance = 0x40000;
constexpr uint32_t kPixelBumpDuDv = 0x80000;
// A depth format keeps its depth in bitCount and its depth mask in greenMask (stencil depth in
// redMask, stencil mask in blueMask).
PixelFormat DepthPixelFormat(uint32_t bits, uint32_t depthMask, uint32_t stencilBits,
                             uint32_t stencilMask);

enum class RenderState : uint32_t {
  kTexturePerspective = 4,
  kZEnable = 7,
  kShadeMode = 9,
  kLastPixel = 16,
  kSrcBlend = 19,
  kDestBlend = 20,
  kCullMode = 22,
  kDitherEnable = 26,
  kAlphaBlendEnable = 27,
  kColorKeyEnable = 41,
  kLighting = 137,
  kColorKeyBlendEnable = 144,
};
enum class StageState : uint32_t {
  kColorOp = 1,
  kColorArg1 = 2,
  kColorArg2 = 3,
  kAlphaOp = 4,
  kAlphaArg1 = 5,
  kAlphaArg2 = 6,
  kAddress = 12,
  kMagFilter = 16,
  kMinFilter = 17,
};

// Values.
constexpr uint32_t kBlendZero = 1, kBlendOne = 2, kBlendSrcColor = 3, kBlendInvSrcColor = 4,
                   kBlendSrcAlpha = 5, kBlendInvSrcAlpha = 6, kBlendDestAlpha = 7,
                   kBlendInvDestAlpha = 8, kBlendDestColor = 9, kBlendInvDestColor = 10;
constexpr uint32_t kCullNone = 1, kCullCw = 2, kCullCcw = 3;
constexpr uint32_t kShadeFlat = 1, kShadeGouraud = 2;
constexpr uint32_t kOpDisable = 1, kOpSelectArg1 = 2, kOpSelectArg2 = 3, kOpModulate = 4;
constexpr uint32_t kArgDiffuse = 0, kArgCurrent = 1, kArgTexture = 2;
constexpr uint32_t kAddressWrap = 1, kAddressClamp = 3;
constexpr uint32_t kFilterPoint = 1, kFilterLinear = 2;

// The names the recording decorator writes: "SRCBLEND", "INVSRCALPHA", "MODULATE", ...; the value
// of a switch as 0 or 1, an unknown value in decimal.
const char* RenderStateName(RenderState state);
const char* StageStateName(StageState state);
std::string RenderStateValueName(RenderState state, uint32_t value);
std::string StageStateValueName(StageState state, uint32_t value);

enum class PrimitiveType : uint32_t {
  kPointList = 1,
  kLineList = 2,
  kLineStrip = 3,
  kTriangleList = 4,
  kTriangleStrip = 5,
};
const char* PrimitiveTypeName(PrimitiveType type);

// Vertex formats: pre-transformed position, diffuse colour and one (u, v) pair, or the first
// two alone.
constexpr uint32_t kVertexTextured = 0x144;  // x, y, z, rhw, diffuse, u, v: 28 bytes
constexpr uint32_t kVertexColoured = 0x44;   // x, y, z, rhw, diffuse: 20 bytes

struct Viewport {
  uint32_t x = 0, y = 0, width = 0, height = 0;
  float minZ = 0.0f, maxZ = 1.0f;
};

class Device3D {
 public:
  virtual ~Device3D() = default;
  virtual DisplayResult SetRenderState(RenderState state, uint32_t value) = 0;
  virtual DisplayResult GetRenderState(RenderState state, uint32_t* value) const = 0;
  // Stage 0 only.
  virtual DisplayResult SetTextureStageState(uint32_t stage, StageState state, uint32_t value) = 0;
  virtual DisplayResult GetTextureStageState(uint32_t stage, StageState state,
                                             uint32_t* value) const = 0;
  // A texture surface (kCapsTexture), or null for none. Stage 0 only.
  virtual DisplayResult SetTexture(uint32_t stage, const std::shared_ptr<Surface>& texture) = 0;
  // A 16- or 32-bit surface (a texture only when made with kCaps3DDevice); the viewport becomes
  // the whole target.
  virtual DisplayResult SetRenderTarget(const std::shared_ptr<Surface>& target) = 0;
  // kInvalidParams for a viewport reaching outside the render target.
  virtual DisplayResult SetViewport(const Viewport& viewport) = 0;
  virtual DisplayResult GetViewport(Viewport* out) const = 0;
  // Between BeginScene and EndScene the render target refuses Lock, Blt, BltFast, GetDC and Flip
  // (kSceneOpen); drawing happens only inside a scene (kNoScene otherwise).
  virtual DisplayResult BeginScene() = 0;
  virtual DisplayResult EndScene() = 0;
  virtual DisplayResult DrawPrimitive(PrimitiveType type, uint32_t vertexFormat,
                                      const void* vertices, uint32_t count, uint32_t flags) = 0;
  // Triangle strips of 16-bit indices into vertices; an index past vertexCount is refused.
  virtual DisplayResult DrawIndexedPrimitive(PrimitiveType type, uint32_t vertexFormat,
                                             const void* vertices, uint32_t vertexCount,
                                             const uint16_t* indices, uint32_t indexCount,
                                             uint32_t flags) = 0;
  // Copies srcRect of src (null: all of it) to (x, y) of dest; both textures of one layout.
  virtual DisplayResult Load(const std::shared_ptr<Surface>& dest, int32_t x, int32_t y,
                             const std::shared_ptr<Surface>& src, const Rect* srcRect,
                             uint32_t flags) = 0;
  // Every texture format the device lists, in order; fn returns false to stop.
  virtual DisplayResult EnumTextureFormats(const std::function<bool(const PixelFormat&)>& fn) = 0;
};

class Direct3D {
 public:
  virtual ~Direct3D() = default;
  // fn returns false to stop the listing.
  virtual DisplayResult EnumDevices(const std::function<bool(const DeviceDesc&)>& fn) = 0;
  virtual DisplayResult EnumZBufferFormats(DeviceKind kind,
                                           const std::function<bool(const PixelFormat&)>& fn) = 0;
  virtual DisplayResult CreateDevice(DeviceKind kind, const std::shared_ptr<Surface>& target,
                                     std::shared_ptr<Device3D>* out) = 0;
};

// Every call of the Direct3D objects handed out from now on, and of their devices, goes to sink
// as one line: states as "NAME=VALUE" (stage states "TSS<stage>.NAME=VALUE"), other calls as
// their name and arguments ("CreateDevice TNLHAL", "DrawPrimitive TRIANGLELIST 0x144 6",
// "SetTexture 0 64x64", ...), a failed call followed by " -> " and its result's name, and the
// release of an object as "Release Direct3D" or "Release Device3D". An empty sink stops it.
void SetDirect3DRecorder(std::function<void(const std::string&)> sink);

// The recording decorator over any Direct3D object.
std::shared_ptr<Direct3D> MakeRecordingDirect3D(std::shared_ptr<Direct3D> inner,
                                                std::function<void(const std::string&)> sink);

// The CPU reference Direct3D of a display (Display::QueryDirect3D makes it).
std::shared_ptr<Direct3D> MakeCpuDirect3D(const std::shared_ptr<Display>& display,
                                          const Direct3DConfig& config);

// The texture formats the CPU device lists by default: R5G6B5, X1R5G5B5, A1R5G5B5, A4R4G4B4,
// X8R8G8B8, A8R8G8B8.
std::vector<PixelFormat> StandardTextureFormats();
// Its depth formats: a 32-bit one with 8 stencil bits, then 16-bit depth.
std::vector<PixelFormat> StandardDepthFormats();

}  // namespace platform
