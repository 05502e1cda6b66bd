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

int Channels(int colourType) {
  switch (colourType) {
    case 0:
    case 3:
      return 1;
    case 2:
      return 3;
    case 4:
      return 2;
    case 6:
      return 4;
    default:
      throw std::invalid_argument("EncodePng: no such colour type");
  }
}

// The rows as the file stores them: a filter byte (0, none) before each,
// samples of less than 8 bits packed from the high bit on, 16-bit ones
// widened by repeating the byte.
std::vector<unsigned char> Rows(int width, int height, int channels, int depth,
                                const std::string& samples) {
  const size_t perRow = static_cast<size_t>(width) * channels;
  std::vector<unsigned char> raw;
  for (int y = 0; y < height; ++y) {
    raw.push_back(0);
    int bit = 0;
    for (size_t i = perRow * y; i < perRow * (y + 1); ++i) {
      const auto sample = static_cast<unsigned char>(samples[i]);
      if (depth == 16) {
        raw.insert(raw.end(), 2, sample);
        continue;
      }
      if (bit == 0) raw.push_back(0);
      bit += depth;
      raw.back() = static_cast<unsigned char>(raw.back() | sample << (8 - bit));
      bit %= 8;
    }
  }
  return raw;
}

}  // namespace

std::string EncodePng(int width, int height, const PngLayout& layout, const std::string& samples) {
  const int channels = Channels(layout.colourType);
  if (width <= 0 || height <= 0) throw std::invalid_argument("EncodePng: empty image");
  if (samples.size() != static_cast<size_t>(width) * height * channels)
    throw std::invalid_argument("EncodePng: samples for another size");
  const std::vector<unsigned char> raw = Rows(width, height, channels, layout.bitDepth, samples);
  uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
  std::vector<unsigned char> packed(packedSize);
  if (compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), 9) != Z_OK)
    throw std::runtime_error("EncodePng: compression failed");

  std::string header;
  PutU32(header, static_cast<uint32_t>(width));
  PutU32(header, static_cast<uint32_t>(height));
  // depth, colour, deflate, filter, no interlace
  header += {static_cast<char>(layout.bitDepth), static_cast<char>(layout.colourType), 0, 0, 0};

  std::string out("\x89PNG\r\n\x1a\n", 8);
  PutChunk(out, "IHDR", header);
  if (!layout.palette.empty()) PutChunk(out, "PLTE", layout.palette);
  if (!layout.transparency.empty()) PutChunk(out, "tRNS", layout.transparency);
  PutChunk(out, "IDAT", std::string(reinterpret_cast<const char*>(packed.data()), packedSize));
  PutChunk(out, "IEND", std::string());
  return out + layout.trailer;
}

std::string EncodePng(int width, int height, int channels, const unsigned char* pixels) {
  const int types[] = {-1, 0, -1, 2, 6};
  if (channels != 1 && channels != 3 && channels != 4)
    throw std::invalid_argument("EncodePng: channels must be 1, 3 or 4");
  if (width <= 0 || height <= 0) throw std::invalid_argument("EncodePng: empty image");
  return EncodePng(
      width, height, PngLayout(types[channels], 8),
      std::string(reinterpret_cast<const char*>(pixels), size_t(width) * height * channels));
}

bool WritePng(const std::string& path, int width, int height, int channels,
              const unsigned char* pixels) {
  const std::string bytes = EncodePng(width, height, channels, pixels);
  std::ofstream file(path, std::ios::binary);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(file.flush());
}

}  // namespace tools
