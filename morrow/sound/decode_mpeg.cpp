// Raw MPEG audio: an opener that walks the frames to tell MPEG audio from any other data, and
// describes the first frame as a Layer-3 format record for the coded-data path.
#include <cstdint>
#include <cstring>

#include "morrow/sound/decode_internal.h"
#include "morrow/sound/mpeg_audio.h"
#include "morrow/sound/sound_decode.h"
#include "platform/audio/audio_codec.h"

namespace morrow::decode_internal {
namespace {

// Finds the next frame sync at or after the stream position, before `end`. On success the
// stream stands after the four header bytes, which go to header, and *at is the frame's start.
// -1 at the end or on a failed read.
int NextMpegFrame(SoundConverter* c, int64_t position, int64_t end, uint8_t header[4],
                  int64_t* at) {
  int previous = -1;
  uint8_t b;
  while (position < end) {
    if (Read(c, &b, 1) != 1) return -1;
    ++position;
    if (previous >= 0 && IsMpegSync(static_cast<uint8_t>(previous), b)) {
      header[0] = 0xFF;
      header[1] = b;
      if (Read(c, header + 2, 2) != 2) return -1;
      *at = position - 2;
      return 0;
    }
    previous = b;
  }
  return -1;
}

}  // namespace

bool OpenMpegAudio(SoundConverter* c) {
  int64_t length = StreamLength(c);
  if (length <= 0 || Seek(c, 0, 0) != 0) return false;
  uint8_t id3[10] = {};
  uint64_t head = Read(c, id3, sizeof id3) == sizeof id3 ? Id3v2HeadSize(id3) : 0;
  // A head that claims more than the file is not a head of this file.
  if (head > static_cast<uint64_t>(length)) return false;
  int64_t tail = 0;
  if (length > 128) {
    uint8_t tag[3];
    if (Seek(c, length - 128, 0) == 0 && Read(c, tag, 3) == 3 && std::memcmp(tag, "TAG", 3) == 0) {
      tail = 128;
    }
  }
  int64_t end = length - tail;
  if (static_cast<int64_t>(head) >= end) return false;

  // Walk every frame: one reserved field anywhere makes this no MPEG audio. Each step moves
  // forward by a whole frame (at least 24 bytes), so the walk ends.
  uint8_t h[4];
  int64_t at = 0;
  int64_t position = static_cast<int64_t>(head);
  if (Seek(c, position, 0) != 0) return false;
  while (NextMpegFrame(c, position, end, h, &at) == 0) {
    MpegFrameHeader frame;
    if (!ParseMpegHeader(h, &frame)) return false;
    int64_t next = at + MpegFrameLength(frame);
    if (next >= end) break;
    if (Seek(c, next, 0) != 0) break;
    position = next;
  }

  // The first frame gives the format. A sync pair alone turns up by chance in any binary data
  // (once in 4 KiB of noise), so a frame counts only when the next frame's header follows right
  // at its end, or when the data ends exactly there.
  MpegFrameHeader first;
  position = static_cast<int64_t>(head);
  for (;;) {
    if (Seek(c, position, 0) != 0) return false;
    if (NextMpegFrame(c, position, end, h, &at) != 0) return false;
    position = at + 1;
    if (!ParseMpegHeader(h, &first)) continue;
    int64_t next = at + MpegFrameLength(first);
    if (next == end) break;
    uint8_t h2[4];
    MpegFrameHeader second;
    if (next + 4 <= end && Seek(c, next, 0) == 0 && Read(c, h2, 4) == 4 &&
        IsMpegSync(h2[0], h2[1]) && ParseMpegHeader(h2, &second) && second.mpeg1 == first.mpeg1 &&
        second.layer == first.layer && second.samplesPerSecond == first.samplesPerSecond) {
      break;
    }
  }

  uint8_t format[30] = {};
  PutLe16(format + 0, platform::kTagMpegLayer3);
  PutLe16(format + 2, static_cast<uint32_t>(first.channels));
  PutLe32(format + 4, static_cast<uint32_t>(first.samplesPerSecond));
  PutLe32(format + 8, static_cast<uint32_t>(first.bitrateKbps) * 125);
  PutLe16(format + 12, 1);   // block alignment
  PutLe16(format + 14, 0);   // bits per sample
  PutLe16(format + 16, 12);  // extra bytes
  PutLe16(format + 18, 1);   // MPEG identifier
  PutLe32(format + 20, 0);   // flags
  PutLe16(format + 24, static_cast<uint32_t>(MpegBlockSize(first)));
  PutLe16(format + 26, 1);     // frames per block
  PutLe16(format + 28, 1393);  // codec delay
  c->dataPosition = at;
  // From the first frame, not from the end of the head: bytes between the two are not data.
  c->dataSize = end - at;
  if (!SetUpCodec(c, format, sizeof format)) return false;
  return Seek(c, at, 0) == 0;
}

}  // namespace morrow::decode_internal
