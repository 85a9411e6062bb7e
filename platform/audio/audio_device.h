// The sound output service: one output device, secondary buffers of PCM and the mixer that
// plays them.
//
// The library's sound component sees a device that is created, initialised and asked for its
// capabilities, one primary buffer whose format it sets, and any number of secondary buffers it
// fills through two-part locks and plays once or looping, with a volume in hundredths of a
// decibel. Behind them one mixer sums every playing buffer into 44100 Hz, 16-bit stereo:
// fixed-point linear resampling (a buffer at the output rate passes sample for sample), integer
// gain, a saturating sum.
//
// Back ends, chosen by MORROW_AUDIO when the device is created:
//   unset   an SDL audio device; its callback only mixes. SDL_AUDIODRIVER picks SDL's driver
//           ("dummy" headless, "disk" records the output into SDL_DISKAUDIOFILE).
//   manual  no device at all: the mixer advances only when MixerPull is called (tests).
//   null    creation fails, as on a machine without sound.
// One device exists at a time. Every buffer call takes the device lock, which the mixer holds
// while it mixes.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// The mixer's output: what the device plays.
constexpr int kMixerRate = 44100;
constexpr int kMixerChannels = 2;
constexpr int kMixerPeriodFrames = 1024;

// Secondary buffers take these rates.
constexpr int kMinBufferRate = 100;
constexpr int kMaxBufferRate = 192000;
// The largest buffer, in bytes.
constexpr uint32_t kMaxBufferBytes = 0x0FFFFFFF;

// Buffer volumes, in hundredths of a decibel.
constexpr int32_t kVolumeSilent = -10000;
constexpr int32_t kVolumeFull = 0;

enum AudioResult : int {
  kAudioOk = 0,
  kAudioFailed = -1,
  kAudioBadArgument = -2,
  kAudioNoControl = -3,  // the buffer was made without the control the call needs
  kAudioNotReady = -4,   // the device was not initialised
};

// Integer PCM, little-endian, interleaved; 8-bit samples are unsigned, the others signed.
struct PcmFormat {
  int channels = 2;
  int samplesPerSecond = kMixerRate;
  int bitsPerSample = 16;
  int BlockAlign() const { return channels * (bitsPerSample / 8); }
};

// True for what a secondary buffer takes: 1-2 channels, 8/16/24/32 bits, 100-192000 Hz.
bool IsBufferFormatSupported(const PcmFormat& format);

// What the buffer is made for; only the volume control changes behaviour (without it the volume
// calls fail). The others are accepted for what they describe.
enum AudioBufferFlags : uint32_t {
  kBufferStatic = 1u << 0,         // filled once, played many times
  kBufferVolume = 1u << 1,         // the volume may be set
  kBufferPan = 1u << 2,            // balance may be set (never is)
  kBufferFrequency = 1u << 3,      // rate may be changed (never is)
  kBufferGlobalFocus = 1u << 4,    // keeps playing when the window loses focus
  kBufferExactPosition = 1u << 5,  // cursors are exact (they always are here)
};

enum AudioStatus : uint32_t {
  kStatusPlaying = 1u << 0,
  kStatusLooping = 1u << 1,
};

struct AudioCaps {
  bool primaryMono = false;
  bool primaryStereo = false;
  bool primary8Bit = false;
  bool primary16Bit = false;
  bool secondaryMono = false;
  bool secondaryStereo = false;
  bool secondary8Bit = false;
  bool secondary16Bit = false;
  uint32_t minSecondaryRate = 0;
  uint32_t maxSecondaryRate = 0;
  uint32_t totalHardwareBytes = 0;  // no sound memory of its own
  uint32_t freeHardwareBytes = 0;
};

struct AudioDeviceInfo {
  std::string module;       // the driver's name
  std::string description;  // the device's name
};

// Anything the mixer sums: it adds `frames` frames of interleaved stereo at kMixerRate into the
// accumulator. Called with the device lock held, from the mixing thread.
class MixerInput {
 public:
  virtual ~MixerInput() = default;
  virtual void MixInto(int32_t* stereo, int frames) = 0;
};

// Both take the device lock. An input must be detached before it is destroyed.
void AttachMixerInput(MixerInput* input);
void DetachMixerInput(MixerInput* input);

// True while an initialised device mixes (or, on the manual back end, can be pulled): the
// services that render into the mixer refuse to start without one.
bool AudioOutputRunning();

