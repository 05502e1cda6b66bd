// Runs the fuzz target over each file of the folder named, once, without libFuzzer.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "support.h"

// SDL's build flags rename main on some systems, for start-up glue this program does without.
#undef main

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv);
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
  LLVMFuzzerInitialize(&argc, &argv);
  int replayed = 0;
  for (const auto& file : std::filesystem::directory_iterator(argv[1])) {
    const std::string text = testsupport::ReadFile(file.path().string());
    // Exactly the input's size, as libFuzzer passes it, so that a read past the end shows.
    const auto bytes = std::make_unique<uint8_t[]>(text.size());
    std::copy(text.begin(), text.end(), bytes.get());
    LLVMFuzzerTestOneInput(bytes.get(), text.size());
    ++replayed;
  }
  std::printf("replayed %d inputs\n", replayed);
  return replayed == 0;  // nothing replayed is a mistake in the command, not a pass
}
