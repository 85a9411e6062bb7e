// Stream sounds: one ring buffer of six seconds, refilled from up to three sources in turn by
// every pump pass, each source played a given number of times, silence after the last.
//
// The ring is kept a little over four seconds ahead of the play cursor, an eighth of a second
// per refill. Sources are untrusted sound data: a source that ends without giving a byte cannot
// make the refill loop for ever, and every byte count that becomes milliseconds is 64-bit.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "morrow/sound/sound.h"
#include "morrow/sound/sound_decode.h"
#include "morrow/sound/sound_internal.h"
#include "morrow/system/library.h"
#include "morrow/system/log.h"
#include "morrow/system/memory.h"
#include "morrow/system/stream.h"

namespace morrow {
namespace {

constexpr int32_t kRingSeconds = 6;
constexpr int32_t kAheadSeconds = 4;

// The record of a live stream sound, or null (a static sound is not one).
SoundRecord* StreamRecord(int handle) {
  SoundRecord* r = GetSoundRecord(handle);
  return r != nullptr && r->streamFlag != 0 && r->buffers[0] != nullptr ? r : nullptr;
}

platform::AudioBuffer& Ring(SoundRecord* r) {
  return *r->buffers[0];
}

bool IsPlaying(SoundRecord* r) {
  uint32_t status = 0;
  return Ring(r).GetStatus(&status) == platform::kAudioOk &&
         (status & platform::kStatusPlaying) != 0;
}

int32_t PlayCursor(SoundRecord* r) {
  uint32_t play = 0;
  Ring(r).GetCurrentPosition(&play, nullptr);
  return static_cast<int32_t>(play);
}

// Bytes from one ring offset forward to another.
int32_t Forward(int32_t from, int32_t to, int32_t ring) {
  int32_t d = to - from;
  return d < 0 ? d + ring : d;
}

StreamSoundSource& CurrentSource(SoundRecord* r) {
  return r->streamSources[r->currentSource];
}

// Seeks the current source's converter to the source position.
void SeekCurrentSource(SoundRecord* r) {
  int64_t ms = r->sourcePosition * 1000 / r->averageBytesPerSecond;
  SeekSoundConverter(&CurrentSource(r).converter, static_cast<int>(std::min<int64_t>(ms, INT_MAX)));
}

// More than four seconds lie ahead of the cursor: it stands strictly between the write
// position and the guard position, going forward from the write position.
bool CursorInsideGuard(SoundRecord* r, int32_t cursor) {
  int32_t d = Forward(r->writePosition, cursor, r->ringSize);
  return d > 0 && d < Forward(r->writePosition, r->guardPosition, r->ringSize);
}

void AdvanceWritePosition(SoundRecord* r, int32_t size) {
  r->writePosition += size;
  if (r->writePosition >= r->ringSize) r->writePosition -= r->ringSize;
  r->guardPosition = r->writePosition - kAheadSeconds * r->averageBytesPerSecond;
  if (r->guardPosition < 0) r->guardPosition += r->ringSize;
}

// The locked region of one refill, written front to back.
struct LockedRegion {
  uint8_t* part[2];
  uint32_t size[2];
  uint32_t done;

