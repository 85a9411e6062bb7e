// The SDL back end's window, for the other SDL services that draw into it (presentation).
#pragma once

struct SDL_Window;

namespace platform {

// The main window while the SDL back end has one, else null.
SDL_Window* SdlMainWindow();

}  // namespace platform
