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

// A surface of SDL_image's layout for bytesPerPixel bytes stored R, G, B[, A];
// one byte is an index, and SDL_image gives such a surface colour masks
// too unless the file is paletted. The pixels are copied in row by row.
SDL_Surface* NewSurface(int w, int h, int bytesPerPixel, const uint8_t* pixels, int stride,
                        bool masks = true) {
  Uint32 r = 0, g = 0, b = 0, a = 0;
  if (masks) {
#if SDL_BYTEORDER == SDL_LIL_ENDIAN
    r = 0x000000FF, g = 0x0000FF00, b = 0x00FF0000, a = bytesPerPixel == 4 ? 0xFF000000 : 0;
#else
    const int shift = bytesPerPixel == 4 ? 0 : 8;  // as SDL_image shifts them
    r = 0xFF000000 >> shift, g = 0x00FF0000 >> shift, b = 0x0000FF00 >> shift,
    a = bytesPerPixel == 4 ? 0xFF : 0;
#endif
  }
  SDL_Surface* s = SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 8 * bytesPerPixel, r, g, b, a);
  if (!s) return nullptr;
  for (int y = 0; y < h; ++y)
    std::memcpy(static_cast<uint8_t*>(s->pixels) + y * s->pitch, pixels + std::size_t(y) * stride,
                std::size_t(w) * bytesPerPixel);
  return s;
}

struct StbFree {
  void operator()(stbi_uc* p) const { stbi_image_free(p); }
};

}  // namespace

SDL_Surface* LoadImageStb(const char* path) {
  std::vector<uint8_t> file;
  if (!path || !ReadFile(path, file)) {
    SDL_SetError("Couldn't open %s", path ? path : "(null)");
    return nullptr;
  }
  const PngChunks png = ReadChunks(file);
  int w = 0, h = 0, channels = 0;
  std::unique_ptr<stbi_uc, StbFree> pixels(
      stbi_load_from_memory(file.data(), static_cast<int>(file.size()), &w, &h, &channels, 0));
  if (!pixels) {
    SDL_SetError("%s", stbi_failure_reason());
    return nullptr;
  }
  const uint8_t* p = pixels.get();

  // Paletted files stay paletted unless their transparency is more than one
  // fully transparent entry, as SDL_image keeps them: the indices are found
  // again from the colours stb_image gives.
  if (png.colourType == 3 && !png.palette.empty()) {
    const std::vector<uint8_t>& t = png.transparency;
    int key = -1;
    bool expand = false;
    for (std::size_t i = 0; i < t.size() && !expand; ++i) {
      if (t[i] == 0 && key < 0)
        key = static_cast<int>(i);
      else if (t[i] != 255)
        expand = true;
    }
    if (!expand) {
      const int entries = static_cast<int>(png.palette.size() / 3);
      std::map<uint32_t, uint8_t> index;
      for (int i = entries - 1; i >= 0; --i) {
        const uint8_t* c = &png.palette[3 * i];
        const uint8_t alpha = std::size_t(i) < t.size() ? t[i] : 255;
        index[uint32_t(c[0]) | uint32_t(c[1]) << 8 | uint32_t(c[2]) << 16 | uint32_t(alpha) << 24] =
            static_cast<uint8_t>(i);
      }
      std::vector<uint8_t> indices(std::size_t(w) * h);
      for (std::size_t k = 0; k < indices.size(); ++k) {
        const uint8_t* c = p + k * channels;
        const uint8_t alpha = channels == 4 ? c[3] : 255;
        indices[k] = index[uint32_t(c[0]) | uint32_t(c[1]) << 8 | uint32_t(c[2]) << 16 |
                           uint32_t(alpha) << 24];
      }
      SDL_Surface* s = NewSurface(w, h, 1, indices.data(), w, false);
      if (!s) return nullptr;
      s->format->palette->ncolors = entries;
      for (int i = 0; i < entries; ++i)
        s->format->palette->colors[i] = {png.palette[3 * i], png.palette[3 * i + 1],
                                         png.palette[3 * i + 2], 0};
      if (key >= 0) SDL_SetColorKey(s, SDL_SRCCOLORKEY, static_cast<Uint32>(key));
      return s;
    }
    std::unique_ptr<stbi_uc, StbFree> rgba(
        stbi_load_from_memory(file.data(), static_cast<int>(file.size()), &w, &h, &channels, 4));
    if (!rgba) {
      SDL_SetError("%s", stbi_failure_reason());
      return nullptr;
    }
    return NewSurface(w, h, 4, rgba.get(), 4 * w);
  }

  // Grey: 8-bit pixels with a palette of 256 greys.
  if (channels == 1) {
    SDL_Surface* s = NewSurface(w, h, 1, p, w);
    if (!s) return nullptr;
    s->format->palette->ncolors = 256;
    for (int i = 0; i < 256; ++i) s->format->palette->colors[i] = {Uint8(i), Uint8(i), Uint8(i), 0};
    return s;
  }

  // RGB with one transparent colour: 24-bit with that colour as the key
  // (its low bytes where samples have 16 bits, as SDL_image takes them).
  if (png.colourType == 2 && png.transparency.size() >= 6 && channels == 4) {
    std::vector<uint8_t> rgb(std::size_t(w) * h * 3);
    for (std::size_t k = 0; k < std::size_t(w) * h; ++k) std::memcpy(&rgb[3 * k], p + 4 * k, 3);
    SDL_Surface* s = NewSurface(w, h, 3, rgb.data(), 3 * w);
    if (!s) return nullptr;
    const std::vector<uint8_t>& t = png.transparency;
    SDL_SetColorKey(s, SDL_SRCCOLORKEY, SDL_MapRGB(s->format, t[1], t[3], t[5]));
    return s;
  }

  if (channels == 3) return NewSurface(w, h, 3, p, 3 * w);
  if (channels == 4) return NewSurface(w, h, 4, p, 4 * w);

  // Grey with alpha: RGBA.
  std::unique_ptr<stbi_uc, StbFree> rgba(
      stbi_load_from_memory(file.data(), static_cast<int>(file.size()), &w, &h, &channels, 4));
  if (!rgba) {
    SDL_SetError("%s", stbi_failure_reason());
    return nullptr;
  }
  return NewSurface(w, h, 4, rgba.get(), 4 * w);
}
