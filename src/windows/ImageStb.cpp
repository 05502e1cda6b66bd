#include "windows/ImageStb.h"

#include <SDL.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_ONLY_BMP
#define STBI_ONLY_TGA
#define STBI_NO_STDIO
#define STBI_FAILURE_USERMSG
#include <stb/stb_image.h>

namespace {

// What stb_image leaves out of a PNG file and SDL_image keeps: the colour
// type, the palette and its transparency.
struct PngChunks {
  bool png = false;
  int colourType = -1;
  int bitDepth = 0;
  std::vector<uint8_t> palette;       // RGB triples
  std::vector<uint8_t> transparency;  // tRNS as stored
};

uint32_t BigEndian32(const uint8_t* p) {
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

PngChunks ReadChunks(const std::vector<uint8_t>& file) {
  static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  PngChunks png;
  if (file.size() < 8 || std::memcmp(file.data(), kSignature, 8) != 0) return png;
  png.png = true;
  for (std::size_t at = 8; at + 12 <= file.size();) {
    const uint32_t length = BigEndian32(&file[at]);
    if (length > file.size() - at - 12) break;
    const uint8_t* type = &file[at + 4];
    const uint8_t* data = &file[at + 8];
    if (!std::memcmp(type, "IHDR", 4) && length >= 13) {
      png.bitDepth = data[8];
      png.colourType = data[9];
    } else if (!std::memcmp(type, "PLTE", 4)) {
      png.palette.assign(data, data + length / 3 * 3);
    } else if (!std::memcmp(type, "tRNS", 4)) {
      png.transparency.assign(data, data + length);
    } else if (!std::memcmp(type, "IDAT", 4) || !std::memcmp(type, "IEND", 4)) {
      break;  // both come after the chunks read here
    }
    at += 12 + length;
  }
  return png;
}

bool ReadFile(const char* path, std::vector<uint8_t>& bytes) {
  std::FILE* f = std::fopen(path, "rb");
  if (!f) return false;
  uint8_t chunk[65536];
  std::size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0)
    bytes.insert(bytes.end(), chunk, chunk + n);
  const bool ok = !std::ferror(f);
  std::fclose(f);
  return ok;
}

// A surface of SDL_image's layout for bytesPerPixel bytes stored R, G, B[, A]
// (Windows is little-endian); SDL gives a surface of one byte a palette. The
// pixels are copied in row by row.
SDL_Surface* NewSurface(int w, int h, int bytesPerPixel, const uint8_t* pixels, int stride) {
  SDL_Surface* s = SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 8 * bytesPerPixel, 0x0000FF, 0x00FF00,
                                        0xFF0000, bytesPerPixel == 4 ? 0xFF000000 : 0);
  if (!s) return nullptr;
  for (int y = 0; y < h; ++y)
    std::memcpy(static_cast<uint8_t*>(s->pixels) + y * s->pitch, pixels + std::size_t(y) * stride,
                std::size_t(w) * bytesPerPixel);
  return s;
}

struct StbFree {
  void operator()(stbi_uc* p) const { stbi_image_free(p); }
};

using Pixels = std::unique_ptr<stbi_uc, StbFree>;

// The file decoded into `wanted` channels (0: as many as it stores); none,
// with SDL's error set, if stb_image cannot decode it.
Pixels Decode(const std::vector<uint8_t>& file, int wanted, int& w, int& h, int& channels) {
  Pixels pixels(
      stbi_load_from_memory(file.data(), static_cast<int>(file.size()), &w, &h, &channels, wanted));
  if (!pixels) SDL_SetError("%s", stbi_failure_reason());
  return pixels;
}

// The file decoded again into `wanted` channels: RGB is what SDL_image's
// grey palette turns into, RGBA what it expands to 32 bits.
SDL_Surface* Decoded(const std::vector<uint8_t>& file, int wanted) {
  int w = 0, h = 0, channels = 0;
  const Pixels pixels = Decode(file, wanted, w, h, channels);
  if (!pixels) return nullptr;
  return NewSurface(w, h, wanted, pixels.get(), wanted * w);
}

