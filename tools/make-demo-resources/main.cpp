// make-demo-resources DIR: writes the placeholder resource tree DIR/Resource/ that lets the game
// run from a fresh clone: every picture at its grid's size with pure green as the transparent
// colour, every sound effect, the music, the arena maps, the scenario scripts and the glyph
// sheets, then the mark of a finished tree. The same bytes on every run. Without a CJK font it
// says so once on standard error and writes the sheets and words it can without one.
//
// The tree is built in a staging folder in DIR and renamed into place once whole (tree.h): a
// failed write, SIGINT, SIGTERM or SIGHUP leave DIR/Resource/ as it was and no staging folder.
// A Resource/ already there is replaced only when it holds nothing but this tool's files, each one
// the process may write and each folder one it may empty, in a DIR it may write, which it tells
// before it writes a byte (names and permissions, then contents compared in memory): real resources
// and another user's tree make it exit 3 at once, with no staging folder and whatever room the disk
// has; so does a file of the old tree written, replaced, removed or added while the new one was
// built or as it is exchanged (the trees are exchanged back). Two runs in one DIR take turns: the
// later waits for the earlier (a stop signal ends the wait); DIR itself as standard input, locked
// by the caller, hands the caller's turn to the run (scripts/demo-resources.sh).
// Exit 0; 1 when DIR is no folder, a file cannot be written (a staging folder in a DIR it may not
// write, with no tree there, among them), a thread cannot start ("cannot start a thread: REASON")
// or a signal stopped the run; 2 on a usage error (an option among them); 3 when DIR/Resource/
// holds something this tool did not write or may not replace, which is left as it is.
#include <cstdio>
#include <string>

#include "tools/lib/demoresources/glyphs.h"
#include "tools/lib/demoresources/tree.h"
#include "tools/lib/toolrun/tool_run.h"
#include "tools/lib/toolrun/workers.h"

namespace {

constexpr int kKept = 3;

int Run(int argc, char** argv) {
  if (argc != 2 || toolrun::IsOption(argv[1])) {
    std::fprintf(stderr, "usage: make-demo-resources DIR\n");
    return toolrun::kUsage;
  }
  toolrun::CatchStopSignals();
  if (!demo::HaveCjkFont()) {
    toolrun::Say(
        "no CJK font: the glyph sheets show their codes in hex and the words use the built-in "
        "font");
  }
  std::string error;
  demo::TreeWrite written = demo::TreeWrite::kFailed;
  try {
    written = demo::WriteDemoTree(argv[1], &error, [] { return toolrun::StopSignal() != 0; });
  } catch (const toolrun::ThreadNotStarted& notStarted) {
    // The staging folder went as the exception passed: nothing was written.
    toolrun::Say(notStarted.what());
    return 1;
  }
  switch (written) {
    case demo::TreeWrite::kDone:
      return 0;
    case demo::TreeWrite::kKept:
      toolrun::Say(error);
      return kKept;
    case demo::TreeWrite::kFailed:
      break;
  }
  toolrun::Say(toolrun::StopSignal() != 0 ? toolrun::StoppedBy() + "; nothing written" : error);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  toolrun::Begin("make-demo-resources");
  return toolrun::End(Run(argc, argv));
}