// A ring of PCM that the mixer plays.
class AudioBuffer final : private MixerInput {
 public:
  ~AudioBuffer();
  AudioBuffer(const AudioBuffer&) = delete;
  AudioBuffer& operator=(const AudioBuffer&) = delete;

  // Gives write access to bytes [offset, offset + bytes) of the ring: the first part up to the
  // ring's end, the second (null, 0 when none) from its start when the region wraps.
  int Lock(uint32_t offset, uint32_t bytes, void** part1, uint32_t* bytes1, void** part2,
           uint32_t* bytes2);
  int Unlock(void* part1, uint32_t bytes1, void* part2, uint32_t bytes2);
  // Starts (or goes on) playing from the play cursor. A buffer that does not loop stops at its
  // end with its cursor back at 0.
  int Play(bool looping);
  // Stops; the cursor stays where it is.
  int Stop();
  int GetStatus(uint32_t* status) const;
  int SetCurrentPosition(uint32_t bytes);
  // The write cursor is one mixing period ahead of the play cursor: bytes the mixer may be
  // reading already.
  int GetCurrentPosition(uint32_t* play, uint32_t* write) const;
  int SetVolume(int32_t hundredthsOfDecibel);
  int GetVolume(int32_t* hundredthsOfDecibel) const;

  uint32_t size() const { return static_cast<uint32_t>(data_.size()); }
  const PcmFormat& format() const { return format_; }

 private:
  friend class AudioDevice;
  AudioBuffer(const PcmFormat& format, uint32_t bytes, uint32_t flags);
  void MixInto(int32_t* stereo, int frames) override;
  void FetchFrame(uint32_t frame, int32_t* left, int32_t* right) const;

  PcmFormat format_;
  uint32_t flags_;
  std::vector<uint8_t> data_;
  uint32_t frames_;
  bool playing_ = false;
  bool looping_ = false;
  uint32_t position_ = 0;  // frame of the play cursor
  uint32_t fraction_ = 0;  // between position_ and the next frame, in 1/2^32
  uint64_t step_;          // frames per output frame, 32.32 fixed point
  int32_t volume_ = kVolumeFull;
  int32_t gain_;  // 16.16 fixed point; 65536 is unity
};

// The format of the device's output as the library sets it; the mixer's output stays fixed.
class AudioPrimaryBuffer {
 public:
  int SetFormat(const PcmFormat& format);
  int GetFormat(PcmFormat* format) const;

 private:
  friend class AudioDevice;
  AudioPrimaryBuffer() = default;
  PcmFormat format_;
};

class AudioDevice {
 public:
  enum class Backend { kSdl, kManual };

  // The device object, not yet open: null when MORROW_AUDIO=null or the audio subsystem does
  // not start.
  static std::unique_ptr<AudioDevice> Create();
  ~AudioDevice();
  AudioDevice(const AudioDevice&) = delete;
  AudioDevice& operator=(const AudioDevice&) = delete;

  // Opens the output (44100 Hz, 16-bit stereo, 1024-frame periods) and starts mixing.
  int Initialize();
  int GetCaps(AudioCaps* caps) const;
  int CreatePrimaryBuffer(std::unique_ptr<AudioPrimaryBuffer>* out);
  int CreateBuffer(const PcmFormat& format, uint32_t bytes, uint32_t flags,
                   std::unique_ptr<AudioBuffer>* out);
  // Calls visit once per output device (there is one) until it returns false.
  int EnumerateDevices(const std::function<bool(const AudioDeviceInfo&)>& visit) const;

  Backend backend() const { return backend_; }

 private:
  explicit AudioDevice(Backend backend) : backend_(backend) {}
  Backend backend_;
  bool initialized_ = false;
  uint32_t sdlDevice_ = 0;
};

// The manual back end's clock: mixes `frames` frames into out (interleaved stereo, may be null)
// and returns the frames mixed; -1 when no manual device is initialised.
int MixerPull(int frames, int16_t* out);

// Holds the device lock: the mixer does not run while it is held. Re-entrant.
class AudioDeviceLock {
 public:
  AudioDeviceLock();
  ~AudioDeviceLock();
  AudioDeviceLock(const AudioDeviceLock&) = delete;
  AudioDeviceLock& operator=(const AudioDeviceLock&) = delete;
};

// The gain a volume stands for, in 16.16 fixed point: 10^(v/2000) x 65536 rounded, 0 at -10000
// and below, exactly 65536 at 0.
int32_t VolumeToGain(int32_t hundredthsOfDecibel);

}  // namespace platform
