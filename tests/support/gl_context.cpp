#include "gl_context.h"

#include <SDL.h>
#include <GL/gl.h>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "xserver.h"

namespace testsupport {

void RequireGLContext() {
  static bool open = [] {
    EnsureDisplay();
    if (SDL_Init(SDL_INIT_VIDEO) != 0)
      throw std::runtime_error(std::string("SDL_Init failed: ") + SDL_GetError());
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    if (!SDL_SetVideoMode(800, 600, 0, SDL_OPENGL | SDL_RESIZABLE))
      throw std::runtime_error("SDL_SetVideoMode failed");
    std::atexit(SDL_Quit);
    return true;
  }();
  (void)open;
}

Rgb ReadPixel(int x, int y) {
  unsigned char p[4] = {};
  glReadBuffer(GL_BACK);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(x, y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, p);
  return {p[0], p[1], p[2]};
}

}  // namespace testsupport
