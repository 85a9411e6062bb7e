// Runs a program of the build in a folder, with settings in its environment, and takes its exit
// code and output.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "tests/support/temp_dir.h"

namespace testsupport {

struct ProgramRun {
  int exitCode = -1;  // -1 when it did not end normally
  std::string out;
  std::string err;
};

// `environment` is put before the command as the shell takes it ("A=1 B=2"); `args` as given.
inline ProgramRun RunProgram(const std::string& folder, const std::string& program,
                             const std::string& args, const std::string& environment = "") {
  const std::string errFile = folder + "/.stderr.txt";
  const std::string command = "cd '" + folder + "' && " + environment + " '" + program + "' " +
                              args + " 2>'" + errFile + "'";
  ProgramRun run;
  FILE* p = popen(command.c_str(), "r");
  if (p == nullptr) return run;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, p)) > 0) run.out.append(buffer, n);
  const int status = pclose(p);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.err = ReadFile(errFile);
  return run;
}

}  // namespace testsupport
