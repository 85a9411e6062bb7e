// A text cut into its lines, as the tests read a program's report or trace line by line.
#pragma once

#include <sstream>
#include <string>
#include <vector>

namespace testsupport {

// The lines of `text` without their line ends; a last line without one counts too.
inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

}  // namespace testsupport
