// Shows presented pictures in the main window through an SDL renderer and a streaming texture.
// 5:5:5 and X8R8G8B8 pictures are uploaded as they are; other layouts (5:6:5, 8-bit palette,
// 4:4:4, 24-bit) are converted to X8R8G8B8 first, widened as the frame dump widens them. The
// renderer's logical size follows the picture, so a scaled window or a desktop-sized full-screen
// window shows it whole.
#pragma once

#include <memory>

#include "platform/display.h"

namespace platform {

// sdlWindow is an SDL_Window*. Without a window, or when no renderer can be made for it, the
// result is the null presenter.
std::unique_ptr<Presenter> MakeSdlPresenter(void* sdlWindow);

}  // namespace platform