// SDL_image keeps a palette unless its transparency is more than one fully
// transparent entry; key is that entry, or -1.
bool KeepsPalette(const PngChunks& png, int& key) {
  const std::vector<uint8_t>& t = png.transparency;
  key = -1;
  for (std::size_t i = 0; i < t.size(); ++i) {
    if (t[i] == 0 && key < 0)
      key = static_cast<int>(i);
    else if (t[i] != 255)
      return false;
  }
  return true;
}

// A paletted file kept paletted: the indices are found again from the colours
// stb_image gives.
SDL_Surface* Paletted(const PngChunks& png, const uint8_t* p, int w, int h, int channels, int key) {
  const std::vector<uint8_t>& t = png.transparency;
  const int entries = static_cast<int>(png.palette.size() / 3);
  const auto colour = [](const uint8_t* c, uint8_t alpha) {
    return uint32_t(c[0]) | uint32_t(c[1]) << 8 | uint32_t(c[2]) << 16 | uint32_t(alpha) << 24;
  };
  std::map<uint32_t, uint8_t> index;
  for (int i = entries - 1; i >= 0; --i)
    index[colour(&png.palette[3 * i], std::size_t(i) < t.size() ? t[i] : 255)] = uint8_t(i);
  std::vector<uint8_t> indices(std::size_t(w) * h);
  for (std::size_t k = 0; k < indices.size(); ++k)
    indices[k] = index[colour(p + k * channels, channels == 4 ? p[k * channels + 3] : 255)];
  SDL_Surface* s = NewSurface(w, h, 1, indices.data(), w);
  if (!s) return nullptr;
  s->format->palette->ncolors = entries;
  for (int i = 0; i < entries; ++i)
    s->format->palette->colors[i] = {png.palette[3 * i], png.palette[3 * i + 1],
                                     png.palette[3 * i + 2], 0};
  if (key >= 0) SDL_SetColorKey(s, SDL_SRCCOLORKEY, static_cast<Uint32>(key));
  return s;
}

// RGB with one transparent colour: 24-bit with that colour as the key (its
// low bytes where samples have 16 bits, as SDL_image takes them).
SDL_Surface* KeyedRgb(const PngChunks& png, const uint8_t* p, int w, int h) {
  std::vector<uint8_t> rgb(std::size_t(w) * h * 3);
  for (std::size_t k = 0; k < std::size_t(w) * h; ++k) std::memcpy(&rgb[3 * k], p + 4 * k, 3);
  SDL_Surface* s = NewSurface(w, h, 3, rgb.data(), 3 * w);
  if (!s) return nullptr;
  const std::vector<uint8_t>& t = png.transparency;
  SDL_SetColorKey(s, SDL_SRCCOLORKEY, SDL_MapRGB(s->format, t[1], t[3], t[5]));
  return s;
}

}  // namespace

SDL_Surface* LoadImageStb(const char* path, bool rgbaOnly) {
  std::vector<uint8_t> file;
  if (!path || !ReadFile(path, file)) {
    SDL_SetError("Couldn't open %s", path ? path : "(null)");
    return nullptr;
  }
  if (rgbaOnly) return Decoded(file, 4);
  const PngChunks png = ReadChunks(file);
  int w = 0, h = 0, channels = 0;
  const Pixels pixels = Decode(file, 0, w, h, channels);
  if (!pixels) return nullptr;
  const uint8_t* p = pixels.get();
  int key = -1;
  if (png.colourType == 3 && !png.palette.empty())
    return KeepsPalette(png, key) ? Paletted(png, p, w, h, channels, key) : Decoded(file, 4);
  if (channels == 1) return Decoded(file, 3);
  if (png.colourType == 2 && png.transparency.size() >= 6 && channels == 4)
    return KeyedRgb(png, p, w, h);
  if (channels == 3 || channels == 4) return NewSurface(w, h, channels, p, channels * w);
  return Decoded(file, 4);  // grey with alpha
}
