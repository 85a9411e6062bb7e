// A library run that holds its start until told to end: prints "ready" once started, ends the
// library when its standard input closes. The single-instance test runs two of these.
#include <cstdio>

#include "morrow/system/library.h"
#include "morrow/system/window.h"

int main() {
  morrow::ChangeWindowMode(1);
  if (morrow::InitLibrary() != 0) return 1;
  std::printf("ready\n");
  std::fflush(stdout);
  while (std::getchar() != EOF) {
  }
  morrow::EndLibrary();
  return 0;
}
