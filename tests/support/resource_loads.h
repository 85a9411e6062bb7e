// The game's resource loads as the recording stand-in of the library sees them.
//
// A load (LoadGameResources) is a run of library calls that opens with the transparent colour
// ("SetKeyColor 0 255 0", which nothing else in the game sets) and closes with the volume of the
// 85th sound. Tests that care that a load happened, and with which mode, rather than what it
// loaded, fold each run into one call "LoadGameResources <mode>". The mode is told by the first
// picture: "blk" opens the menus (0), "logo00" the ending (2), any other picture a battle (1);
// a run of no picture is mode 3 (a battle of no player on an arena above 9 looks the same).
#pragma once

#include <string>
#include <vector>

#include "morrow/recording/library_recorder.h"

namespace testsupport {

inline constexpr int kSoundsPerLoad = 85;

inline std::vector<RecordedCall> FoldResourceLoads(const std::vector<RecordedCall>& calls) {
  std::vector<RecordedCall> out;
  for (size_t i = 0; i < calls.size(); ++i) {
    if (calls[i].Text() != "SetKeyColor 0 255 0") {
      out.push_back(calls[i]);
      continue;
    }
    int mode = 3;
    bool picture = false;
    int volumes = 0;
    size_t j = i;
    for (; j < calls.size() && volumes < kSoundsPerLoad; ++j) {
      const RecordedCall& c = calls[j];
      if (!picture && (c.name == "LoadDividedGraph" || c.name == "LoadImageAsGraph")) {
        picture = true;
        mode = c.args[0] == "Resource\\blk.dat" ? 0 : (c.args[0] == "Resource\\logo00.dat" ? 2 : 1);
      }
      if (c.name == "SetSoundVolume") ++volumes;
    }
    RecordedCall load;
    load.name = "LoadGameResources";
    load.args = {std::to_string(mode)};
    load.time = calls[i].time;
    out.push_back(load);
    i = j - 1;
  }
  return out;
}

// The modes of the loads among the recorder's calls, in order.
inline std::vector<int> ResourceLoadModes() {
  std::vector<int> modes;
  for (const RecordedCall& c : FoldResourceLoads(Recorder().Calls())) {
    if (c.name == "LoadGameResources") modes.push_back(static_cast<int>(c.Int(0)));
  }
  return modes;
}

}  // namespace testsupport
