#pragma once
#include <string>

namespace tools {

// A PNG image of 8-bit channels, rows top first, tightly packed. channels is
// 1 (grey), 3 (RGB) or 4 (RGBA). Returns the file's bytes.
std::string EncodePng(int width, int height, int channels, const unsigned char* pixels);

// Writes EncodePng's bytes to path; false when the file cannot be written.
bool WritePng(const std::string& path, int width, int height, int channels,
              const unsigned char* pixels);

}  // namespace tools
