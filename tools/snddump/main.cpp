// snddump: decodes a sound file as the library's sound loader does, or plays one.
//
//   snddump FILE [--raw OUT]   prints "method=<pcm|acm|ogg> channels=C rate=R bits=B frames=N
//                              crc32=<hex>" (zlib CRC-32 of the PCM); --raw writes the PCM to OUT
//   snddump --play FILE        starts the library, loads FILE into a sound handle, plays it to
//                              its end, waits 0.25 s more and ends the library; prints "played",
//                              or "silent" when the library runs without sound
//
// FILE is read whole, at most 64 MiB (67108864 bytes): a larger one is refused unread with
// "error: FILE: larger than 67108864 bytes". A file that cannot be read, is too large or does not
// decode (--play too, before the library starts): "error: PATH: reason" on stderr, exit 1. OUT is
// written whole or not at all: a failed write leaves nothing new there, exit 1. Exit 1 also when
// the library does not start (255 when it ends the process itself) or standard output cannot be
// written; 2 on a usage error, or when another instance holds the library's lock.
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "morrow/sound/sound.h"
#include "morrow/sound/sound_decode.h"
#include "morrow/sound/sound_internal.h"
#include "morrow/system/library.h"
#include "morrow/system/memory.h"
#include "morrow/system/stream.h"
#include "morrow/system/time.h"
#include "tools/lib/toolrun/tool_run.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: snddump FILE [--raw OUT]\n"
               "       snddump --play FILE\n");
  return toolrun::kUsage;
}

const char* MethodName(int32_t method) {
  switch (method) {
    case morrow::kSoundMethodPcm:
      return "pcm";
    case morrow::kSoundMethodAcm:
      return "acm";
    case morrow::kSoundMethodOgg:
      return "ogg";
    default:
      return "?";
  }
}

struct Decoded {
  morrow::WaveFormat format;
  uint8_t* pcm = nullptr;  // FreeMemory
  uint32_t bytes = 0;
  int32_t method = -1;
};

// The bytes of the sound file, found by its path as the library's loader finds it, at most the
// tools' limit; false after the error line, which names the path as given.
bool ReadSound(const char* path, std::string* bytes) {
  std::string mapped, refusal;
  if (morrow::MapGamePath(path, &mapped) &&
      toolrun::ReadWholeRegularFile(mapped, toolrun::kInputLimit, bytes, &refusal)) {
    return true;
  }
  if (refusal.compare(0, mapped.size(), mapped) == 0) refusal.replace(0, mapped.size(), path);
  if (refusal.empty()) refusal = std::string(path) + ": cannot read the file";
  std::fprintf(stderr, "error: %s\n", refusal.c_str());
  return false;
}

// The file decoded as the sound loader decodes it; false after the error line.
bool Decode(const char* path, Decoded* d) {
  std::string file;
  if (!ReadSound(path, &file)) return false;
  const int decoded = morrow::DecodeSoundImage(file.data(), file.size(), &d->format, &d->pcm,
                                               &d->bytes, &d->method);
  if (decoded != 0) {
    std::fprintf(stderr, "error: %s: not a sound the library decodes\n", path);
    return false;
  }
  return true;
}

int Dump(const char* path, const char* rawOut) {
  Decoded d;
  if (!Decode(path, &d)) return 1;
  int status = 0;
  if (rawOut != nullptr && !toolrun::WriteFile(rawOut, d.pcm, d.bytes)) status = 1;
  uLong crc = crc32(0L, Z_NULL, 0);
  crc = crc32(crc, d.pcm, d.bytes);
  std::printf("method=%s channels=%u rate=%u bits=%u frames=%u crc32=%08lx\n", MethodName(d.method),
              d.format.channels, d.format.samplesPerSecond, d.format.bitsPerSample,
              d.bytes / d.format.blockAlign, static_cast<unsigned long>(crc));
  morrow::FreeMemory(d.pcm);
  return status;
}

int Play(const char* path) {
  // Bad input says so even where the library would run silent and never load it.
  Decoded d;
  if (!Decode(path, &d)) return 1;
  morrow::FreeMemory(d.pcm);
  if (toolrun::StartLibrary(1) != 0) return 1;
  int status = 0;
  if (!morrow::GetSoundSystemState().device) {
    std::printf("silent\n");
  } else {
    int handle = morrow::LoadSoundFile(path);
    if (handle == -1) {
      std::fprintf(stderr, "error: %s: not a sound the library loads\n", path);
      status = 1;
    } else {
      morrow::PlaySoundHandle(handle, morrow::kPlayWait, 1);
      morrow::WaitMilliseconds(250);
      std::printf("played\n");
    }
  }
  morrow::EndLibrary();
  return status;
}

int Run(int argc, char** argv) {
  const char* file = nullptr;
  const char* raw = nullptr;
  bool play = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--raw") == 0 && i + 1 < argc && raw == nullptr) {
      raw = argv[++i];
    } else if (std::strcmp(argv[i], "--play") == 0 && !play) {
      play = true;
    } else if (toolrun::IsOption(argv[i])) {
      return Usage();
    } else if (file == nullptr) {
      file = argv[i];
    } else {
      return Usage();
    }
  }
  if (file == nullptr || (play && raw != nullptr)) return Usage();
  return play ? Play(file) : Dump(file, raw);
}

}  // namespace

int main(int argc, char** argv) {
  toolrun::Begin("snddump");
  return toolrun::End(Run(argc, argv));
}
