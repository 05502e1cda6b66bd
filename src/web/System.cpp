#include "System.h"

#include <SDL.h>
#include <emscripten.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <type_traits>

#include "GLFunctions.h"
#include "Paths.h"
#include "windows/ImageStb.h"

// The browser (Emscripten); Linux has ../System.cpp, Windows windows/System.cpp.

// Resolves at the browser's next animation frame: until then the program is
// unwound and the page draws what was swapped.
EM_ASYNC_JS(void, trevalin_next_frame, (), { await new Promise(requestAnimationFrame); });

// Emscripten's own SDL_GL_GetProcAddress (weak, for SDL 2 to replace) knows
// every WebGL function, so each would be shipped with the page; this one
// knows those the program and its tests load: the same functions, under the
// names Emscripten gives them (gl.js names the few it gives under others).
#define TREVALIN_GL_DECLARE(type, name) std::remove_pointer_t<type> emscripten_##name;
extern "C" {
TREVALIN_GL_FUNCTIONS(TREVALIN_GL_DECLARE)
}
#undef TREVALIN_GL_DECLARE

extern "C" void* SDL_GL_GetProcAddress(const char* proc) {
#define TREVALIN_GL_FIND(type, name) \
  if (std::strcmp(proc, #name) == 0) return reinterpret_cast<void*>(&emscripten_##name);
  TREVALIN_GL_FUNCTIONS(TREVALIN_GL_FIND)
#undef TREVALIN_GL_FIND
  return nullptr;
}

namespace os {

// The page's data are packaged into its virtual file system at the data folder.
std::filesystem::path ProgramFolder() { return TREVALIN_DATA_DIR; }

void AdviseHugePages(void*, std::size_t) {}

// The longest decimal number at first, as from_chars takes it, read by strtof.
std::from_chars_result FloatFromChars(const char* first, const char* last, float& value) {
  const char* p = first;
  const auto digits = [&p, last] {
    const char* start = p;
    while (p < last && *p >= '0' && *p <= '9') ++p;
    return p - start;
  };
  if (p < last && *p == '-') ++p;
  auto count = digits();
  if (p < last && *p == '.') ++p, count += digits();
  if (count == 0) return {first, std::errc::invalid_argument};
  const char* end = p;
  if (p < last && (*p == 'e' || *p == 'E')) {
    ++p;
    if (p < last && (*p == '+' || *p == '-')) ++p;
    if (digits() > 0) end = p;  // a mark without digits is not the number's
  }
  const std::string text(first, end);
  errno = 0;
  const float v = std::strtof(text.c_str(), nullptr);
  if (errno == ERANGE) return {end, std::errc::result_out_of_range};
  value = v;
  return {end, std::errc()};
}

// The C library knows the "C" locale alone.
float ParseFloatC(const char* text) { return std::strtof(text, nullptr); }

// SDL_image's surfaces here are images of the page, whose pixels the texture
// code cannot read; stb_image decodes into plain surfaces instead, RGBA as
// the browser's SDL makes every surface.
SDL_Surface* LoadImageFile(const char* path) { return LoadImageStb(path, true); }

bool DesktopTextureUpload() { return false; }

bool MustLock(const SDL_Surface*) { return false; }

void AwaitNextFrame() { trevalin_next_frame(); }

}  // namespace os
