// Keyboard and pads on SDL2. An event watch keeps the key table and the change flags current as
// events arrive, whether the window system delivers them or a program pushes them.
#include <SDL.h>

#include <algorithm>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "platform/input.h"
#include "platform/input_file.h"
#include "platform/key_codes.h"

namespace platform {
namespace {

// No mappings file comes near this.
constexpr uint64_t kMaxMappingsBytes = uint64_t{64} << 20;

// SDL reads the game-controller mappings file its setting SDL_GAMECONTROLLERCONFIG_FILE names as
// its pads start, by its own open of that name, which waits on a named pipe. The file is read here
// instead, as every input is, and SDL is told of no file: empty when none is named or it cannot
// be read (a line says why, unless it is missing).
std::string TakeControllerMappings() {
  const char* named = std::getenv(SDL_HINT_GAMECONTROLLERCONFIG_FILE);
  if (named == nullptr || named[0] == '\0') return {};
  SDL_SetHintWithPriority(SDL_HINT_GAMECONTROLLERCONFIG_FILE, "", SDL_HINT_OVERRIDE);
  std::string bytes;
  InputFile file;
  if (!file.Open(named, kMaxMappingsBytes) || !file.ReadAll(&bytes)) {
    SayRefusedUnlessMissing(file, "game controller mappings", named);
    return {};
  }
  return bytes;
}

// The key code of an SDL scancode; 0 for keys the table does not know.
uint8_t KeyCodeOfScancode(SDL_Scancode s) {
  if (s >= SDL_SCANCODE_1 && s <= SDL_SCANCODE_9)
    return static_cast<uint8_t>(0x02 + (s - SDL_SCANCODE_1));
  if (s >= SDL_SCANCODE_F1 && s <= SDL_SCANCODE_F10)
    return static_cast<uint8_t>(0x3B + (s - SDL_SCANCODE_F1));
  switch (s) {
    case SDL_SCANCODE_ESCAPE:
      return 0x01;
    case SDL_SCANCODE_0:
      return 0x0B;
    case SDL_SCANCODE_MINUS:
      return 0x0C;
    case SDL_SCANCODE_EQUALS:
      return 0x0D;
    case SDL_SCANCODE_BACKSPACE:
      return 0x0E;
    case SDL_SCANCODE_TAB:
      return 0x0F;
    case SDL_SCANCODE_Q:
      return 0x10;
    case SDL_SCANCODE_W:
      return 0x11;
    case SDL_SCANCODE_E:
      return 0x12;
    case SDL_SCANCODE_R:
      return 0x13;
    case SDL_SCANCODE_T:
      return 0x14;
    case SDL_SCANCODE_Y:
      return 0x15;
    case SDL_SCANCODE_U:
      return 0x16;
    case SDL_SCANCODE_I:
      return 0x17;
    case SDL_SCANCODE_O:
      return 0x18;
    case SDL_SCANCODE_P:
      return 0x19;
    case SDL_SCANCODE_LEFTBRACKET:
      return 0x1A;
    case SDL_SCANCODE_RIGHTBRACKET:
      return 0x1B;
    case SDL_SCANCODE_RETURN:
      return 0x1C;
    case SDL_SCANCODE_LCTRL:
      return 0x1D;
    case SDL_SCANCODE_A:
      return 0x1E;
    case SDL_SCANCODE_S:
      return 0x1F;
    case SDL_SCANCODE_D:
      return 0x20;
    case SDL_SCANCODE_F:
      return 0x21;
    case SDL_SCANCODE_G:
      return 0x22;
    case SDL_SCANCODE_H:
      return 0x23;
    case SDL_SCANCODE_J:
      return 0x24;
    case SDL_SCANCODE_K:
      return 0x25;
    case SDL_SCANCODE_L:
      return 0x26;
    case SDL_SCANCODE_SEMICOLON:
      return 0x27;
    case SDL_SCANCODE_APOSTROPHE:
      return 0x28;
    case SDL_SCANCODE_GRAVE:
      return 0x29;
    case SDL_SCANCODE_LSHIFT:
      return 0x2A;
    case SDL_SCANCODE_BACKSLASH:
      return 0x2B;
    case SDL_SCANCODE_Z:
      return 0x2C;
    case SDL_SCANCODE_X:
      return 0x2D;
    case SDL_SCANCODE_C:
      return 0x2E;
    case SDL_SCANCODE_V:
      return 0x2F;
    case SDL_SCANCODE_B:
      return 0x30;
    case SDL_SCANCODE_N:
      return 0x31;
    case SDL_SCANCODE_M:
      return 0x32;
    case SDL_SCANCODE_COMMA:
      return 0x33;
    case SDL_SCANCODE_PERIOD:
      return 0x34;
    case SDL_SCANCODE_SLASH:
      return 0x35;
    case SDL_SCANCODE_RSHIFT:
      return 0x36;
    case SDL_SCANCODE_KP_MULTIPLY:
      return 0x37;
    case SDL_SCANCODE_LALT:
      return 0x38;
    case SDL_SCANCODE_SPACE:
      return 0x39;
    case SDL_SCANCODE_CAPSLOCK:
      return 0x3A;
    case SDL_SCANCODE_NUMLOCKCLEAR:
      return 0x45;
    case SDL_SCANCODE_SCROLLLOCK:
      return 0x46;
    case SDL_SCANCODE_KP_7:
      return 0x47;
    case SDL_SCANCODE_KP_8:
      return 0x48;
    case SDL_SCANCODE_KP_9:
      return 0x49;
    case SDL_SCANCODE_KP_MINUS:
      return 0x4A;
    case SDL_SCANCODE_KP_4:
      return 0x4B;
    case SDL_SCANCODE_KP_5:
      return 0x4C;
    case SDL_SCANCODE_KP_6:
      return 0x4D;
    case SDL_SCANCODE_KP_PLUS:
      return 0x4E;
    case SDL_SCANCODE_KP_1:
      return 0x4F;
    case SDL_SCANCODE_KP_2:
      return 0x50;
    case SDL_SCANCODE_KP_3:
      return 0x51;
    case SDL_SCANCODE_KP_0:
      return 0x52;
    case SDL_SCANCODE_KP_PERIOD:
      return 0x53;
    case SDL_SCANCODE_NONUSBACKSLASH:
      return 0x56;
    case SDL_SCANCODE_F11:
      return 0x57;
    case SDL_SCANCODE_F12:
      return 0x58;
    case SDL_SCANCODE_KP_ENTER:
      return 0x9C;
    case SDL_SCANCODE_RCTRL:
      return 0x9D;
    case SDL_SCANCODE_KP_DIVIDE:
      return 0xB5;
    case SDL_SCANCODE_PRINTSCREEN:
      return 0xB7;
    case SDL_SCANCODE_RALT:
      return 0xB8;
    case SDL_SCANCODE_PAUSE:
      return 0xC5;
    case SDL_SCANCODE_HOME:
      return 0xC7;
    case SDL_SCANCODE_UP:
      return 0xC8;
    case SDL_SCANCODE_PAGEUP:
      return 0xC9;
    case SDL_SCANCODE_LEFT:
      return 0xCB;
    case SDL_SCANCODE_RIGHT:
      return 0xCD;
    case SDL_SCANCODE_END:
      return 0xCF;
    case SDL_SCANCODE_DOWN:
      return 0xD0;
    case SDL_SCANCODE_PAGEDOWN:
      return 0xD1;
    case SDL_SCANCODE_INSERT:
      return 0xD2;
    case SDL_SCANCODE_DELETE:
      return 0xD3;
    case SDL_SCANCODE_LGUI:
      return 0xDB;
    case SDL_SCANCODE_RGUI:
      return 0xDC;
    case SDL_SCANCODE_APPLICATION:
      return 0xDD;
    default:
      return 0;
  }
}

// Hat positions in hundredths of a degree clockwise from up.
int32_t HatAngle(Uint8 hat) {
  switch (hat) {
    case SDL_HAT_UP:
      return 0;
    case SDL_HAT_RIGHTUP:
      return 4500;
    case SDL_HAT_RIGHT:
      return 9000;
    case SDL_HAT_RIGHTDOWN:
      return 13500;
    case SDL_HAT_DOWN:
      return 18000;
    case SDL_HAT_LEFTDOWN:
      return 22500;
    case SDL_HAT_LEFT:
      return 27000;
    case SDL_HAT_LEFTUP:
      return 31500;
    default:
      return -1;
  }
}

class SdlInputService : public InputService {
 public:
  bool Start() override {
    if (started_) return true;
    // The pads are read whether or not the window has the focus.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    const std::string mappings = TakeControllerMappings();
    if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0) return false;
    if (!mappings.empty()) {
      SDL_GameControllerAddMappingsFromRW(
          SDL_RWFromConstMem(mappings.data(), static_cast<int>(mappings.size())), 1);
    }
    started_ = true;
    {
      std::lock_guard<std::mutex> lock(mu_);
      std::fill(keys_, keys_ + kKeyCount, 0);
      events_.clear();
      keyboardSignal_ = false;
      pads_.clear();
    }
    SDL_AddEventWatch(&SdlInputService::Watch, this);
    return true;
  }

