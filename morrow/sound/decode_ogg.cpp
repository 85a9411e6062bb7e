// Ogg Vorbis through vorbisfile, reading the converter's stream through callbacks: the opener,
// the decode step (which ends a chain at a link of another layout), the seek and the size, and
// the sample width asked of the decoder.
#define OV_EXCLUDE_STATIC_CALLBACKS
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

#include "morrow/sound/decode_internal.h"
#include "morrow/sound/sound_decode.h"

namespace morrow {

struct OggDecoder {
  OggVorbis_File file;
};

namespace {

using namespace decode_internal;

int g_oggSampleWidth = 2;
constexpr int32_t kOggOutputBytes = 4096;

size_t OggReadCallback(void* ptr, size_t size, size_t count, void* source) {
  // The decoder reads a byte count; anything it cannot take as a count is 0 (the end).
  if (source == nullptr || size == 0 || count > std::numeric_limits<size_t>::max() / size) {
    return 0;
  }
  auto* c = static_cast<SoundConverter*>(source);
  return Read(c, ptr, size * count) / size;
}

int OggSeekCallback(void* source, ogg_int64_t offset, int whence) {
  if (source == nullptr) return -1;
  return Seek(static_cast<SoundConverter*>(source), offset, whence) == 0 ? 0 : -1;
}

int OggCloseCallback(void*) {
  return 0;
}  // the stream belongs to the caller

long OggTellCallback(void* source) {
  if (source == nullptr) return -1;
  return static_cast<long>(Tell(static_cast<SoundConverter*>(source)));
}

}  // namespace

void SetOggSampleWidth(int width) {
  g_oggSampleWidth = width;
}
int GetOggSampleWidth() {
  return g_oggSampleWidth;
}

namespace decode_internal {

bool OpenOggVorbis(SoundConverter* c) {
  // An Ogg file starts with a page. Handed anything else, the decoder would read the whole
  // stream looking for one, and a failed search keeps a few bytes it never gives back.
  uint8_t capture[4];
  if (Read(c, capture, 4) != 4 || std::memcmp(capture, "OggS", 4) != 0 || Seek(c, 0, 0) != 0) {
    return false;
  }
  auto* d = new (std::nothrow) OggDecoder{};
  if (d == nullptr) return false;
  ov_callbacks callbacks = {OggReadCallback, OggSeekCallback, OggCloseCallback, OggTellCallback};
  if (ov_open_callbacks(c, &d->file, nullptr, 0, callbacks) != 0) {
    ov_clear(&d->file);
    delete d;
    return false;
  }
  vorbis_info* info = ov_info(&d->file, -1);
  int width = c->oggSampleWidth == 1 ? 1 : 2;
  if (info == nullptr || info->channels < 1 || info->channels > static_cast<int>(kMaxChannels) ||
      info->rate < 1 || info->rate > static_cast<long>(kMaxRate)) {
    ov_clear(&d->file);
    delete d;
    return false;
  }
  // After measuring a chain of streams the decoder stands in its last one: start at the top.
  if (ov_seekable(&d->file) && ov_pcm_seek(&d->file, 0) != 0) {
    ov_clear(&d->file);
    delete d;
    return false;
  }
  c->ogg = d;
  c->oggOpen = 1;
  c->oggSampleWidth = width;
  c->oggLink = -1;
  WaveFormat f;
  f.formatTag = kWaveFormatPcm;
  f.channels = static_cast<uint16_t>(info->channels);
  f.samplesPerSecond = static_cast<uint32_t>(info->rate);
  f.blockAlign = static_cast<uint16_t>(f.channels * width);
  f.averageBytesPerSecond = f.blockAlign * f.samplesPerSecond;
  f.bitsPerSample = static_cast<uint16_t>(width * 8);
  c->outputFormat = f;
  c->outputBufferSize = kOggOutputBytes;
  c->method = kSoundMethodOgg;
  return true;
}

int OggStep(SoundConverter* c) {
  for (;;) {
    int link = 0;
    long got = ov_read(&c->ogg->file, reinterpret_cast<char*>(c->outputBuffer), kOggOutputBytes, 0,
                       c->oggSampleWidth, c->oggSampleWidth != 1, &link);
    if (got == OV_HOLE) continue;  // a gap in the data: the decoder has moved past it
    if (got <= 0) return -1;
    if (link != c->oggLink) {
      // A chained stream whose next link has another layout cannot go on in this format.
      vorbis_info* info = ov_info(&c->ogg->file, link);
      if (info == nullptr || info->channels != c->outputFormat.channels ||
          info->rate != static_cast<long>(c->outputFormat.samplesPerSecond)) {
        return -1;
      }
      c->oggLink = link;
    }
    c->outputAvailable = static_cast<int32_t>(got);
    return 0;
  }
}

void OggSeek(SoundConverter* c, int milliseconds, int64_t target) {
  if (ov_time_seek(&c->ogg->file, std::max(milliseconds, 0) * 0.001) != 0) c->end = 1;
  c->outputDelivered = target;
  c->outputAvailable = 0;
  c->outputOffset = 0;
}

int64_t OggConvertedSize(SoundConverter* c) {
  ogg_int64_t frames = ov_pcm_total(&c->ogg->file, -1);
  int64_t frameBytes = int64_t{c->outputFormat.channels} * c->oggSampleWidth;
  // The count comes from the last page's position, which a damaged file can set to anything.
  if (frames < 0 || frames > std::numeric_limits<int64_t>::max() / frameBytes) return -1;
  return frames * frameBytes;
}

void ReleaseOgg(SoundConverter* c) {
  if (c->ogg != nullptr) {
    if (c->oggOpen) ov_clear(&c->ogg->file);
    delete c->ogg;
    c->ogg = nullptr;
  }
  c->oggOpen = 0;
}

}  // namespace decode_internal
}  // namespace morrow
