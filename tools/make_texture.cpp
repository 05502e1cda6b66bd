// Writes the program's texture: a 256 x 256 RGB checker whose orientation
// can be read off at a glance. Top left carries a red square, top right a
// smaller green one, and a blue arrow in the middle points up, so a flipped
// or mirrored upload shows at once.
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "png_writer.h"

namespace {

constexpr int kSize = 256;

struct Rgb {
  unsigned char r, g, b;
};

Rgb PixelAt(int x, int y) {  // y counts down from the top row
  if (x < 64 && y < 64) return {220, 40, 40};
  if (x >= kSize - 32 && y < 32) return {40, 180, 60};

  // Arrow: a triangle from its apex at row 40 down to a 100-pixel-wide base
  // at row 110, then a 32-pixel-wide shaft down to row 210.
  const int cx = kSize / 2;
  if (y >= 40 && y < 110 && std::abs(2 * (x - cx) + 1) <= (y - 40) * 100 / 70) return {30, 50, 160};
  if (y >= 110 && y < 210 && x >= cx - 16 && x < cx + 16) return {30, 50, 160};

  const bool light = ((x / 32) + (y / 32)) % 2 == 0;
  return light ? Rgb{232, 232, 226} : Rgb{150, 160, 178};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT.png\n", argv[0]);
    return 2;
  }
  std::vector<unsigned char> pixels;
  pixels.reserve(kSize * kSize * 3);
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      const Rgb c = PixelAt(x, y);
      pixels.insert(pixels.end(), {c.r, c.g, c.b});
    }
  }
  if (!tools::WritePng(argv[1], kSize, kSize, 3, pixels.data())) {
    std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
    return 1;
  }
  return 0;
}
