// Stubs of library calls the library does not offer yet: each answers as a component that was
// never started.
#include "game/flow/library_calls.h"

namespace veyrdale {

// TEMPORARY: replaced by the library component
int StartMusicPlayback(const char*, int) {
  return -1;
}
// TEMPORARY: replaced by the library component
int SetMusicVolume(int) {
  return -1;
}
// TEMPORARY: replaced by the library component
int LoadImageAsGraph(const char*) {
  return -1;
}
// TEMPORARY: replaced by the library component
int LoadDividedGraph(const char*, int, int, int, int, int, int*) {
  return -1;
}
// TEMPORARY: replaced by the library component
int FreeGraphHandle(int, int) {
  return -1;
}
// TEMPORARY: replaced by the library component
int DrawGraph(int, int, int, int) {
  return -1;
}
// TEMPORARY: replaced by the library component
int LoadAndDrawGraphFile(int, int, const char*, int) {
  return -1;
}
// TEMPORARY: replaced by the library component
int SetBlendMode(int, int) {
  return -1;
}
// TEMPORARY: replaced by the library component
int SetModulationColor(int, int, int) {
  return -1;
}
// TEMPORARY: replaced by the library component
int SetFilterMode(int) {
  return -1;
}

}  // namespace veyrdale
