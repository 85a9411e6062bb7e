// Settings read from the environment. Only platform/ reads the environment; every variable the
// project knows is named MORROW_* (plus SDL's own) and is listed in docs/environment.md.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace platform {

// The raw value, or nullopt when unset or empty.
std::optional<std::string> EnvSetting(const char* name);

// An integer setting; a malformed value gives the fallback and one line on stderr.
int64_t EnvInteger(const char* name, int64_t fallback);

// Reports a malformed setting once per variable name, on stderr.
void ReportBadSetting(const char* name, const std::string& value, const char* expected);

}  // namespace platform
