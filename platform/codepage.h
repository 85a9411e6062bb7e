// GBK (code page 936) text to and from UTF-8. The game and the library handle GBK bytes; file
// names, window titles and the log meet the system in UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// Bytes that do not convert become '?'; the conversion never fails as a whole.
std::string GbkToUtf8(std::string_view gbk);
std::string Utf8ToGbk(std::string_view utf8);

}  // namespace platform
