#include "GLFunctions.h"

#include <SDL.h>

#define TREVALIN_GL_POINTER(type, name) type trevalin_##name = nullptr;
TREVALIN_GL_FUNCTIONS(TREVALIN_GL_POINTER)
#undef TREVALIN_GL_POINTER

namespace glfunctions {

const char* Load() {
  // Every pointer is asked for, so that a second context gets its own.
#define TREVALIN_GL_LOAD(type, name) \
  trevalin_##name = reinterpret_cast<type>(SDL_GL_GetProcAddress(#name));
  TREVALIN_GL_FUNCTIONS(TREVALIN_GL_LOAD)
#undef TREVALIN_GL_LOAD
#define TREVALIN_GL_MISSING(type, name) \
  if (!trevalin_##name) return #name;
  TREVALIN_GL_FUNCTIONS(TREVALIN_GL_MISSING)
#undef TREVALIN_GL_MISSING
  return nullptr;
}

}  // namespace glfunctions
