#include "platform/audio/audio_device.h"

#include <SDL.h>
#include <dlfcn.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>

#include "platform/env.h"

namespace platform {
namespace {

// The lock and the mixer outlive every static object of the program (they are never
// destroyed), so a buffer or device released during the exit still finds them.
std::recursive_mutex& DeviceMutex() {
  static auto* mutex = new std::recursive_mutex;
  return *mutex;
}

// Everything below is guarded by DeviceMutex().
struct MixerState {
  std::vector<MixerInput*> inputs;
  std::vector<int32_t> accumulator;
  std::vector<int16_t> scratch;
  AudioDevice* device = nullptr;  // the one device that exists
  bool manualRunning = false;     // a manual device is initialised
  bool outputRunning = false;     // the device is initialised (either back end)
};
MixerState& Mixer() {
  static auto* state = new MixerState;
  return *state;
}

// The mixer works through its accumulator in pieces of this many frames.
constexpr int kMixChunk = 4096;

int16_t Saturate(int32_t v) {
  return static_cast<int16_t>(std::clamp<int32_t>(v, INT16_MIN, INT16_MAX));
}

// Sums every input into out. Lock held.
void MixFrames(int16_t* out, int frames) {
  MixerState& m = Mixer();
  m.accumulator.resize(size_t{kMixChunk} * kMixerChannels);
  while (frames > 0) {
    int n = std::min(frames, kMixChunk);
    int32_t* acc = m.accumulator.data();
    std::fill(acc, acc + n * kMixerChannels, 0);
    for (MixerInput* input : m.inputs) input->MixInto(acc, n);
    if (out != nullptr) {
      for (int i = 0; i < n * kMixerChannels; ++i) out[i] = Saturate(acc[i]);
      out += n * kMixerChannels;
    }
    frames -= n;
  }
}

void SdlCallback(void*, Uint8* stream, int len) {
  std::lock_guard<std::recursive_mutex> lock(DeviceMutex());
  MixFrames(reinterpret_cast<int16_t*>(stream), len / (kMixerChannels * 2));
}

int16_t ReadLe16(const uint8_t* p) {
  return static_cast<int16_t>(p[0] | (p[1] << 8));
}

}  // namespace

bool IsBufferFormatSupported(const PcmFormat& f) {
  return (f.channels == 1 || f.channels == 2) &&
         (f.bitsPerSample == 8 || f.bitsPerSample == 16 || f.bitsPerSample == 24 ||
          f.bitsPerSample == 32) &&
         f.samplesPerSecond >= kMinBufferRate && f.samplesPerSecond <= kMaxBufferRate;
}

int32_t VolumeToGain(int32_t v) {
  if (v <= kVolumeSilent) return 0;
  if (v >= kVolumeFull) return 65536;
  return static_cast<int32_t>(std::lround(65536.0 * std::pow(10.0, v / 2000.0)));
}

void AttachMixerInput(MixerInput* input) {
  std::lock_guard<std::recursive_mutex> lock(DeviceMutex());
  auto& inputs = Mixer().inputs;
  if (std::find(inputs.begin(), inputs.end(), input) == inputs.end()) inputs.push_back(input);
}

void DetachMixerInput(MixerInput* input) {
  std::lock_guard<std::recursive_mutex> lock(DeviceMutex());
  auto& inputs = Mixer().inputs;
  inputs.erase(std::remove(inputs.begin(), inputs.end(), input), inputs.end());
}

AudioDeviceLock::AudioDeviceLock() {
  DeviceMutex().lock();
}
AudioDeviceLock::~AudioDeviceLock() {
  DeviceMutex().unlock();
}

bool AudioOutputRunning() {
  std::lock_guard<std::recursive_mutex> lock(DeviceMutex());
  return Mixer().outputRunning;
}

int MixerPull(int frames, int16_t* out) {
  std::lock_guard<std::recursive_mutex> lock(DeviceMutex());
  if (!Mixer().manualRunning || frames < 0) return -1;
  MixFrames(out, frames);
  return frames;
}

// ---------------------------------------------------------------------------------------------
// Buffers

AudioBuffer::AudioBuffer(const PcmFormat& format, uint32_t bytes, uint32_t flags)
    : format_(format),
      flags_(flags),
      data_(bytes, 0),
      frames_(bytes / static_cast<uint32_t>(format.BlockAlign())),
      step_((static_cast<uint64_t>(format.samplesPerSecond) << 32) / kMixerRate),
      gain_(VolumeToGain(kVolumeFull)) {
  AttachMixerInput(this);
}

AudioBuffer::~AudioBuffer() {
  DetachMixerInput(this);
}

int AudioBuffer::Lock(uint32_t offset, uint32_t bytes, void** part1, uint32_t* bytes1, void** part2,
                      uint32_t* bytes2) {
  std::lock_guard<std::recursive_mutex> lock(DeviceMutex());
  uint32_t n = size();
  if (part1 == nullptr || bytes1 == nullptr || bytes == 0 || bytes > n || offset >= n) {
    return kAudioBadArgument;
  }
  uint32_t first = std::min(bytes, n - offset);
  uint32_t second = bytes - first;
  if (second > 0 && (part2 == nullptr || bytes2 == nullptr)) return kAudioBadArgument;
  *part1 = data_.data() + offset;
  *bytes1 = first;
  if (part2 != nullptr) *part2 = second > 0 ? data_.data() : nullptr;
  if (bytes2 != nullptr) *bytes2 = second;
  return kAudioOk;
}

int AudioBuffer::Unlock(void* part1, uint32_t bytes1, void* part2, uint32_t bytes2) {
  std::lock_guard<std::recursive_mutex> lock(DeviceMutex());
  // Only regions that a lock can have handed out are accepted.
  auto inside = [this](void* p, uint32_t bytes) {
    if (p == nullptr) return bytes == 0;
    auto* b = static_cast<uint8_t*>(p);
    if (b < data_.data() || b >= data_.data() + data_.size()) return false;
    return bytes <= static_cast<uint32_t>(data_.data() + data_.size() - b);
  };
  if (part1 == nullptr || !inside(part1, bytes1) || !inside(part2, bytes2)) {
    return kAudioBadArgument;
  }
  if (part2 != nullptr && part2 != data_.data()) return kAudioBadArgument;
  return kAudioOk;
}

int AudioBuffer::Play(bool looping) {
  std::lock_guard<std::recursive_mutex> lock(DeviceMutex());
  playing_ = frames_ > 0;
  looping_ = looping;
  return kAudioOk;
}

int AudioBuffer::Stop() {
  std::lock_guard<std::recursive_mutex> lock(DeviceMutex());
  playing_ = false;
  return kAudioOk;
}

int AudioBuffer::GetStatus(uint32_t* status) const {
  if (status == nullptr) return kAudioBadArgument;
  std::lock_guard<std::recursive_mutex> lock(DeviceMutex());
  *status = playing_ ? (kStatusPlaying | (looping_ ? kStatusLooping : 0u)) : 0u;
  return kAudioOk;
}

int AudioBuffer::SetCurrentPosition(uint32_t bytes) {
  std::lock_guard<std::recursive_mutex> lock(DeviceMutex());
  uint32_t frame = bytes / static_cast<uint32_t>(format_.BlockAlign());
  if (frame >= frames_) return kAudioBadArgument;
  position_ = frame;
  fraction_ = 0;
  return kAudioOk;
}

int AudioBuffer::GetCurrentPosition(uint32_t* play, uint32_t* write) const {
  std::lock_guard<std::recursive_mutex> lock(DeviceMutex());
  uint32_t align = static_cast<uint32_t>(format_.BlockAlign());
  uint32_t at = position_ * align;
  // The frames of this buffer that one mixing period reads, rounded up.
  uint64_t ahead = (uint64_t{kMixerPeriodFrames} * static_cast<uint64_t>(format_.samplesPerSecond) +
                    kMixerRate - 1) /
                   kMixerRate * align;
  if (play != nullptr) *play = at;
  if (write != nullptr) *write = static_cast<uint32_t>((at + ahead) % size());
  return kAudioOk;
}

int AudioBuffer::SetVolume(int32_t v) {
  if ((flags_ & kBufferVolume) == 0) return kAudioNoControl;
  if (v < kVolumeSilent || v > kVolumeFull) return kAudioBadArgument;
  std::lock_guard<std::recursive_mutex> lock(DeviceMutex());
  volume_ = v;
  gain_ = VolumeToGain(v);
  return kAudioOk;
}

int AudioBuffer::GetVolume(int32_t* v) const {
  if ((flags_ & kBufferVolume) == 0) return kAudioNoControl;
  if (v == nullptr) return kAudioBadArgument;
  std::lock_guard<std::recursive_mutex> lock(DeviceMutex());
  *v = volume_;
  return kAudioOk;
}

void AudioBuffer::FetchFrame(uint32_t frame, int32_t* left, int32_t* right) const {
  const uint8_t* p = data_.data() + size_t{frame} * static_cast<size_t>(format_.BlockAlign());
  int bytes = format_.bitsPerSample / 8;
  auto sample = [&](const uint8_t* s) -> int32_t {
    switch (bytes) {
      case 1:
        return (static_cast<int32_t>(s[0]) - 128) * 256;
      case 2:
        return ReadLe16(s);
      default:  // 24 and 32 bits: the two most significant bytes
        return ReadLe16(s + bytes - 2);
    }
  };
  *left = sample(p);
  *right = format_.channels == 2 ? sample(p + bytes) : *left;
}

void AudioBuffer::MixInto(int32_t* stereo, int frames) {
  if (!playing_ || frames_ == 0) return;
  for (int i = 0; i < frames; ++i) {
    int32_t l;
    int32_t r;
    FetchFrame(position_, &l, &r);
    if (fraction_ != 0) {
      uint32_t next = position_ + 1;
      if (next >= frames_) next = looping_ ? 0 : position_;
      int32_t l1;
      int32_t r1;
      FetchFrame(next, &l1, &r1);
      int64_t f = fraction_ >> 16;
      l += static_cast<int32_t>((int64_t{l1 - l} * f) >> 16);
      r += static_cast<int32_t>((int64_t{r1 - r} * f) >> 16);
    }
    stereo[2 * i] += static_cast<int32_t>((int64_t{l} * gain_) >> 16);
    stereo[2 * i + 1] += static_cast<int32_t>((int64_t{r} * gain_) >> 16);
    uint64_t at = ((uint64_t{position_} << 32) | fraction_) + step_;
    uint64_t whole = at >> 32;
    fraction_ = static_cast<uint32_t>(at);
    if (whole >= frames_) {
      if (!looping_) {
        playing_ = false;
        position_ = 0;
        fraction_ = 0;
        return;
      }
      whole %= frames_;
    }
    position_ = static_cast<uint32_t>(whole);
  }
}

// ---------------------------------------------------------------------------------------------
// Primary buffer and device

int AudioPrimaryBuffer::SetFormat(const PcmFormat& format) {
  if (!IsBufferFormatSupported(format) || format.bitsPerSample > 16) return kAudioBadArgument;
  format_ = format;
  return kAudioOk;
}

int AudioPrimaryBuffer::GetFormat(PcmFormat* format) const {
  if (format == nullptr) return kAudioBadArgument;
  *format = format_;
  return kAudioOk;
}

// The sound library's ALSA back end writes its complaints (no card, no configuration) straight
// to stderr, eight lines on a machine without a sound card; the sound component logs its own line
// when the output cannot start. Its error handler is set to one that drops them. The library is
// the one SDL loads later (one copy per process); without it there is nothing to quiet.
void DropAlsaMessage(const char*, int, const char*, int, const char*, ...) {}

void QuietAlsa() {
  static std::once_flag once;
  std::call_once(once, [] {
    void* alsa = dlopen("libasound.so.2", RTLD_LAZY | RTLD_GLOBAL);
    if (alsa == nullptr) return;
    using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
    using SetHandler = int (*)(Handler);
    auto set = reinterpret_cast<SetHandler>(dlsym(alsa, "snd_lib_error_set_handler"));
    if (set != nullptr) set(DropAlsaMessage);
    // The handle stays open: the handler must outlive every ALSA call.
  });
}

std::unique_ptr<AudioDevice> AudioDevice::Create() {
  Backend backend = Backend::kSdl;
  if (auto mode = EnvSetting("MORROW_AUDIO")) {
    if (*mode == "null") return nullptr;
    if (*mode == "manual") {
      backend = Backend::kManual;
    } else {
      ReportBadSetting("MORROW_AUDIO", *mode, "manual or null");
    }
  }
  {
    std::lock_guard<std::recursive_mutex> lock(DeviceMutex());
    if (Mixer().device != nullptr) return nullptr;
  }
  if (backend == Backend::kSdl) {
    QuietAlsa();
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return nullptr;
  }
  std::unique_ptr<AudioDevice> device(new AudioDevice(backend));
  std::lock_guard<std::recursive_mutex> lock(DeviceMutex());
  Mixer().device = device.get();
  return device;
}

AudioDevice::~AudioDevice() {
  if (backend_ == Backend::kSdl) {
    // Closing waits for the callback to return, so the device lock must not be held here.
    if (sdlDevice_ != 0) SDL_CloseAudioDevice(sdlDevice_);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }
  std::lock_guard<std::recursive_mutex> lock(DeviceMutex());
  if (backend_ == Backend::kManual && initialized_) Mixer().manualRunning = false;
  if (initialized_) Mixer().outputRunning = false;
  if (Mixer().device == this) Mixer().device = nullptr;
}

int AudioDevice::Initialize() {
  if (initialized_) return kAudioFailed;
  if (backend_ == Backend::kManual) {
    std::lock_guard<std::recursive_mutex> lock(DeviceMutex());
    Mixer().manualRunning = true;
    Mixer().outputRunning = true;
    initialized_ = true;
    return kAudioOk;
  }
  SDL_AudioSpec want;
  SDL_zero(want);
  want.freq = kMixerRate;
  want.format = AUDIO_S16SYS;
  want.channels = kMixerChannels;
  want.samples = kMixerPeriodFrames;
  want.callback = SdlCallback;
  SDL_AudioSpec have;
  // No changes allowed: SDL converts to whatever the hardware takes.
  SDL_AudioDeviceID id = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
  if (id == 0) return kAudioFailed;
  sdlDevice_ = id;
  initialized_ = true;
  {
    std::lock_guard<std::recursive_mutex> lock(DeviceMutex());
    Mixer().outputRunning = true;
  }
  SDL_PauseAudioDevice(id, 0);
  return kAudioOk;
}

int AudioDevice::GetCaps(AudioCaps* caps) const {
  if (caps == nullptr) return kAudioBadArgument;
  if (!initialized_) return kAudioNotReady;
  *caps = AudioCaps{};
  caps->primaryMono = caps->primaryStereo = true;
  caps->primary8Bit = caps->primary16Bit = true;
  caps->secondaryMono = caps->secondaryStereo = true;
  caps->secondary8Bit = caps->secondary16Bit = true;
  caps->minSecondaryRate = kMinBufferRate;
  caps->maxSecondaryRate = kMaxBufferRate;
  return kAudioOk;
}

int AudioDevice::CreatePrimaryBuffer(std::unique_ptr<AudioPrimaryBuffer>* out) {
  if (out == nullptr) return kAudioBadArgument;
  if (!initialized_) return kAudioNotReady;
  out->reset(new AudioPrimaryBuffer());
  return kAudioOk;
}

int AudioDevice::CreateBuffer(const PcmFormat& format, uint32_t bytes, uint32_t flags,
                              std::unique_ptr<AudioBuffer>* out) {
  if (out == nullptr) return kAudioBadArgument;
  if (!initialized_) return kAudioNotReady;
  constexpr uint32_t kKnown = kBufferStatic | kBufferVolume | kBufferPan | kBufferFrequency |
                              kBufferGlobalFocus | kBufferExactPosition;
  if (!IsBufferFormatSupported(format) || (flags & ~kKnown) != 0 ||
      bytes < static_cast<uint32_t>(format.BlockAlign()) || bytes > kMaxBufferBytes) {
    return kAudioBadArgument;
  }
  out->reset(new AudioBuffer(format, bytes, flags));
  return kAudioOk;
}

int AudioDevice::EnumerateDevices(const std::function<bool(const AudioDeviceInfo&)>& visit) const {
  AudioDeviceInfo info;
  if (backend_ == Backend::kManual) {
    info.module = "manual";
    info.description = "manual mixer";
  } else {
    const char* driver = SDL_GetCurrentAudioDriver();
    info.module = driver != nullptr ? driver : "none";
    const char* name = SDL_GetNumAudioDevices(0) > 0 ? SDL_GetAudioDeviceName(0, 0) : nullptr;
    info.description = name != nullptr ? name : "default";
  }
  visit(info);
  return kAudioOk;
}

}  // namespace platform