  void Stop() override {
    if (!started_) return;
    SDL_DelEventWatch(&SdlInputService::Watch, this);
    for (size_t i = 0; i < pads_.size(); ++i) ClosePad(static_cast<int>(i));
    pads_.clear();
    keyboardOpen_ = false;
    SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
    started_ = false;
    if (SDL_WasInit(SDL_INIT_EVERYTHING) == 0) SDL_Quit();
  }

  KeyboardOpen OpenKeyboard() override {
    if (!started_) return KeyboardOpen::kNoDevice;
    keyboardOpen_ = true;
    return KeyboardOpen::kOk;
  }
  bool SetKeyboardBuffer(int count) override { return count > 0 && count <= kKeyBufferSize; }
  bool EnableKeyboardNotification() override { return keyboardOpen_; }
  bool AcquireKeyboard() override { return keyboardOpen_; }
  void CloseKeyboard() override { keyboardOpen_ = false; }

  bool ReadKeyboard(uint8_t keys[kKeyCount]) override {
    if (!keyboardOpen_) return false;
    // The window system's key events reach the watch when they are fetched.
    if (SDL_WasInit(SDL_INIT_VIDEO) != 0) SDL_PumpEvents();
    std::lock_guard<std::mutex> lock(mu_);
    std::copy(keys_, keys_ + kKeyCount, keys);
    return true;
  }

