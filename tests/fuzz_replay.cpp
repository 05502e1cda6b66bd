// Runs a fuzz target over inputs without libFuzzer: each file named on the
// command line, and each file in a folder named there, once, in name order.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv);
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  std::vector<fs::path> files;
  for (int i = 1; i < argc; ++i) {
    if (fs::is_directory(argv[i])) {
      for (const auto& entry : fs::directory_iterator(argv[i]))
        if (entry.is_regular_file()) files.push_back(entry.path());
    } else {
      files.push_back(argv[i]);
    }
  }
  std::sort(files.begin(), files.end());
  LLVMFuzzerInitialize(&argc, &argv);
  for (const fs::path& file : files) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "cannot read %s\n", file.c_str());
      return 1;
    }
    const std::string text((std::istreambuf_iterator<char>(in)), {});
    // Exactly the input's size, as libFuzzer passes it, so that a read past the end shows.
    const auto bytes = std::make_unique<uint8_t[]>(text.size());
    std::copy(text.begin(), text.end(), bytes.get());
    LLVMFuzzerTestOneInput(bytes.get(), text.size());
  }
  std::printf("replayed %zu inputs\n", files.size());
  return files.empty();  // nothing replayed is a mistake in the command, not a pass
}
