// A started library whose display offers the CPU 3D device (MORROW_D3D), with every call the
// device receives recorded.
#pragma once

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "morrow/device/device3d.h"
#include "morrow/device/direct3d.h"
#include "morrow/device/pieces3d.h"
#include "platform/device3d.h"
#include "platform/display.h"
#include "tests/morrow/graphics/graphics_fixture.h"

namespace testsupport {

class Direct3DFixture : public GraphicsFixture {
 protected:
  void SetUp() override {
    GraphicsFixture::SetUp();
    platform::SetDirect3DRecorder([this](const std::string& line) { calls_.push_back(line); });
  }
  void TearDown() override {
    GraphicsFixture::TearDown();
    platform::SetDirect3DRecorder({});
    platform::SetDisplayConfigHook({});
    unsetenv("MORROW_D3D");
    unsetenv("MORROW_PIXEL16");
  }
  // A window on a desktop of depth bits (16-bit layout as given), the 3D device as option asks,
  // and the display's configuration passed through hook.
  void Start3D(const char* option = "on", int depth = 16, const char* layout = nullptr,
               std::function<void(platform::DisplayConfig*)> hook = {}) {
    setenv("MORROW_D3D", option, 1);
    if (layout != nullptr) {
      setenv("MORROW_PIXEL16", layout, 1);
    } else {
      unsetenv("MORROW_PIXEL16");
    }
    platform::SetDisplayConfigHook(std::move(hook));
    Start(1, depth, depth);
  }
  static morrow::Direct3DDeviceRecord& Record() {
    morrow::Direct3DState& d = morrow::GetDirect3DState();
    return d.devices[d.currentDevice];
  }
  // The calls that set states, in order.
  std::vector<std::string> States() const {
    std::vector<std::string> states;
    for (const std::string& c : calls_) {
      if (c.find('=') != std::string::npos) states.push_back(c);
    }
    return states;
  }
  bool Called(const std::string& call) const {
    for (const std::string& c : calls_) {
      if (c == call) return true;
    }
    return false;
  }

  std::vector<std::string> calls_;
};

}  // namespace testsupport
