// The SDL presenter on SDL's dummy video driver, which offers no accelerated renderer, so the
// window surface is used: every layout arrives in the window with the colours the frame dump would
// write, and the picture fills the window's size, centred with its aspect kept.
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
    std::vector<uint8_t> rgb(static_cast<size_t>(w) * h * 3);
    SDL_Surface* s = SDL_GetWindowSurface(window_);
    if (s == nullptr || s->w < w || s->h < h) return rgb;
    SDL_ConvertPixels(w, h, s->format->format, s->pixels, s->pitch, SDL_PIXELFORMAT_RGB24,
                      rgb.data(), w * 3);
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

TEST(FitPicture, LargestWholeSizeOfTheAspectCentred) {
  struct Case {
    int pw, ph, aw, ah;
    platform::FitRect want;
  } cases[] = {
      {640, 480, 640, 480, {0, 0, 640, 480}},
      {640, 480, 1920, 1080, {240, 0, 1440, 1080}},
      {640, 480, 1280, 1024, {0, 32, 1280, 960}},
      {640, 480, 641, 480, {0, 0, 640, 480}},
      {640, 480, 320, 100, {93, 0, 133, 100}},
      {4, 2, 7, 7, {0, 2, 7, 3}},
      {4, 2, 0, 480, {0, 0, 0, 0}},
      {0, 2, 8, 8, {0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(platform::FitPicture(c.pw, c.ph, c.aw, c.ah), c.want)
        << c.pw << "x" << c.ph << " in " << c.aw << "x" << c.ah;
  }
}

// A window of another size than the picture, then a size event: the picture is scaled into the
// size the window has, centred, black around it.
TEST_F(SdlPresenter, PictureFillsTheWindowsSizeWithItsAspect) {
  const uint32_t pixels[4 * 2] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF,
                                  0x102030, 0x405060, 0x708090, 0xA0B0C0};
  platform::PresentedPicture p;
  p.width = 4;
  p.height = 2;
  p.pitch = 16;
  p.format = platform::PixelFormatForDepth(32, platform::Pixel16Layout::k565);
  p.pixels = reinterpret_cast<const uint8_t*>(pixels);
  auto rgbOf = [](uint32_t v) {
    return std::vector<uint8_t>{uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
  };
  // The expected window: the picture scaled by `scale` at (x0, y0), black elsewhere.
  auto expected = [&](int w, int h, int x0, int y0, int scale) {
    std::vector<uint8_t> rgb;
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        const int px = (x - x0) / scale, py = (y - y0) / scale;
        const bool in = x >= x0 && y >= y0 && px < 4 && py < 2;
        for (uint8_t b : rgbOf(in ? pixels[py * 4 + px] : 0)) rgb.push_back(b);
      }
    }
    return rgb;
  };
  SDL_SetWindowSize(window_, 10, 4);
  auto presenter = platform::MakeSdlPresenter(window_);
  EXPECT_EQ(SDL_GetRenderer(window_), nullptr) << "no renderer without acceleration";
  presenter->Show(p);
  EXPECT_EQ(ReadBack(10, 4), expected(10, 4, 1, 0, 2));
  SDL_SetWindowSize(window_, 4, 6);
  SDL_PumpEvents();
  presenter->Show(p);
  EXPECT_EQ(ReadBack(4, 6), expected(4, 6, 0, 2, 1));
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
