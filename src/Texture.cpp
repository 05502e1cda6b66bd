#include "Texture.h"

#include <iostream>
#include <memory>
#include <stdexcept>
#include <type_traits>
#include <utility>

#include "GLFunctions.h"
#include "System.h"

static_assert(std::is_same<uint32_t, GLuint>::value, "_ID is handed to GL by address");

namespace {

const char* const kLoadError = "Texture::Load - loading error";

// Masks under which SDL describes pixels stored as R, G, B[, A] bytes.
#if SDL_BYTEORDER == SDL_LIL_ENDIAN
constexpr Uint32 kRgbMasks[] = {0x0000FF, 0x00FF00, 0xFF0000};
constexpr Uint32 kRgbaMasks[] = {0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000};
#else
constexpr Uint32 kRgbMasks[] = {0xFF0000, 0x00FF00, 0x0000FF};
constexpr Uint32 kRgbaMasks[] = {0xFF000000, 0x00FF0000, 0x0000FF00, 0x000000FF};
#endif

struct SurfaceDeleter {
  void operator()(SDL_Surface* s) const { SDL_FreeSurface(s); }
};
using SurfacePtr = std::unique_ptr<SDL_Surface, SurfaceDeleter>;

bool HasLayout(const SDL_PixelFormat* f, bool alpha) {
  if (f->palette) return false;
  if (alpha) {
    return f->BytesPerPixel == 4 && f->Rmask == kRgbaMasks[0] && f->Gmask == kRgbaMasks[1] &&
           f->Bmask == kRgbaMasks[2] && f->Amask == kRgbaMasks[3];
  }
  return f->BytesPerPixel == 3 && f->Rmask == kRgbMasks[0] && f->Gmask == kRgbMasks[1] &&
         f->Bmask == kRgbMasks[2] && f->Amask == 0;
}

// A copy of the surface in R, G, B[, A] bytes with SDL's own 4-byte-aligned
// pitch. Colour-keyed pixels come out fully transparent.
SurfacePtr ConvertTo(SDL_Surface* surface, bool alpha) {
  const Uint32* m = alpha ? kRgbaMasks : kRgbMasks;
  SurfacePtr model(SDL_CreateRGBSurface(SDL_SWSURFACE, 1, 1, alpha ? 32 : 24, m[0], m[1], m[2],
                                        alpha ? m[3] : 0));
  if (!model) throw std::invalid_argument(kLoadError);
  SurfacePtr converted(SDL_ConvertSurface(surface, model->format, SDL_SWSURFACE));
  if (!converted) throw std::invalid_argument(kLoadError);
  return converted;
}

constexpr int RoundUp(int n, int a) { return (n + a - 1) / a * a; }

// How OpenGL steps from one row of pixels to the next.
struct Unpack {
  int alignment = 4;
  int rowLength = 0;  // pixels; 0: the width
};

// Unpack settings under which OpenGL steps from row to row by exactly the
// pitch; false when no alignment and row length give that step.
bool UnpackFor(int pitch, int width, int bytesPerPixel, Unpack& unpack) {
  unpack = Unpack{};
  if (pitch == RoundUp(width * bytesPerPixel, 4)) return true;
  const int pixels = pitch / bytesPerPixel;
  for (int a : {1, 2, 4, 8}) {
    if (RoundUp(pixels * bytesPerPixel, a) != pitch) continue;
    if (pixels != width && !os::DesktopTextureUpload()) return false;  // no row length there
    unpack = {a, pixels == width ? 0 : pixels};
    return true;
  }
  return false;
}

// Whether a surface describes pixels that can be read.
bool Readable(const SDL_Surface* s) {
  if (!s || !s->format) return false;                                     // nothing to read
  if (s->w < 0 || s->h < 0) return false;                                 // a negative size
  if (s->pitch < (s->w * s->format->BitsPerPixel + 7) / 8) return false;  // rows overlapping
  // Pixels in memory, unless there are none to read or locking brings them.
  return s->w == 0 || s->h == 0 || os::MustLock(s) || s->pixels;
}

// Keeps a surface's pixels in memory while it lives.
class SurfaceLock {
 public:
  explicit SurfaceLock(SDL_Surface* s) : surface(os::MustLock(s) ? s : nullptr) {
    if (surface && SDL_LockSurface(surface) != 0) throw std::invalid_argument(kLoadError);
  }
  ~SurfaceLock() {
    if (surface) SDL_UnlockSurface(surface);
  }
  SurfaceLock(const SurfaceLock&) = delete;
  SurfaceLock& operator=(const SurfaceLock&) = delete;

