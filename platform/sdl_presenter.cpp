#include "platform/sdl_presenter.h"

#include <SDL.h>
#include <SDL_syswm.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/pixel_layout.h"

namespace platform {
namespace {

// Renderers that a processor emulates in software: a texture path through them costs more than
// the window surface (llvmpipe, for one, runs a thread per core).
bool EmulatedGl() {
  using GetString = const unsigned char* (*)(unsigned);
  constexpr unsigned kGlRenderer = 0x1F01;
  auto getString = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
  if (getString == nullptr) return false;
  const unsigned char* name = getString(kGlRenderer);
  if (name == nullptr) return false;
  const char* text = reinterpret_cast<const char*>(name);
  for (const char* soft : {"llvmpipe", "softpipe", "swrast", "Software Rasterizer"}) {
    if (std::strstr(text, soft) != nullptr) return true;
  }
  return false;
}

// A renderer that a graphics processor runs, or null.
SDL_Renderer* AcceleratedRenderer(SDL_Window* window) {
  SDL_Renderer* renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_ACCELERATED);
  if (renderer == nullptr) return nullptr;
  SDL_RendererInfo info;
  bool accelerated =
      SDL_GetRendererInfo(renderer, &info) == 0 && (info.flags & SDL_RENDERER_ACCELERATED) != 0;
  if (accelerated && std::strncmp(info.name, "opengl", 6) == 0) accelerated = !EmulatedGl();
  if (!accelerated) {
    SDL_DestroyRenderer(renderer);
    return nullptr;
  }
  return renderer;
}

// The size the window has on the screen. Under X11 SDL takes a full-screen request as done and
// reports the desktop's size even where no window manager carried it out and the window kept its
// own; the X server knows better.
void RealWindowSize(SDL_Window* window, int* w, int* h) {
  SDL_GetWindowSize(window, w, h);
#if defined(SDL_VIDEO_DRIVER_X11)
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (SDL_GetWindowWMInfo(window, &info) == SDL_TRUE && info.subsystem == SDL_SYSWM_X11) {
    XWindowAttributes a;
    if (XGetWindowAttributes(info.info.x11.display, info.info.x11.window, &a) != 0) {
      *w = a.width;
      *h = a.height;
    }
  }
#endif
}

class SdlPresenter : public Presenter {
 public:
  SdlPresenter(SDL_Window* window, SDL_Renderer* renderer, bool owned)
      : window_(window), renderer_(renderer), owned_(owned) {
    RealWindowSize(window_, &windowW_, &windowH_);
    SDL_AddEventWatch(WatchWindow, this);
  }
  ~SdlPresenter() override {
    SDL_DelEventWatch(WatchWindow, this);
    DropRenderer();
  }

  void Show(const PresentedPicture& p) override {
    if (p.width < 1 || p.height < 1 || p.pixels == nullptr) return;
    Uint32 format = SDL_PIXELFORMAT_RGB888;
    const void* pixels = p.pixels;
    int pitch = p.pitch;
    // SDL widens 6-bit green its own way (63 becomes 254), so 5:6:5 is widened here like every
    // other layout the library shows, and the window agrees with the frame dump to the bit.
    if (SamePixelLayout(p.format, PixelFormatForDepth(16, Pixel16Layout::k555))) {
      format = SDL_PIXELFORMAT_RGB555;
    } else if (!SamePixelLayout(p.format, PixelFormatForDepth(32, Pixel16Layout::k565))) {
      Convert(p);
      pixels = converted_.data();
      pitch = p.width * 4;
    }
    if (sizeChanged_) {
      sizeChanged_ = false;
      fullUpdate_ = true;
      RealWindowSize(window_, &windowW_, &windowH_);
    }
    if (renderer_ != nullptr) {
      int ow = 0, oh = 0;
      SDL_GetRendererOutputSize(renderer_, &ow, &oh);
      // A renderer draws into the size SDL believes the window has. A window manager's resize
      // reaches SDL a little after the X server; a belief that stays wrong is one no window
      // manager will correct, and only the window surface places the picture right there.
      mismatchedPresents_ = (ow == windowW_ && oh == windowH_) ? 0 : mismatchedPresents_ + 1;
      if (mismatchedPresents_ < kMismatchLimit) {
        ShowWithRenderer(p.width, p.height, format, pixels, pitch, ow, oh);
        return;
      }
      DropRenderer();
    }
    ShowOnSurface(p.width, p.height, format, pixels, pitch);
  }

 private:
  static int WatchWindow(void* self, SDL_Event* e) {
    auto* presenter = static_cast<SdlPresenter*>(self);
    if (e->type == SDL_WINDOWEVENT && e->window.windowID == SDL_GetWindowID(presenter->window_)) {
      switch (e->window.event) {
        case SDL_WINDOWEVENT_SHOWN:
        case SDL_WINDOWEVENT_EXPOSED:
        case SDL_WINDOWEVENT_RESIZED:
        case SDL_WINDOWEVENT_SIZE_CHANGED:
        case SDL_WINDOWEVENT_MAXIMIZED:
        case SDL_WINDOWEVENT_RESTORED:
          presenter->sizeChanged_ = true;
          break;
        default:
          break;
      }
    }
    return 0;
  }

  void DropRenderer() {
    if (texture_ != nullptr) SDL_DestroyTexture(texture_);
    texture_ = nullptr;
    if (owned_ && renderer_ != nullptr) SDL_DestroyRenderer(renderer_);
    renderer_ = nullptr;
  }

