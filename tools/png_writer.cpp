#include "png_writer.h"

#if defined(TREVALIN_ZLIB_STORED)
#include "zlib_stored.h"
#else
#include <zlib.h>
#endif

#include <cstdint>
#include <fstream>
#include <stdexcept>
#include <vector>

namespace tools {
namespace {

void PutU32(std::string& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8)
    out.push_back(static_cast<char>((v >> shift) & 0xFF));
}

void PutChunk(std::string& out, const char type[5], const std::string& data) {
  PutU32(out, static_cast<uint32_t>(data.size()));
  const std::string body = std::string(type, 4) + data;
  out += body;
  uLong crc = crc32(0L, Z_NULL, 0);
  crc = crc32(crc, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size()));
  PutU32(out, static_cast<uint32_t>(crc));
}

}  // namespace

std::string EncodePng(int width, int height, int channels, const unsigned char* pixels) {
  int colourType = 0;
  switch (channels) {
    case 1:
      colourType = 0;
      break;
    case 3:
      colourType = 2;
      break;
    case 4:
      colourType = 6;
      break;
    default:
      throw std::invalid_argument("EncodePng: channels must be 1, 3 or 4");
  }
  if (width <= 0 || height <= 0) throw std::invalid_argument("EncodePng: empty image");

  // Filter type 0 on every row: the data is the pixels with a zero before each row.
  const size_t row = static_cast<size_t>(width) * channels;
  std::vector<unsigned char> raw;
  raw.reserve((row + 1) * height);
  for (int y = 0; y < height; ++y) {
    raw.push_back(0);
    raw.insert(raw.end(), pixels + row * y, pixels + row * (y + 1));
  }
  uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
  std::vector<unsigned char> packed(packedSize);
  if (compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), 9) != Z_OK)
    throw std::runtime_error("EncodePng: compression failed");

  std::string header;
  PutU32(header, static_cast<uint32_t>(width));
  PutU32(header, static_cast<uint32_t>(height));
  header +=
      {8, static_cast<char>(colourType), 0, 0, 0};  // depth, colour, deflate, filter, no interlace

  std::string out("\x89PNG\r\n\x1a\n", 8);
  PutChunk(out, "IHDR", header);
  PutChunk(out, "IDAT", std::string(reinterpret_cast<const char*>(packed.data()), packedSize));
  PutChunk(out, "IEND", std::string());
  return out;
}

bool WritePng(const std::string& path, int width, int height, int channels,
              const unsigned char* pixels) {
  const std::string bytes = EncodePng(width, height, channels, pixels);
  std::ofstream file(path, std::ios::binary);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(file.flush());
}

}  // namespace tools
