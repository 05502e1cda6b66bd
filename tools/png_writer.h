#pragma once
#include <string>
#include <utility>

namespace tools {

// A PNG image of 8-bit channels, rows top first, tightly packed. channels is
// 1 (grey), 3 (RGB) or 4 (RGBA). Returns the file's bytes.
std::string EncodePng(int width, int height, int channels, const unsigned char* pixels);

// Writes EncodePng's bytes to path; false when the file cannot be written.
bool WritePng(const std::string& path, int width, int height, int channels,
              const unsigned char* pixels);

// How a PNG file stores its pixels: the header's colour type and bit depth,
// and the palette and transparency chunks (left out when empty); what follows
// the end chunk, which readers must ignore.
struct PngLayout {
  PngLayout(int type, int depth, std::string plte = "", std::string trns = "",
            std::string after = "")
      : colourType(type),
        bitDepth(depth),
        palette(std::move(plte)),
        transparency(std::move(trns)),
        trailer(std::move(after)) {}
  int colourType;            // 0 grey, 2 RGB, 3 palette, 4 grey and alpha, 6 RGBA
  int bitDepth;              // 1, 2, 4, 8 or 16; what the colour type allows
  std::string palette;       // PLTE: RGB triples
  std::string transparency;  // tRNS, as stored
  std::string trailer;       // bytes after IEND
};

// A PNG image in the layout: samples holds each pixel's channels in order,
// rows top first, a byte each; at 16 bits each is widened (times 257), below
// 8 it must fit the bit depth. Returns the file's bytes.
std::string EncodePng(int width, int height, const PngLayout& layout, const std::string& samples);

}  // namespace tools
