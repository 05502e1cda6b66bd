#include <GL/gl.h>
#include <SDL.h>

#include <cstdlib>

#include "support.h"

namespace testsupport {

void GLTest::SetUp() {
  static const bool open = SDL_Init(SDL_INIT_VIDEO) == 0 && SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16) == 0 &&
                           SDL_SetVideoMode(800, 600, 0, SDL_OPENGL | SDL_RESIZABLE) && std::atexit(SDL_Quit) == 0;
  ASSERT_TRUE(open) << "no OpenGL window: " << SDL_GetError();
}

Rgb ReadPixel(int x, int y) {
  unsigned char p[3] = {};
  glReadBuffer(GL_BACK);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(x, y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, p);
  return {p[0], p[1], p[2]};
}

}  // namespace testsupport
