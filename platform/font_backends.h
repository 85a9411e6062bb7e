// The font service's back ends, as platform/font.cpp chooses between them.
#pragma once

#include <memory>
#include <string>

#include "platform/font.h"

namespace platform {

// FreeType over the file fontconfig matches for the request, or over path alone when it is not
// null. Null when nothing matches or the file cannot be opened at the size asked for.
std::unique_ptr<Font> CreateFreeTypeFont(const FontRequest& request, const std::string* path);

// The code of a text of one or two bytes: the byte, or first << 8 | second.
uint32_t CharacterCode(const char* text);

}  // namespace platform
