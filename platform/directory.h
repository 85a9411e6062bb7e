// The process's current directory, as a path of any length in the system's encoding (UTF-8).
#pragma once

#include <string>

namespace platform {

bool GetCurrentDirectory(std::string* out);
bool SetCurrentDirectory(const std::string& path);

}  // namespace platform
