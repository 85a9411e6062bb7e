// The debugger-output sink: a second copy of everything the log writes. Silent by default;
// MORROW_DEBUG_OUTPUT=1 sends it to stderr; tests capture it. Beside it, standard error itself,
// for the few lines a player must see without opening the log.
#pragma once

#include <functional>
#include <string_view>

namespace platform {

void DebugOutput(std::string_view text);

// Replaces the sink (an empty function restores the environment's choice).
void SetDebugOutputSink(std::function<void(std::string_view)> sink);

// Writes the text to standard error.
void ErrorOutput(std::string_view text);
// Replaces standard error (an empty function restores it).
void SetErrorOutputSink(std::function<void(std::string_view)> sink);

}  // namespace platform
