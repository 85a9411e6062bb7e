#include "platform/sdl_presenter.h"

#include <SDL.h>

#include <vector>

#include "platform/pixel_layout.h"

namespace platform {
namespace {

class SdlPresenter : public Presenter {
 public:
  SdlPresenter(SDL_Renderer* renderer, bool owned) : renderer_(renderer), owned_(owned) {}
  ~SdlPresenter() override {
    if (texture_ != nullptr) SDL_DestroyTexture(texture_);
    if (owned_) SDL_DestroyRenderer(renderer_);
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
    if (texture_ == nullptr || width_ != p.width || height_ != p.height || format_ != format) {
      if (texture_ != nullptr) SDL_DestroyTexture(texture_);
      texture_ =
          SDL_CreateTexture(renderer_, format, SDL_TEXTUREACCESS_STREAMING, p.width, p.height);
      if (texture_ == nullptr) return;
      width_ = p.width;
      height_ = p.height;
      format_ = format;
      SDL_RenderSetLogicalSize(renderer_, p.width, p.height);
    }
    SDL_UpdateTexture(texture_, nullptr, pixels, pitch);
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderClear(renderer_);
    SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
    SDL_RenderPresent(renderer_);
  }

 private:
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

  SDL_Renderer* renderer_;
  bool owned_;
  SDL_Texture* texture_ = nullptr;
  int width_ = 0, height_ = 0;
  Uint32 format_ = 0;
  std::vector<uint32_t> converted_;
};

}  // namespace

std::unique_ptr<Presenter> MakeSdlPresenter(void* sdlWindow) {
  SDL_Window* window = static_cast<SDL_Window*>(sdlWindow);
  if (window == nullptr) return MakeNullPresenter();
  if (SDL_Renderer* existing = SDL_GetRenderer(window)) {
    return std::make_unique<SdlPresenter>(existing, false);
  }
  SDL_Renderer* renderer = SDL_CreateRenderer(window, -1, 0);
  if (renderer == nullptr) return MakeNullPresenter();
  return std::make_unique<SdlPresenter>(renderer, true);
}

}  // namespace platform