  int DrainKeyboardEvents(int max) override {
    std::lock_guard<std::mutex> lock(mu_);
    int n = 0;
    while (n < max && !events_.empty()) {
      events_.pop_front();
      ++n;
    }
    return n;
  }

  bool KeyboardSignalled() override {
    std::lock_guard<std::mutex> lock(mu_);
    return keyboardSignal_;
  }
  void ResetKeyboardSignal() override {
    std::lock_guard<std::mutex> lock(mu_);
    keyboardSignal_ = false;
  }

  int EnumeratePads() override {
    if (!started_) return 0;
    int n = std::max(SDL_NumJoysticks(), 0);
    std::lock_guard<std::mutex> lock(mu_);
    pads_.assign(static_cast<size_t>(n), Pad{});
    return n;
  }

  bool OpenPad(int index, PadInfo* info) override {
    if (!Valid(index)) return false;
    SDL_Joystick* joystick = SDL_JoystickOpen(index);
    if (joystick == nullptr) return false;
    const char* name = SDL_JoystickName(joystick);
    info->name = name != nullptr ? name : "";
    char product[64];
    SDL_snprintf(product, sizeof product, "%04x:%04x", SDL_JoystickGetVendor(joystick),
                 SDL_JoystickGetProduct(joystick));
    info->product = product;
    std::lock_guard<std::mutex> lock(mu_);
    Pad& p = pads_[static_cast<size_t>(index)];
    p.joystick = joystick;
    p.id = SDL_JoystickInstanceID(joystick);
    p.signal = false;
    p.detached = false;
    return true;
  }

  bool EnablePadNotification(int index) override { return Opened(index); }
  bool AcquirePad(int index) override { return Opened(index); }

