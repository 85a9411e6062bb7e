// Matching a text against a simple pattern: '*' stands for any run of bytes (also none), '#' for
// one or more decimal digits; every other byte stands for itself.
#pragma once

#include <string_view>

namespace testsupport {

inline bool LineMatches(std::string_view text, std::string_view pattern) {
  if (pattern.empty()) return text.empty();
  char p = pattern[0];
  if (p == '*') {
    for (size_t skip = 0; skip <= text.size(); ++skip) {
      if (LineMatches(text.substr(skip), pattern.substr(1))) return true;
    }
    return false;
  }
  if (p == '#') {
    size_t digits = 0;
    while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') ++digits;
    for (size_t n = digits; n >= 1; --n) {
      if (LineMatches(text.substr(n), pattern.substr(1))) return true;
    }
    return false;
  }
  return !text.empty() && text[0] == p && LineMatches(text.substr(1), pattern.substr(1));
}

}  // namespace testsupport
