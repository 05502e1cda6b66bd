// Prints the OpenGL renderer and version a window of SDL's gets: what the
// tests draw on (scripts/test-windows.sh). Status 1 without a window.
#include <SDL.h>

#include <cstdio>

#include "GLFunctions.h"

#undef main
int main() {
  if (SDL_Init(SDL_INIT_VIDEO) != 0 || !SDL_SetVideoMode(64, 64, 0, SDL_OPENGL)) {
    std::fprintf(stderr, "gl_info: no OpenGL window: %s\n", SDL_GetError());
    SDL_Quit();
    return 1;
  }
  std::printf("GL_RENDERER %s\nGL_VERSION %s\n",
              reinterpret_cast<const char*>(glGetString(GL_RENDERER)),
              reinterpret_cast<const char*>(glGetString(GL_VERSION)));
  SDL_Quit();
  return 0;
}