 private:
  SDL_Surface* surface;
};

// Level 0 of the texture from R, G, B[, A] bytes; GL's unpack state is left
// as it was found (at its defaults).
void Upload(GLuint id, const SDL_Surface* s, bool alpha, Unpack unpack) {
  glBindTexture(GL_TEXTURE_2D, id);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  const bool desktop = os::DesktopTextureUpload();
  const GLenum format = alpha ? GL_RGBA : GL_RGB;
  const GLint sized = alpha ? GL_RGBA8 : GL_RGB8;
  glPixelStorei(GL_UNPACK_ALIGNMENT, unpack.alignment);
  if (desktop) glPixelStorei(GL_UNPACK_ROW_LENGTH, unpack.rowLength);
  glTexImage2D(GL_TEXTURE_2D, 0, desktop ? sized : format, s->w, s->h, 0, format, GL_UNSIGNED_BYTE,
               s->pixels);
  glPixelStorei(GL_UNPACK_ALIGNMENT, Unpack{}.alignment);
  if (desktop) glPixelStorei(GL_UNPACK_ROW_LENGTH, Unpack{}.rowLength);
}

}  // namespace

Texture::Texture(SDL_Surface* surface, int unit) {
  glGenTextures(1, &_ID);
  Bind(unit);
  try {
    Load(surface);
  } catch (...) {
    Release();
    throw;
  }
}

// With _ID at 0 there is nothing for Create to release first.
Texture::Texture(std::string fileName, int unit) { Create(std::move(fileName), unit); }

Texture::~Texture() { Release(); }

void Texture::Create(std::string fileName, int unit) {
  PrintCreationLine(unit);
  Release();
  glGenTextures(1, &_ID);
  Bind(unit);
  try {
    Load(std::move(fileName));
  } catch (...) {
    Release();
    throw;
  }
}

void Texture::Load(SDL_Surface* surface) {
  if (!Readable(surface)) throw std::invalid_argument(kLoadError);
  const bool keyed = (surface->flags & SDL_SRCCOLORKEY) != 0;
  const bool alpha = surface->format->Amask != 0 || keyed;
  SurfacePtr converted;
  SDL_Surface* source = surface;
  Unpack unpack;
  // Only a conversion turns keyed pixels transparent.
  if (keyed || !HasLayout(surface->format, alpha) ||
      !UnpackFor(surface->pitch, surface->w, alpha ? 4 : 3, unpack)) {
    converted = ConvertTo(surface, alpha);
    source = converted.get();
    unpack = Unpack{};
  }
  const SurfaceLock lock(source);
  Upload(_ID, source, alpha, unpack);
}

void Texture::Load(std::string fileName) {
  std::cout << "Texture: Loading " << fileName << std::endl;
  const SurfacePtr surface(os::LoadImageFile(fileName.c_str()));
  Load(surface.get());  // which refuses no surface as it refuses an unreadable one
}

void Texture::Bind(int unit) {
  glActiveTexture(GL_TEXTURE0 + unit);
  glBindTexture(GL_TEXTURE_2D, _ID);
}

void Texture::Unbind(int unit) {
  glActiveTexture(GL_TEXTURE0 + unit);
  glBindTexture(GL_TEXTURE_2D, 0);
}

unsigned int Texture::showID(int) { return _ID; }

void Texture::PrintCreationLine(int unit) const {
  // No name exists yet when the line is written; the object's address tells
  // textures apart instead.
  std::cout << "Texture: _ID:" << static_cast<const void*>(this) << " - unit:" << unit << std::endl;
}

void Texture::Release() {
  if (_ID == 0) return;
  glDeleteTextures(1, &_ID);
  _ID = 0;
}