  void ShowWithRenderer(int w, int h, Uint32 format, const void* pixels, int pitch, int outW,
                        int outH) {
    if (texture_ == nullptr || width_ != w || height_ != h || format_ != format) {
      if (texture_ != nullptr) SDL_DestroyTexture(texture_);
      texture_ = SDL_CreateTexture(renderer_, format, SDL_TEXTUREACCESS_STREAMING, w, h);
      if (texture_ == nullptr) return;
      width_ = w;
      height_ = h;
      format_ = format;
    }
    SDL_UpdateTexture(texture_, nullptr, pixels, pitch);
    const FitRect fit = FitPicture(w, h, outW, outH);
    const SDL_Rect dest{fit.x, fit.y, fit.w, fit.h};
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderClear(renderer_);
    SDL_RenderCopy(renderer_, texture_, nullptr, &dest);
    SDL_RenderPresent(renderer_);
  }

  void ShowOnSurface(int w, int h, Uint32 format, const void* pixels, int pitch) {
    SDL_Surface* target = SDL_GetWindowSurface(window_);
    if (target == nullptr) return;
    // The part of the surface the window shows.
    const SDL_Rect area{0, 0, std::min(windowW_, target->w), std::min(windowH_, target->h)};
    const FitRect fit = FitPicture(w, h, area.w, area.h);
    SDL_Rect dest{fit.x, fit.y, fit.w, fit.h};
    if (target != lastTarget_ || !(fit == lastFit_)) {
      fullUpdate_ = true;
      lastTarget_ = target;
      lastFit_ = fit;
    }
    // The picture's own rows, wrapped without a copy.
    SDL_Surface* source = SDL_CreateRGBSurfaceWithFormatFrom(
        const_cast<void*>(pixels), w, h, SDL_BITSPERPIXEL(format), pitch, format);
    if (source == nullptr) return;
    if (fullUpdate_) SDL_FillRect(target, &area, SDL_MapRGB(target->format, 0, 0, 0));
    if (fit.w == w && fit.h == h) {
      SDL_BlitSurface(source, nullptr, target, &dest);
    } else {
      SDL_BlitScaled(source, nullptr, target, &dest);
    }
    SDL_FreeSurface(source);
    const SDL_Rect shown = fullUpdate_ ? area : SDL_Rect{fit.x, fit.y, fit.w, fit.h};
    fullUpdate_ = false;
    SDL_UpdateWindowSurfaceRects(window_, &shown, 1);
  }

  void Convert(const PresentedPicture& p) {
    converted_.resize(static_cast<size_t>(p.width) * static_cast<size_t>(p.height));
    const int bpp = static_cast<int>(p.format.bitCount / 8);
    LayoutCodec codec(p.format, p.palette);
    for (int32_t y = 0; y < p.height; ++y) {
      const uint8_t* row = p.pixels + static_cast<ptrdiff_t>(y) * p.pitch;
      for (int32_t x = 0; x < p.width; ++x) {
        Rgb8 c = codec.Decode(ReadPixel(row + x * bpp, bpp));
        converted_[static_cast<size_t>(y) * static_cast<size_t>(p.width) + static_cast<size_t>(x)] =
            0xFF000000u | uint32_t{c.r} << 16 | uint32_t{c.g} << 8 | c.b;
      }
    }
  }

  SDL_Window* window_;
  SDL_Renderer* renderer_;
  bool owned_;
  SDL_Texture* texture_ = nullptr;
  int width_ = 0, height_ = 0;
  Uint32 format_ = 0;
  // The window's real size, asked again after each of its size events.
  int windowW_ = 0, windowH_ = 0;
  bool sizeChanged_ = false;
  // Presents in a row whose renderer size was not the window's.
  static constexpr int kMismatchLimit = 30;
  int mismatchedPresents_ = 0;
  // The surface path paints the margins and shows the whole window only after a change.
  bool fullUpdate_ = true;
  SDL_Surface* lastTarget_ = nullptr;
  FitRect lastFit_;
  std::vector<uint32_t> converted_;
};

}  // namespace

FitRect FitPicture(int pw, int ph, int aw, int ah) {
  if (pw < 1 || ph < 1 || aw < 1 || ah < 1) return FitRect{};
  FitRect r;
  // Width-limited unless that makes it too tall; products in 64 bits.
  if (int64_t{aw} * ph <= int64_t{ah} * pw) {
    r.w = aw;
    r.h = static_cast<int>(int64_t{aw} * ph / pw);
  } else {
    r.h = ah;
    r.w = static_cast<int>(int64_t{ah} * pw / ph);
  }
  r.x = (aw - r.w) / 2;
  r.y = (ah - r.h) / 2;
  return r;
}

std::unique_ptr<Presenter> MakeSdlPresenter(void* sdlWindow) {
  SDL_Window* window = static_cast<SDL_Window*>(sdlWindow);
  if (window == nullptr) return MakeNullPresenter();
  if (SDL_Renderer* existing = SDL_GetRenderer(window)) {
    return std::make_unique<SdlPresenter>(window, existing, false);
  }
  if (SDL_Renderer* renderer = AcceleratedRenderer(window)) {
    return std::make_unique<SdlPresenter>(window, renderer, true);
  }
  // The window surface through SDL's own framebuffer of the window system (shared memory under
  // X11), not through a renderer SDL would make for it.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  if (SDL_GetWindowSurface(window) == nullptr) return MakeNullPresenter();
  return std::make_unique<SdlPresenter>(window, nullptr, false);
}

}  // namespace platform
