// A program made of the tools' shared start and end alone, so that tool_run_test can watch each
// way a tool ends from outside: "print TEXT", "flushed TEXT" (the tool flushes it itself),
// "failed TEXT" (ends with 3), "exit TEXT" (leaves through exit(), not End) and "start" (in a
// window).
#include <cstdio>
#include <cstdlib>
#include <string>

#include "morrow/system/library.h"
#include "tools/lib/toolrun/tool_run.h"

int main(int argc, char** argv) {
  toolrun::Begin("probe");
  const std::string how = argc > 1 ? argv[1] : "";
  const char* text = argc > 2 ? argv[2] : "";
  if (how == "start") {
    morrow::ChangeWindowMode(1);
    if (toolrun::StartLibrary(7) != 0) return toolrun::End(1);
    std::printf("started\n");
    morrow::EndLibrary();
    return toolrun::End(0);
  }
  std::printf("%s\n", text);
  if (how == "flushed") std::fflush(stdout);
  if (how == "exit") std::exit(0);
  return toolrun::End(how == "failed" ? 3 : 0);
}
