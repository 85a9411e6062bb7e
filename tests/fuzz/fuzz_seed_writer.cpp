// Writes the seed corpus of the image fuzz targets: every fixture of the loader tests and a few
// truncations of each.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "tests/morrow/graphics/image_writers.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: fuzz_seed_writer DIR\n");
    return 2;
  }
  const std::filesystem::path dir = argv[1];
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  int written = 0;
  auto write = [&](const std::string& name, const std::string& bytes) {
    std::ofstream out(dir / name, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
      std::fprintf(stderr, "fuzz_seed_writer: cannot write %s\n", (dir / name).c_str());
      return false;
    }
    ++written;
    return true;
  };
  for (const imagetest::NamedFile& f : imagetest::AllFixtures()) {
    if (!write(f.name, f.bytes)) return 1;
    const size_t n = f.bytes.size();
    for (size_t cut : std::set<size_t>{18, n / 4, n / 2, n * 3 / 4, n - 1}) {
      if (cut == 0 || cut >= n) continue;
      if (!write(f.name + "-cut" + std::to_string(cut), f.bytes.substr(0, cut))) return 1;
    }
  }
  std::printf("fuzz_seed_writer: %d files in %s\n", written, dir.c_str());
  return 0;
}
