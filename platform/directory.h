// The process's current directory, as a path of any length in the system's encoding (UTF-8), and
// the path an open stream was opened on.
#pragma once

#include <cstdio>
#include <string>

namespace platform {

bool GetCurrentDirectory(std::string* out);
bool SetCurrentDirectory(const std::string& path);
// The path of the file or device behind the stream, as the system names it now; false for a
// stream without a descriptor (one of memory) or when the system cannot tell.
bool GetStreamPath(std::FILE* stream, std::string* out);

}  // namespace platform
