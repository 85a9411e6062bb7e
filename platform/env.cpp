#include "platform/env.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <set>

namespace platform {

std::optional<std::string> EnvSetting(const char* name) {
  const char* v = std::getenv(name);
  if (v == nullptr || *v == '\0') return std::nullopt;
  return std::string(v);
}

void ReportBadSetting(const char* name, const std::string& value, const char* expected) {
  static std::mutex m;
  static std::set<std::string> reported;
  std::lock_guard<std::mutex> lock(m);
  if (!reported.insert(name).second) return;
  std::fprintf(stderr, "morrow: ignoring %s=\"%s\" (expected %s)\n", name, value.c_str(), expected);
}

int64_t EnvInteger(const char* name, int64_t fallback) {
  auto v = EnvSetting(name);
  if (!v) return fallback;
  errno = 0;
  char* end = nullptr;
  long long n = std::strtoll(v->c_str(), &end, 0);
  if (errno != 0 || end == v->c_str() || *end != '\0') {
    ReportBadSetting(name, *v, "an integer");
    return fallback;
  }
  return n;
}

}  // namespace platform
