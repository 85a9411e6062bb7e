// Fuzz targets of the sound decoder, one per FUZZ_SOUND_MODE:
//   1 (fuzz_sound_whole)   a converter over the input, decoded whole as a sound handle's load does
//   2 (fuzz_sound_chunks)  a converter read in pieces with seeks in between; the input's last 16
//                          bytes are the script of reads and seeks, the rest is the file
//   3 (fuzz_sound_load)    LoadSoundFromMemory on the manual mixer, then the handle is deleted
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "morrow/sound/sound.h"
#include "morrow/sound/sound_decode.h"
#include "morrow/system/memory.h"
#include "morrow/system/stream.h"

namespace {

constexpr size_t kScriptBytes = 16;

[[maybe_unused]] void Whole(const uint8_t* data, size_t size) {
  morrow::StreamSource source;
  if (!morrow::OpenMemoryStreamSource(data, size, &source)) return;
  morrow::SoundConverter c;
  if (morrow::OpenSoundConverter(&source, &c) == 0) {
    morrow::WaveFormat format;
    uint8_t* pcm = nullptr;
    uint32_t bytes = 0;
    if (morrow::ConvertSoundToPcm(&c, &format, &pcm, &bytes) == 0) {
      // Touch every byte handed out, so a short allocation shows.
      volatile uint8_t sum = 0;
      for (uint32_t i = 0; i < bytes; ++i) sum = static_cast<uint8_t>(sum + pcm[i]);
      morrow::FreeMemory(pcm);
    }
    morrow::CloseSoundConverter(&c);
  }
  source.functions.close(source.handle);
}

[[maybe_unused]] void Chunks(const uint8_t* data, size_t size) {
  if (size < kScriptBytes) return;
  const uint8_t* script = data + size - kScriptBytes;
  size -= kScriptBytes;
  morrow::StreamSource source;
  if (!morrow::OpenMemoryStreamSource(data, size, &source)) return;
  morrow::SoundConverter c;
  if (morrow::OpenSoundConverter(&source, &c) == 0) {
    std::vector<uint8_t> buffer(128 * 61);
    for (size_t i = 0; i < kScriptBytes; ++i) {
      uint8_t op = script[i];
      if ((op & 0x80) != 0) {
        morrow::SeekSoundConverter(&c, (op & 0x7F) * 37);
      } else {
        int want = (op + 1) * 61;
        int got = morrow::ReadSoundConverter(&c, buffer.data(), want);
        if (got < 0 || got > want) std::abort();
      }
    }
    morrow::GetConvertedSize(&c);
    morrow::CloseSoundConverter(&c);
  }
  source.functions.close(source.handle);
}

[[maybe_unused]] void Load(const uint8_t* data, size_t size) {
  static const bool started = [] {
    setenv("MORROW_AUDIO", "manual", 1);
    return morrow::InitSoundSystem() == 0;
  }();
  if (!started) std::abort();
  int handle = morrow::LoadSoundFromMemory(data, static_cast<int>(size), 2);
  if (handle != -1) {
    morrow::PlaySoundHandle(handle, morrow::kPlayBackground, 1);
    morrow::DeleteSoundHandle(handle, 0);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 20)) return 0;
#if FUZZ_SOUND_MODE == 1
  Whole(data, size);
#elif FUZZ_SOUND_MODE == 2
  Chunks(data, size);
#else
  Load(data, size);
#endif
  return 0;
}
