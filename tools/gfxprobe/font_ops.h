// gfxprobe's font operations:
//   font:FACE,SIZE,THICK,TYPE,CHARSET,EDGE[,SLOT,CHECK]   (FACE "-" for none, UTF-8 otherwise)
//       "font 0x%08x type=T size=S edge=E cell=C line=L cache=WxH rows=R entries=N texture=X"
//       or "font -1"
//   fontmany:N,SIZE   N fonts (no face, thickness 6, type 0, the rest -1): "fontmany N made=M"
//   delfont:I         deletes the I-th font: result (0 first): "delfont I R"
//   refresh           every font made again in place: "refresh R"
//   fonts             "fonts" and the handle of every used slot, in slot order
//   deffont:SIZE,THICK,TYPE   the default font's three setters, then its line with "deffont"
//   leadbyte:B,CS     "leadbyte 0x%02x CS N" (N 1 when B begins a pair in character set CS)
#pragma once

#include <string>

namespace gfxprobe {

// True when text names a font operation (with or without its arguments).
bool IsFontOp(const std::string& text);
// False for malformed arguments.
bool CheckFontOp(const std::string& text);
// Runs a checked operation and prints its line.
void RunFontOp(const std::string& text);

}  // namespace gfxprobe
