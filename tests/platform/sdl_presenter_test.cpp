// The SDL presenter on SDL's dummy video driver: every layout arrives in the window with the
// colours the frame dump would write.
#include "platform/sdl_presenter.h"

#include <SDL.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <vector>

#include "platform/frame_dump.h"
#include "platform/pixel_layout.h"

namespace {

class SdlPresenter : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
    window_ = SDL_CreateWindow("presenter", 0, 0, 4, 2, 0);
    ASSERT_NE(window_, nullptr) << SDL_GetError();
  }
  void TearDown() override {
    if (window_ != nullptr) SDL_DestroyWindow(window_);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
  }
  // The window's pixels as 8-bit red, green, blue.
  std::vector<uint8_t> ReadBack(int w, int h) {
    SDL_Renderer* r = SDL_GetRenderer(window_);
    std::vector<uint8_t> rgb(static_cast<size_t>(w) * h * 3);
    if (r == nullptr) return rgb;
    SDL_RenderReadPixels(r, nullptr, SDL_PIXELFORMAT_RGB24, rgb.data(), w * 3);
    return rgb;
  }
  SDL_Window* window_ = nullptr;
};

TEST_F(SdlPresenter, EveryLayoutArrivesWithTheDumpsColours) {
  platform::PaletteEntry palette[256] = {};
  for (int i = 0; i < 256; ++i) palette[i] = {uint8_t(i), uint8_t(255 - i), uint8_t(i / 2), 0};
  struct Case {
    const char* name;
    platform::PixelFormat format;
    std::vector<uint32_t> pixels;  // 4 x 2
  } cases[] = {
      {"565",
       platform::PixelFormatForDepth(16, platform::Pixel16Layout::k565),
       {0xF800, 0x07E0, 0x001F, 0xFFFF, 0xCB26, 0x0000, 0x8410, 0x1234}},
      {"555",
       platform::PixelFormatForDepth(16, platform::Pixel16Layout::k555),
       {0x7C00, 0x03E0, 0x001F, 0xFFFF, 0xE586, 0x8000, 0x4210, 0x1234}},
      {"444",
       platform::PixelFormatForDepth(16, platform::Pixel16Layout::k444),
       {0x0F00, 0x00F0, 0x000F, 0x0FFF, 0x0F81, 0xF000, 0x0888, 0x0123}},
      {"X888",
       platform::PixelFormatForDepth(32, platform::Pixel16Layout::k565),
       {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0xFFC86432, 0, 0x0A141E, 0x123456}},
      {"24",
       platform::PixelFormatForDepth(24, platform::Pixel16Layout::k565),
       {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0xC86432, 0, 0x0A141E, 0x123456}},
      {"palette", platform::Palette8PixelFormat(), {0, 1, 2, 3, 100, 200, 254, 255}},
  };
  auto presenter = platform::MakeSdlPresenter(window_);
  for (const Case& c : cases) {
    const int bpp = static_cast<int>(c.format.bitCount / 8);
    const int pitch = 4 * bpp + 3;  // rows with slack, as surfaces have
    std::vector<uint8_t> bytes(static_cast<size_t>(pitch) * 2);
    for (int i = 0; i < 8; ++i) {
      platform::WritePixel(bytes.data() + (i / 4) * pitch + (i % 4) * bpp, bpp, c.pixels[i]);
    }
    platform::PresentedPicture p;
    p.width = 4;
    p.height = 2;
    p.pitch = pitch;
    p.format = c.format;
    p.pixels = bytes.data();
    p.palette = bpp == 1 ? palette : nullptr;
    presenter->Show(p);
    EXPECT_EQ(ReadBack(4, 2), platform::PictureToRgb(p)) << c.name;
  }
}

TEST_F(SdlPresenter, NoWindowGivesThePresenterThatShowsNothing) {
  auto presenter = platform::MakeSdlPresenter(nullptr);
  ASSERT_NE(presenter, nullptr);
  uint16_t pixel = 0xFFFF;
  platform::PresentedPicture p;
  p.width = 1;
  p.height = 1;
  p.pitch = 2;
  p.format = platform::PixelFormatForDepth(16, platform::Pixel16Layout::k565);
  p.pixels = reinterpret_cast<const uint8_t*>(&pixel);
  presenter->Show(p);  // nothing to see, nothing to break
  EXPECT_EQ(SDL_GetRenderer(window_), nullptr);
}

}  // namespace
