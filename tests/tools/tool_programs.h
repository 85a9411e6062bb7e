// The programs the build makes under tools/, each with where it was built: the list is written by
// CMake from what tools/CMakeLists.txt adds (tool_programs.cpp in the build folder).
#pragma once

namespace toolfailures {

struct ToolProgram {
  const char* name;
  const char* path;
};

extern const ToolProgram kToolPrograms[];
extern const int kToolProgramCount;

}  // namespace toolfailures