  uint32_t total() const { return size[0] + size[1]; }
  // The room left in the part the next byte goes into.
  uint8_t* Next(uint32_t* room) const {
    if (done < size[0]) {
      *room = size[0] - done;
      return part[0] + done;
    }
    *room = total() - done;
    return part[1] + (done - size[0]);
  }
  void Silence(const WaveFormat& format, uint32_t bytes) {
    while (bytes > 0 && done < total()) {
      uint32_t room = 0;
      uint8_t* p = Next(&room);
      uint32_t n = std::min(room, bytes);
      FillStreamSilence(format, p, n);
      done += n;
      bytes -= n;
    }
  }
};

// The data has ended at ring offset `reached`: silence follows it.
void EndData(SoundRecord* r, int32_t reached) {
  r->endOfData = 1;
  r->endPosition = reached;
  r->endCursor = PlayCursor(r);
  // The index stays on a source that exists, so a later refill finds it at its end again.
  r->currentSource = std::min(r->currentSource, r->sourceCount - 1);
}

// The current source gave nothing: its next play, the next source, the wrap to the first source
// of a looping sound, or the end of the data (-1).
int AdvanceStreamSource(SoundRecord* r, int32_t reached) {
  ++r->completedPlays;
  int8_t loops = static_cast<int8_t>(CurrentSource(r).loopCount);
  // Nothing came since this play began: an endless source would be begun again for ever.
  if (loops == -1 && r->advancesWithoutData > 0) {
    r->sourcesExhausted = 1;
    EndData(r, reached);
    return -1;
  }
  ++r->advancesWithoutData;
  if (loops != -1 && r->completedPlays > loops) {
    ++r->currentSource;
    r->completedPlays = 0;
    if (r->currentSource >= r->sourceCount) {
      r->sourcesExhausted = 1;
      // A looping pass over the sources that gave no byte would be followed by another.
      if (r->playType != kPlayLoop || !r->passYielded) {
        EndData(r, reached);
        return -1;
      }
      r->wrapFlag = 1;
      r->currentSource = 0;
      r->wrapPosition = reached;
      r->passYielded = 0;
    }
  }
  r->sourcePosition = 0;
  if (r->completedPlays > 0) {
    const WaveFormat& f = r->format;
    double frames =
        std::trunc(CurrentSource(r).loopStart * static_cast<double>(f.samplesPerSecond) * 0.001);
    r->sourcePosition = static_cast<int64_t>(frames) * f.blockAlign;
  }
  SeekCurrentSource(r);
  return 0;
}

// Fills the locked region from the sources; the rest is silence once the data has ended.
void FillFromSources(SoundRecord* r, LockedRegion* region, int32_t offset) {
  const uint32_t align = r->format.blockAlign;
  while (region->done < region->total() && !r->endOfData) {
    uint32_t room = 0;
    uint8_t* p = region->Next(&room);
    int n = ReadSoundConverter(&CurrentSource(r).converter, p,
                               static_cast<int>(std::min<uint32_t>(room, INT_MAX)));
    if (n > 0) {
      r->sourcePosition += n;
      region->done += static_cast<uint32_t>(n);
      r->advancesWithoutData = 0;
      r->passYielded = 1;
      continue;
    }
    // A source whose data ends inside a frame would shift every later frame: the frame is
    // completed with silence.
    if (region->done % align != 0) region->Silence(r->format, align - region->done % align);
    int32_t reached = static_cast<int32_t>((int64_t{offset} + region->done) % r->ringSize);
    if (region->done == region->total()) break;
    if (AdvanceStreamSource(r, reached) == -1) break;
  }
  region->Silence(r->format, region->total() - region->done);
}

// One refill of size bytes at the write position; false when the lock fails.
bool FillAt(SoundRecord* r, int32_t offset, int32_t size, bool fromSources) {
  LockedRegion region{};
  void* p1 = nullptr;
  void* p2 = nullptr;
  if (Ring(r).Lock(static_cast<uint32_t>(offset), static_cast<uint32_t>(size), &p1, &region.size[0],
                   &p2, &region.size[1]) != platform::kAudioOk) {
    return false;
  }
  region.part[0] = static_cast<uint8_t*>(p1);
  region.part[1] = static_cast<uint8_t*>(p2);
  if (fromSources) {
    FillFromSources(r, &region, offset);
  } else {
    region.Silence(r->format, region.total());
  }
  Ring(r).Unlock(p1, region.size[0], p2, region.size[1]);
  return true;
}

// Undoes what a source being added had made.
void DropSource(StreamSoundSource* s) {
  if (s->converter.open) CloseSoundConverter(&s->converter);
  if (s->memoryStream.handle != nullptr) s->memoryStream.functions.close(s->memoryStream.handle);
  if (s->kind == kStreamDecodedImage) {
    std::free(s->data);  // made by BuildWaveImage
  } else {
    FreeMemory(s->data);
  }
  *s = StreamSoundSource{};
}

// A format a ring can play whose sizes agree with each other, so that every refill stays on
// whole frames.
bool IsStreamableFormat(const WaveFormat& f) {
  platform::PcmFormat pcm{f.channels, static_cast<int>(f.samplesPerSecond), f.bitsPerSample};
  return f.formatTag == kWaveFormatPcm && platform::IsBufferFormatSupported(pcm) &&
         f.blockAlign == pcm.BlockAlign() &&
         f.averageBytesPerSecond == f.samplesPerSecond * f.blockAlign;
}

// Kind 0: the whole stream decoded now and kept as a WAVE image.
bool LoadDecodedImage(const StreamSource* source, StreamSoundSource* s) {
  uint8_t* coded = nullptr;
  uint32_t codedSize = 0;
  if (LoadWholeStream(source, &coded, &codedSize) != 0) {
    WriteLog("音声データの読み込みに失敗しました");
    return false;
  }
  StreamSource memory{};
  SoundConverter c{};
  WaveFormat format;
  uint8_t* pcm = nullptr;
  uint32_t pcmSize = 0;
  bool converted = OpenMemoryStreamSource(coded, codedSize, &memory);
  if (converted) {
    converted = OpenSoundConverter(&memory, &c) == 0;
    if (converted) {
      converted = ConvertSoundToPcm(&c, &format, &pcm, &pcmSize) == 0;
      CloseSoundConverter(&c);
    }
    memory.functions.close(memory.handle);
  }
  FreeMemory(coded);
  if (!converted) {
    WriteLog("音声データの変換に失敗しました");
    return false;
  }
  // Whole frames only, so the image's data chunk agrees with its format.
  pcmSize = static_cast<uint32_t>(AlignToBlock(static_cast<int>(pcmSize), &format));
  format.extraSize = 0;
  uint8_t* image = nullptr;
  uint32_t imageSize = 0;
  int built = BuildWaveImage(&image, &imageSize, &format, kWaveFormatBytes, pcm, pcmSize);
  FreeMemory(pcm);
  if (built != 0) {
    WriteLog("音声データの変換に失敗しました");
    return false;
  }
  s->data = image;
  s->dataSize = imageSize;
  if (!OpenMemoryStreamSource(image, imageSize, &s->memoryStream) ||
      OpenSoundConverter(&s->memoryStream, &s->converter) != 0) {
    WriteLog("音声データのオープンに失敗しました");
    return false;
  }
  return true;
}

// Kind 2: the coded stream held in memory.
bool LoadCodedImage(const StreamSource* source, StreamSoundSource* s) {
  if (LoadWholeStream(source, &s->data, &s->dataSize) != 0) {
    WriteLog("音声データの読み込みに失敗しました");
    return false;
  }
  if (!OpenMemoryStreamSource(s->data, s->dataSize, &s->memoryStream) ||
      OpenSoundConverter(&s->memoryStream, &s->converter) != 0) {
    WriteLog("音声データのオープンに失敗しました");
    return false;
  }
  return true;
}

}  // namespace

void FillStreamSilence(const WaveFormat& format, uint8_t* bytes, uint32_t size) {
  std::memset(bytes, format.bitsPerSample == 8 ? 0x7F : 0, size);
}

int AddSreamSound(const StreamSource* source, uint8_t loopCount, int handle, int kind,
                  int* ownsStream) {
  SoundRecord* r = GetSoundRecord(handle);
  if (r == nullptr || source == nullptr || source->functions.seek == nullptr) return -1;
  if (kind != kStreamDecodedImage && kind != kStreamCodedImage && kind != kStreamCallerStream) {
    return -1;
  }
  // A static sound's buffers and PCM would be lost under a ring, with or without sources.
  if ((r->sourceCount > 0 || r->bufferCount > 0) && r->streamFlag == 0) {
    return WriteLog("ストリーム風サウンドではないサウンドデータが渡されました in AddSreamSound\n");
  }
  if (r->sourceCount > 0) {
    if (IsPlaying(r)) {
      return WriteLog("既に再生中のストリームサウンドデータにデータを追加しようとしました\n");
    }
    if (r->sourceCount >= kMaxStreamSources) {
      return WriteLog("ストリーム風サウンドの制御データ領域がいっぱいです\n");
    }
  }
  // Built aside: a source that fails leaves the sound as it was.
  StreamSoundSource s{};
  s.kind = kind;
  source->functions.seek(source->handle, 0, 0);
  int owns = 1;
  bool opened;
  switch (kind) {
    case kStreamDecodedImage:
      opened = LoadDecodedImage(source, &s);
      break;
    case kStreamCodedImage:
      opened = LoadCodedImage(source, &s);
      break;
    default:
      opened = OpenSoundConverter(source, &s.converter) == 0;
      if (!opened) WriteLog("音声データのオープンに失敗しました");
      owns = 0;
      break;
  }
  if (!opened) {
    DropSource(&s);
    return -1;
  }
  const WaveFormat& out = s.converter.outputFormat;
  if (r->sourceCount > 0) {
    if (!(out == r->format)) {
      DropSource(&s);
      return WriteLog("フォーマットの違う音声データは同時に使うことは出来ません");
    }
  } else {
    // The ring is made for this format: one it cannot play would end the program there.
    if (!IsStreamableFormat(out)) {
      DropSource(&s);
      return WriteLog("音声データのオープンに失敗しました");
    }
    r->format = out;
    int32_t ring = kRingSeconds * static_cast<int32_t>(out.averageBytesPerSecond);
    CreateSoundHandleBuffers(&r->format, static_cast<uint32_t>(ring), 1, 1, handle);
    r->ringSize = ring;
  }
  s.loopCount = loopCount;
  r->streamSources[r->sourceCount] = s;
  r->sourceOwnsStream[r->sourceCount] = 0;
  ++r->sourceCount;
  if (ownsStream != nullptr) *ownsStream = owns;
  return 0;
}

int AddStreamSoundFile(const char* path, uint8_t loopCount, int handle, int kind) {
  if (GetSoundRecord(handle) == nullptr || path == nullptr) return -1;
  void* file = StreamOpen(path, 0, 1);
  if (file == nullptr) {
    return WriteLogFormat("右記のＷＡＶファイルのロードに失敗しました：%s \n",
                          LogText(path).c_str());
  }
  StreamSource source{*GetFileStreamTable(), file};
  int owns = 0;
  if (AddSreamSound(&source, loopCount, handle, kind, &owns) != 0) {
    StreamClose(file);
    return WriteLogFormat("右記のＷＡＶファイルのセットアップに失敗しました：%s \n",
                          LogText(path).c_str());
  }
  if (owns == 1) StreamClose(file);
  GetSoundRecord(handle)->sourceOwnsStream[GetSoundRecord(handle)->sourceCount - 1] = 1;
  return 0;
}

int AddStreamSoundMemory(const void* data, int size, uint8_t loopCount, int handle, int kind) {
  if (GetSoundRecord(handle) == nullptr) return -1;
  // The caller's memory is not kept: it is copied.
  if (kind == kStreamCallerStream) kind = kStreamCodedImage;
  StreamSource source{};
  if (data == nullptr || size < 0 ||
      !OpenMemoryStreamSource(data, static_cast<size_t>(size), &source)) {
    return WriteLog("ＷＡＶファイルのストリームイメージハンドルの作成に失敗しました \n");
  }
  int owns = 0;
  if (AddSreamSound(&source, loopCount, handle, kind, &owns) != 0) {
    source.functions.close(source.handle);
    return WriteLog("ＷＡＶファイルのストリームイメージのセットアップに失敗しました \n");
  }
  if (owns == 1) source.functions.close(source.handle);
  GetSoundRecord(handle)->sourceOwnsStream[GetSoundRecord(handle)->sourceCount - 1] = 1;
  return 0;
}

void ReleaseStreamSoundSources(SoundRecord* r) {
  for (int i = 0; i < r->sourceCount; ++i) {
    StreamSoundSource& s = r->streamSources[i];
    StreamSource caller = s.converter.stream;
    if (s.converter.open) CloseSoundConverter(&s.converter);
    if (s.kind == kStreamCallerStream && r->sourceOwnsStream[i] && caller.handle != nullptr) {
      caller.functions.close(caller.handle);
    }
    DropSource(&s);
    r->sourceOwnsStream[i] = 0;
  }
  r->sourceCount = 0;
}

int PrepareStreamSound(int handle) {
  SoundRecord* r = GetSoundRecord(handle);
  if (r == nullptr) return -1;
  if (StreamRecord(handle) == nullptr) return 0;
  if (IsPlaying(r) || r->prepared) return 0;
  Ring(r).SetCurrentPosition(0);
  // The cursor starts again at 0: the played-bytes count must not take the jump as played.
  r->lastPlayCursor = 0;
  r->writePosition = kStreamNotFilled;
  r->guardPosition = -1;
  r->endOfData = 0;
  SeekCurrentSource(r);
  r->prepared = 1;
  RefillStreamSound(handle);
  return 0;
}

int PlayStreamSound(int handle, int playType, int rewind) {
  SoundRecord* r = GetSoundRecord(handle);
  if (r == nullptr) return -1;
  if (StreamRecord(handle) == nullptr) return 0;
  if (rewind == 0 && IsPlaying(r)) return 0;
  StopStreamSound(handle);
  bool loopingChanged = ((r->playType ^ playType) & 2) != 0;
  if ((loopingChanged && r->sourcesExhausted) || (rewind != 0 && r->playedBytes != 0)) {
    r->sourcesExhausted = 0;
    r->sourcePosition = 0;
    r->playedBytes = 0;
    r->wrapFlag = 0;
    r->completedPlays = 0;
    r->currentSource = 0;
    r->prepared = 0;
    r->advancesWithoutData = 0;
    r->passYielded = 0;
  }
  if (rewind != 0) r->sourcesExhausted = 0;
  r->playType = static_cast<uint8_t>(playType);
  PrepareStreamSound(handle);
  Ring(r).Play(true);  // the ring always loops; the refill stops it after the data
  if (playType == kPlayWait) {
    while (CheckSoundHandle(handle) == 1 && PumpMessages() == 0) {
    }
  }
  return 0;
}

int StopStreamSound(int handle) {
  SoundRecord* r = GetSoundRecord(handle);
  if (r == nullptr) return -1;
  if (StreamRecord(handle) == nullptr) return 0;
  UpdateStreamPlayPosition(handle, -1);
  uint32_t status = 0;
  if (Ring(r).GetStatus(&status) != platform::kAudioOk) return -1;
  if ((status & platform::kStatusPlaying) != 0) Ring(r).Stop();
  return 0;
}

int CheckStreamSound(int handle) {
  SoundRecord* r = GetSoundRecord(handle);
  if (r == nullptr) return -1;
  if (StreamRecord(handle) == nullptr) return 0;
  uint32_t status = 0;
  if (Ring(r).GetStatus(&status) != platform::kAudioOk) return -1;
  return (status & platform::kStatusPlaying) != 0 ? 1 : 0;
}

void UpdateStreamPlayPosition(int handle, int cursor) {
  SoundRecord* r = StreamRecord(handle);
  if (r == nullptr || !r->prepared) return;
  if (cursor < 0) cursor = PlayCursor(r);
  if (cursor == r->lastPlayCursor) return;
  int32_t moved = Forward(r->lastPlayCursor, cursor, r->ringSize);
  int32_t toWrap = Forward(r->lastPlayCursor, r->wrapPosition, r->ringSize);
  if (r->wrapFlag && toWrap > 0 && toWrap <= moved) {
    // The cursor has passed the point where the sources began again.
    r->playedBytes = Forward(r->wrapPosition, cursor, r->ringSize);
    r->wrapFlag = 0;
  } else {
    r->playedBytes += moved;
  }
  r->lastPlayCursor = cursor;
}

int RefillStreamSound(int handle) {
  SoundRecord* r = GetSoundRecord(handle);
  if (r == nullptr) return -1;
  if (StreamRecord(handle) == nullptr || !r->prepared) return 0;
  UpdateStreamPlayPosition(handle, -1);
  const int32_t bytesPerSecond = r->averageBytesPerSecond;
  while (!r->endOfData) {
    bool first = r->writePosition == kStreamNotFilled;
    int32_t offset = 0;
    int32_t size;
    if (first) {
      size = AlignToBlock(kAheadSeconds * bytesPerSecond, &r->format);
    } else {
      if (!IsPlaying(r)) return 0;
      size = AlignToBlock(bytesPerSecond / 8, &r->format);
      if (CursorInsideGuard(r, PlayCursor(r))) return -1;
      offset = r->writePosition;
    }
    if (size <= 0 || !FillAt(r, offset, size, true)) return -1;
    if (first) {
      r->guardPosition = 0;
      r->writePosition = size;
    } else {
      AdvanceWritePosition(r, size);
    }
  }
  // After the end of the data: stop once the cursor has passed it, silence until then. A ring
  // that does not play has nothing to pass.
  if (!IsPlaying(r)) return 0;
  int32_t cursor = PlayCursor(r);
  int32_t toEnd = Forward(r->endCursor, r->endPosition, r->ringSize);
  if (Forward(r->endCursor, cursor, r->ringSize) >= toEnd) {
    Ring(r).Stop();
    r->endOfData = 0;
    return 0;
  }
  if (CursorInsideGuard(r, cursor)) return -1;
  int32_t size = AlignToBlock(bytesPerSecond / 8, &r->format);
  if (size <= 0 || !FillAt(r, r->writePosition, size, false)) return -1;
  AdvanceWritePosition(r, size);
  return 0;
}

int UpdateStreamSounds() {
  SoundSystemState& s = GetSoundSystemState();
  if (!s.device) return -1;
  int seen = 0;
  for (int i = 0; i < s.table.highWater && seen < s.table.count; ++i) {
    SoundRecord* r = s.table.slots[i];
    if (r == nullptr) continue;
    ++seen;
    if (r->streamFlag == 1) RefillStreamSound(SoundHandleOfSlot(i));
  }
  return 0;
}

}  // namespace morrow
