// Shows presented pictures in the main window. 5:5:5 and X8R8G8B8 pictures are shown as they
// are; other layouts (5:6:5, 8-bit palette, 4:4:4, 24-bit) are converted to X8R8G8B8 first,
// widened as the frame dump widens them.
//
// Two ways, chosen when the presenter is made:
// - An accelerated renderer, when SDL offers one that a graphics processor runs: the picture goes
//   into a streaming texture, which the renderer scales.
// - Otherwise (no graphics processor, or a renderer that the processor emulates, as under Xvfb)
//   the window's own surface, the cheapest path SDL has: the picture is copied into it once, and
//   scaled only when the window is not its size.
// Either way the picture fills the size the window really has (asked of the window system when
// the presenter is made and after every size event of the window: SDL takes a full-screen request
// as done even where no window manager carried it out), centred, its aspect kept, black around
// it. A renderer draws into the size SDL believes; when that stays wrong for half a second, the
// presenter goes over to the window surface.
#pragma once

#include <memory>

#include "platform/display.h"

namespace platform {

// sdlWindow is an SDL_Window*. Without a window, or when neither way can be set up for it, the
// result is the null presenter.
std::unique_ptr<Presenter> MakeSdlPresenter(void* sdlWindow);

// Where a picture of pw x ph lands in an area of aw x ah: the largest whole-pixel size of the
// picture's aspect that fits, centred (the spare pixel of an odd margin goes right and down).
struct FitRect {
  int x = 0, y = 0, w = 0, h = 0;
  friend bool operator==(const FitRect&, const FitRect&) = default;
};
FitRect FitPicture(int pw, int ph, int aw, int ah);

}  // namespace platform
