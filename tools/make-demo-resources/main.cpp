// make-demo-resources DIR: writes the placeholder resource tree DIR/Resource/ that lets the game
// run from a fresh clone: every picture at its grid's size with pure green as the transparent
// colour, every sound effect, the music, the arena maps, the scenario scripts and the glyph
// sheets. The same bytes on every run. Without a CJK font it says so once on standard error and
// writes the sheets and words it can without one. Exit 0, 1 when a file cannot be written, 2 on a
// usage error.
#include <cstdio>
#include <string>

#include "tools/lib/demoresources/glyphs.h"
#include "tools/lib/demoresources/tree.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make-demo-resources DIR\n");
    return 2;
  }
  if (!demo::HaveCjkFont()) {
    std::fprintf(stderr,
                 "make-demo-resources: no CJK font: the glyph sheets show their codes in hex and "
                 "the words use the built-in font\n");
  }
  std::string error;
  if (!demo::WriteDemoTree(argv[1], &error)) {
    std::fprintf(stderr, "make-demo-resources: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
