// The debugger-output sink: a second copy of everything the log writes. Silent by default;
// MORROW_DEBUG_OUTPUT=1 sends it to stderr; tests capture it.
#pragma once

#include <functional>
#include <string_view>

namespace platform {

void DebugOutput(std::string_view text);

// Replaces the sink (an empty function restores the environment's choice).
void SetDebugOutputSink(std::function<void(std::string_view)> sink);

}  // namespace platform
