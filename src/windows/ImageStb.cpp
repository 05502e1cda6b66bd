#include "windows/ImageStb.h"

#include <SDL.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
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
// type, the palette and its transparency (views into the file).
struct PngChunks {
  int colourType{};               // none: not a PNG file
  std::size_t paletteAt{};        // where the palette's bytes start in the file
  std::string_view palette;       // RGB triples
  std::string_view transparency;  // tRNS as stored
};

uint32_t BigEndian32(std::string_view bytes) {
  uint32_t value;
  std::memcpy(&value, bytes.data(), sizeof value);
  return SDL_SwapBE32(value);
}

// Every view is cut to the file, so that a truncated or corrupt file is read
// no further than its end.
PngChunks ReadChunks(std::string_view file) {
  PngChunks png;
  if (file.substr(0, 8) != std::string_view("\x89PNG\r\n\x1a\n", 8)) return png;
  for (std::string_view rest = file.substr(8); rest.size() >= 8;) {
    const uint32_t length = BigEndian32(rest);
    const std::string_view type = rest.substr(4, 4), data = rest.substr(8, length);
    if (type == "IHDR" && data.size() >= 13) png.colourType = data[9];
    if (type == "PLTE") {
      png.paletteAt = data.data() - file.data();
      png.palette = data;
    }
    if (type == "tRNS") png.transparency = data;
    if (type == "IEND") break;  // as stb_image reads no further
    rest.remove_prefix(
        static_cast<std::size_t>(std::min<uint64_t>(rest.size(), 12 + uint64_t(length))));
  }
  return png;
}

bool ReadFile(const char* path, std::string& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  char block[4096];  // not a character at a time: each would be a call
  while (in.read(block, sizeof block) || in.gcount() > 0) bytes.append(block, in.gcount());
  return true;
}

// A surface of SDL_image's layout for bytesPerPixel bytes stored R, G, B[, A]
// (Windows is little-endian), filled from rows without padding; SDL gives a
// surface of one byte a palette.
SDL_Surface* NewSurface(int w, int h, int bytesPerPixel, const stbi_uc* pixels) {
  SDL_Surface* s = SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 8 * bytesPerPixel, 0x0000FF, 0x00FF00,
                                        0xFF0000, bytesPerPixel == STBI_rgb_alpha ? 0xFF000000 : 0);
  const std::size_t row = std::size_t(w) * bytesPerPixel;
  for (int y = 0; s && y < h; ++y)
    std::memcpy(static_cast<uint8_t*>(s->pixels) + y * s->pitch, pixels + y * row, row);
  return s;
}

const stbi_uc* Bytes(const std::string& file) {
  return reinterpret_cast<const stbi_uc*>(file.data());
}

// The file decoded into `channels` channels; none, with SDL's error set, if
// stb_image cannot decode it.
SDL_Surface* Decoded(const std::string& file, int channels) {
  int w, h, stored;
  const std::unique_ptr<stbi_uc, void (*)(void*)> pixels(
      stbi_load_from_memory(Bytes(file), static_cast<int>(file.size()), &w, &h, &stored, channels),
      stbi_image_free);
  if (!pixels) {
    SDL_SetError("%s", stbi_failure_reason());
    return nullptr;
  }
  return NewSurface(w, h, channels, pixels.get());
}

// SDL_image keeps a palette unless its transparency is more than one fully
// transparent entry, and keys it by that entry.
bool KeepsPalette(std::string_view t, std::optional<Uint32>& key) {
  for (std::size_t i = 0; i < t.size(); ++i) {
    if (t[i] == '\0' && !key)
      key = static_cast<Uint32>(i);
    else if (t[i] != '\xff')
      return false;
  }
  return true;
}

// stb_image gives colours, not palette indices: decoded with entry i made
// grey i, the grey it gives is the index.
SDL_Surface* Paletted(const std::string& file, const PngChunks& png, std::optional<Uint32> key) {
  std::string greys;
  std::vector<SDL_Color> colours;
  for (std::string_view rest = png.palette; rest.size() >= 3; rest.remove_prefix(3)) {
    greys.append(3, static_cast<char>(colours.size()));
    SDL_Color& colour = colours.emplace_back();
    colour.r = rest[0];
    colour.g = rest[1];
    colour.b = rest[2];
  }
  std::string indexed = file;
  indexed.replace(png.paletteAt, png.palette.size(), greys);
  SDL_Surface* s = Decoded(indexed, STBI_grey);
  if (s) {
    SDL_SetColors(s, colours.data(), 0, static_cast<int>(colours.size()));
    if (key) SDL_SetColorKey(s, SDL_SRCCOLORKEY, *key);
  }
  return s;
}

// RGB with one transparent colour: 24-bit with that colour as the key (its
// low bytes where samples have 16 bits, as SDL_image takes them).
SDL_Surface* KeyedRgb(const std::string& file, std::string_view t) {
  SDL_Surface* s = Decoded(file, STBI_rgb);
  if (s) SDL_SetColorKey(s, SDL_SRCCOLORKEY, SDL_MapRGB(s->format, t[1], t[3], t[5]));
  return s;
}

}  // namespace

SDL_Surface* LoadImageStb(const char* path, bool rgbaOnly) {
  std::string file;
  if (!ReadFile(path, file)) {
    SDL_SetError("Couldn't open %s", path);
    return nullptr;
  }
  if (rgbaOnly) return Decoded(file, STBI_rgb_alpha);
  const PngChunks png = ReadChunks(file);
  std::optional<Uint32> key;
  if (png.colourType == 3 && KeepsPalette(png.transparency, key)) return Paletted(file, png, key);
  if (png.colourType == 2 && png.transparency.size() >= 6) return KeyedRgb(file, png.transparency);
  // Grey becomes RGB as SDL_image's grey palette does; any alpha, RGBA.
  int channels;
  const bool known = stbi_info_from_memory(Bytes(file), static_cast<int>(file.size()), nullptr,
                                           nullptr, &channels);
  const bool opaque = known && channels % 2 && png.transparency.empty();
  return Decoded(file, opaque ? STBI_rgb : STBI_rgb_alpha);
}
