#include <GL/gl.h>
#include <SDL.h>

#include <cstdlib>
#include <stdexcept>

#include "support.h"

namespace testsupport {

void RequireGLContext() {
  static const bool open = [] {
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) {
      static XServer x;
      setenv("DISPLAY", x.display.c_str(), 1);
    }
    if (SDL_Init(SDL_INIT_VIDEO) != 0) throw std::runtime_error(std::string("SDL_Init: ") + SDL_GetError());
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    if (!SDL_SetVideoMode(800, 600, 0, SDL_OPENGL | SDL_RESIZABLE))
      throw std::runtime_error(std::string("SDL_SetVideoMode: ") + SDL_GetError());
    return std::atexit(SDL_Quit) == 0;
  }();
  (void)open;
}

Rgb ReadPixel(int x, int y) {
  unsigned char p[3] = {};
  glReadBuffer(GL_BACK);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(x, y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, p);
  return {p[0], p[1], p[2]};
}

}  // namespace testsupport
