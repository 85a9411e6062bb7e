#include "tools/battle-probe/probe_args.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "tools/battle-probe/probe_commands.h"
#include "tools/lib/toolrun/tool_run.h"

namespace battleprobe {

[[noreturn]] void Fail(const std::string& message) {
  std::fflush(stdout);
  toolrun::Say(message);
  std::exit(toolrun::kUsage);
}

long long ToInteger(const std::string& text, long long min, long long max) {
  errno = 0;
  char* end = nullptr;
  long long v = std::strtoll(text.c_str(), &end, 10);
  if (errno != 0 || end == text.c_str() || *end != '\0' || v < min || v > max) {
    Fail("not an integer in range: " + text);
  }
  return v;
}

int ToInt(const std::string& text) {
  return static_cast<int>(ToInteger(text));
}

float ToFloat(const std::string& text) {
  char* end = nullptr;
  float v = std::strtof(text.c_str(), &end);
  if (end == text.c_str() || *end != '\0') Fail("not a number: " + text);
  return v;
}

void PrintFloat(float v) {
  std::printf("%.9g", static_cast<double>(v));
}

veyrdale::FieldRef Resolve(const std::string& name) {
  veyrdale::FieldRef ref{};
  if (ResolveSourceField(name, &ref)) return ref;
  if (!veyrdale::ResolveField(name, &ref)) Fail("unknown name: " + name);
  return ref;
}

void PrintValue(const veyrdale::FieldValue& v) {
  if (v.isFloat) {
    PrintFloat(v.real);
  } else {
    std::printf("%lld", static_cast<long long>(v.integer));
  }
}

}  // namespace battleprobe
