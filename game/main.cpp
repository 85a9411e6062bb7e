// The program: the game's entry is its whole run.
#include "game/flow/frame_loop.h"

int main() {
  return veyrdale::WinMain();
}