  PadRead ReadPad(int index, PadState* out) override {
    if (!Opened(index)) return PadRead::kDetached;
    SDL_Joystick* j = pads_[static_cast<size_t>(index)].joystick;
    SDL_JoystickUpdate();
    if (!SDL_JoystickGetAttached(j)) return PadRead::kDetached;
    {
      std::lock_guard<std::mutex> lock(mu_);
      if (pads_[static_cast<size_t>(index)].detached) return PadRead::kDetached;
    }
    PadState s;
    s.axisCount = std::min(std::max(SDL_JoystickNumAxes(j), 0), kPadAxes);
    for (int a = 0; a < s.axisCount; ++a) s.axes[a] = SDL_JoystickGetAxis(j, a);
    int hats = std::min(std::max(SDL_JoystickNumHats(j), 0), kPadHats);
    for (int h = 0; h < hats; ++h) s.hats[h] = HatAngle(SDL_JoystickGetHat(j, h));
    s.buttonCount = std::min(std::max(SDL_JoystickNumButtons(j), 0), kPadButtons);
    for (int b = 0; b < s.buttonCount; ++b) s.buttons[b] = SDL_JoystickGetButton(j, b) ? 0x80 : 0;
    *out = s;
    return PadRead::kOk;
  }

  bool PadSignalled(int index) override {
    std::lock_guard<std::mutex> lock(mu_);
    return Valid(index) && pads_[static_cast<size_t>(index)].signal;
  }
  void ResetPadSignal(int index) override {
    std::lock_guard<std::mutex> lock(mu_);
    if (Valid(index)) pads_[static_cast<size_t>(index)].signal = false;
  }

  void ClosePad(int index) override {
    if (!Opened(index)) return;
    Pad& p = pads_[static_cast<size_t>(index)];
    SDL_JoystickClose(p.joystick);
    std::lock_guard<std::mutex> lock(mu_);
    p = Pad{};
  }

  void SystemKeyState(uint8_t keys[kKeyCount]) override {
    std::fill(keys, keys + kKeyCount, 0);
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return;
    int n = 0;
    const Uint8* state = SDL_GetKeyboardState(&n);
    for (int s = 0; s < n; ++s) {
      if (!state[s]) continue;
      uint8_t vk = VirtualKeyOfKeyCode(KeyCodeOfScancode(static_cast<SDL_Scancode>(s)));
      if (vk != 0) keys[vk] = 0x80;
    }
  }

 private:
  struct Pad {
    SDL_Joystick* joystick = nullptr;
    SDL_JoystickID id = -1;
    bool signal = false;
    bool detached = false;
  };

  bool Valid(int index) const { return index >= 0 && static_cast<size_t>(index) < pads_.size(); }
  bool Opened(int index) const {
    return Valid(index) && pads_[static_cast<size_t>(index)].joystick != nullptr;
  }

  static int SDLCALL Watch(void* self, SDL_Event* e) {
    static_cast<SdlInputService*>(self)->Observe(*e);
    return 1;
  }

  void Observe(const SDL_Event& e) {
    std::lock_guard<std::mutex> lock(mu_);
    switch (e.type) {
      case SDL_KEYDOWN:
      case SDL_KEYUP: {
        uint8_t code = KeyCodeOfScancode(e.key.keysym.scancode);
        if (code == 0) break;
        keys_[code] = e.type == SDL_KEYDOWN ? 0x80 : 0;
        keyboardSignal_ = true;
        if (e.key.repeat) break;
        if (events_.size() >= static_cast<size_t>(kKeyBufferSize)) events_.pop_front();
        events_.push_back(code);
        break;
      }
      case SDL_JOYAXISMOTION:
      case SDL_JOYHATMOTION:
      case SDL_JOYBALLMOTION:
      case SDL_JOYBUTTONDOWN:
      case SDL_JOYBUTTONUP:
        for (Pad& p : pads_) {
          if (p.joystick != nullptr && p.id == e.jaxis.which) p.signal = true;
        }
        break;
      case SDL_JOYDEVICEREMOVED:
        for (Pad& p : pads_) {
          if (p.joystick != nullptr && p.id == e.jdevice.which) {
            p.detached = true;
            p.signal = true;
          }
        }
        break;
      default:
        break;
    }
  }

  bool started_ = false;
  bool keyboardOpen_ = false;
  std::mutex mu_;
  uint8_t keys_[kKeyCount] = {};
  std::deque<uint8_t> events_;
  bool keyboardSignal_ = false;
  std::vector<Pad> pads_;
};

}  // namespace

InputService& SdlInputServiceInstance() {
  static SdlInputService service;
  return service;
}

}  // namespace platform
