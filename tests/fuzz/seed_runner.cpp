// Runs a fuzz target's entry point once on every file given, or on every file of a directory
// given, in name order: how the fuzz targets are exercised by CTest when libFuzzer is not there.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
  std::vector<std::filesystem::path> inputs;
  for (int i = 1; i < argc; ++i) {
    std::error_code ec;
    if (std::filesystem::is_directory(argv[i], ec)) {
      for (const auto& e : std::filesystem::recursive_directory_iterator(argv[i], ec)) {
        if (e.is_regular_file()) inputs.push_back(e.path());
      }
    } else if (std::filesystem::is_regular_file(argv[i], ec)) {
      inputs.push_back(argv[i]);
    } else {
      std::fprintf(stderr, "%s: no such file or directory: %s\n", argv[0], argv[i]);
      return 1;
    }
  }
  if (inputs.empty()) {
    std::fprintf(stderr, "%s: no inputs\n", argv[0]);
    return 1;
  }
  std::sort(inputs.begin(), inputs.end());
  for (const auto& path : inputs) {
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
  }
  std::printf("ran %zu inputs\n", inputs.size());
  return 0;
}
