// snddump: decodes a sound file as the library's sound loader does, or plays one.
//
//   snddump FILE [--raw OUT]   prints "method=<pcm|acm|ogg> channels=C rate=R bits=B frames=N
//                              crc32=<hex>" (zlib CRC-32 of the PCM); --raw writes the PCM to OUT
//   snddump --play FILE        starts the library, loads FILE into a sound handle, plays it to
//                              its end, waits 0.25 s more and ends the library; prints "played",
//                              or "silent" when the library runs without sound
//
// A file that does not decode: "error: ..." on stderr, exit 1. Usage errors exit 2.
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "morrow/sound/sound.h"
#include "morrow/sound/sound_decode.h"
#include "morrow/sound/sound_internal.h"
#include "morrow/system/library.h"
#include "morrow/system/memory.h"
#include "morrow/system/time.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: snddump FILE [--raw OUT]\n"
               "       snddump --play FILE\n");
  return 2;
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

int Dump(const char* path, const char* rawOut) {
  uint8_t* file = nullptr;
  uint32_t fileSize = 0;
  if (morrow::LoadWholeFile(path, &file, &fileSize) != 0) {
    std::fprintf(stderr, "error: %s: cannot read the file\n", path);
    return 1;
  }
  morrow::WaveFormat format;
  uint8_t* pcm = nullptr;
  uint32_t bytes = 0;
  int32_t method = -1;
  int decoded = morrow::DecodeSoundImage(file, fileSize, &format, &pcm, &bytes, &method);
  morrow::FreeMemory(file);
  if (decoded != 0) {
    std::fprintf(stderr, "error: %s: not a sound the library decodes\n", path);
    return 1;
  }
  int status = 0;
  if (rawOut != nullptr) {
    FILE* out = std::fopen(rawOut, "wb");
    if (out == nullptr || std::fwrite(pcm, 1, bytes, out) != bytes) {
      std::fprintf(stderr, "error: %s: cannot write\n", rawOut);
      status = 1;
    }
    if (out != nullptr && std::fclose(out) != 0 && status == 0) {
      std::fprintf(stderr, "error: %s: cannot write\n", rawOut);
      status = 1;
    }
  }
  uLong crc = crc32(0L, Z_NULL, 0);
  crc = crc32(crc, pcm, bytes);
  std::printf("method=%s channels=%u rate=%u bits=%u frames=%u crc32=%08lx\n", MethodName(method),
              format.channels, format.samplesPerSecond, format.bitsPerSample,
              bytes / format.blockAlign, static_cast<unsigned long>(crc));
  morrow::FreeMemory(pcm);
  return status;
}

int Play(const char* path) {
  if (morrow::InitLibrary() != 0) {
    std::fprintf(stderr, "error: the library did not start\n");
    return 1;
  }
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

}  // namespace

int main(int argc, char** argv) {
  const char* file = nullptr;
  const char* raw = nullptr;
  bool play = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--raw") == 0 && i + 1 < argc && raw == nullptr) {
      raw = argv[++i];
    } else if (std::strcmp(argv[i], "--play") == 0 && !play) {
      play = true;
    } else if (argv[i][0] == '-' && argv[i][1] != '\0') {
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
