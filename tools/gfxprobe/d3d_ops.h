// gfxprobe's 3D operations:
//   pieces:I      the I-th graph's pieces (0 first): "pieces I n=N" and " WxH@X,Y" per piece, the
//                 size of its texture (or surface) at its place in the graph; "pieces I -1"
//   blend3d:M,P   SetBlendMode3D(M, P): "blend3d M,P", the states it sent in order ("NAME=VALUE",
//                 stage states "TSS0.NAME=VALUE"; "-" for none), "cache=M,P" (the device
//                 record's mode and parameter) and "draw=P" (the draw state's parameter);
//                 "blend3d M,P -1" without a 3D device
//   filter3d:M    SetFilterMode3D(M): "filter3d M R"
#pragma once

#include <string>
#include <vector>

namespace gfxprobe {

// Records the 3D device's calls from here on; call before the library starts.
void Record3DCalls();
// True when text names a 3D operation.
bool Is3DOp(const std::string& text);
// False for malformed arguments.
bool Check3DOp(const std::string& text);
// Runs a checked operation on the graphs made so far (in order) and prints its line.
void Run3DOp(const std::string& text, const std::vector<int>& graphs);

}  // namespace gfxprobe
