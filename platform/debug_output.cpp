#include "platform/debug_output.h"

#include <cstdio>

#include "platform/env.h"

namespace platform {
namespace {

std::function<void(std::string_view)>& Sink() {
  static std::function<void(std::string_view)> sink;
  return sink;
}

std::function<void(std::string_view)>& ErrorSink() {
  static std::function<void(std::string_view)> sink;
  return sink;
}

bool ToStderr() {
  static const bool on = [] {
    auto v = EnvSetting("MORROW_DEBUG_OUTPUT");
    if (!v) return false;
    if (*v == "1") return true;
    if (*v != "0") ReportBadSetting("MORROW_DEBUG_OUTPUT", *v, "0 or 1");
    return false;
  }();
  return on;
}

}  // namespace

void DebugOutput(std::string_view text) {
  if (Sink()) {
    Sink()(text);
    return;
  }
  if (ToStderr()) std::fwrite(text.data(), 1, text.size(), stderr);
}

void SetDebugOutputSink(std::function<void(std::string_view)> sink) {
  Sink() = std::move(sink);
}

void ErrorOutput(std::string_view text) {
  if (ErrorSink()) {
    ErrorSink()(text);
    return;
  }
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
}

void SetErrorOutputSink(std::function<void(std::string_view)> sink) {
  ErrorSink() = std::move(sink);
}

}  // namespace platform
