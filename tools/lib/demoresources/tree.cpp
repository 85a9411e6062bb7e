#include "tools/lib/demoresources/tree.h"

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <thread>
#include <vector>

#include "tools/lib/demoresources/content.h"
#include "tools/lib/demoresources/inventory.h"

namespace demo {

namespace {

bool WriteBytes(const std::string& path, const std::string& bytes, std::string* error) {
  FILE* file = std::fopen(path.c_str(), "wb");
  bool ok = file != nullptr && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  if (file != nullptr && std::fclose(file) != 0) ok = false;
  if (!ok) *error = "cannot write " + path;
  return ok;
}

}  // namespace

bool WriteDemoTree(const std::string& dir, std::string* error) {
  std::string root = dir.empty() ? std::string(".") : dir;
  std::error_code ec;
  for (const char* folder : {"Resource/SE", "Resource/Bgm", "Resource/Mpd", "Resource/Srd",
                             "Resource/NLG", "Resource/Fnt"}) {
    std::filesystem::create_directories(root + "/" + folder, ec);
    if (ec) {
      *error = "cannot make " + root + "/" + folder + ": " + ec.message();
      return false;
    }
  }
  // Pictures are most of the work: drawn and compressed on every core, each file by one thread.
  const std::vector<DemoPicture>& pictures = DemoPictures();
  std::atomic<size_t> next{0};
  std::mutex failure;
  std::string firstError;
  auto work = [&] {
    for (size_t i = next++; i < pictures.size(); i = next++) {
      std::string why;
      if (!WritePng(root + "/" + pictures[i].file, DrawPicture(pictures[i]), &why)) {
        std::lock_guard<std::mutex> lock(failure);
        if (firstError.empty()) firstError = why;
      }
    }
  };
  unsigned threads = std::thread::hardware_concurrency();
  if (threads == 0) threads = 1;
  if (threads > 16) threads = 16;
  std::vector<std::thread> pool;
  for (unsigned t = 1; t < threads; ++t) pool.emplace_back(work);
  work();
  for (std::thread& t : pool) t.join();
  if (!firstError.empty()) {
    *error = firstError;
    return false;
  }
  std::vector<std::string> sounds = DemoSoundFiles();
  for (size_t i = 0; i < sounds.size(); ++i) {
    if (!WriteBytes(root + "/" + sounds[i], MakeSound(static_cast<int>(i)), error)) return false;
  }
  for (int n = 0; n < kMusicCount; ++n) {
    if (!WriteBytes(root + "/" + MusicFile(n), MakeMusic(n), error)) return false;
  }
  for (int n = 0; n < kMapCount; ++n) {
    if (!WriteBytes(root + "/" + MapFile(n), MakeMap(n), error)) return false;
  }
  for (const DemoScript& s : DemoScripts()) {
    if (!WriteBytes(root + "/" + s.file, MakeScript(s), error)) return false;
  }
  return true;
}

}  // namespace demo
