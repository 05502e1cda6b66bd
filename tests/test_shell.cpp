// The shell, with the GL attributes it asks for and its GL function lookup the test's (--wrap).
#include <SDL.h>

#include <string>
#include <utility>
#include <vector>

#include "Controls.h"
#include "GLFunctions.h"
#include "Main.h"
#include "support.h"

using testsupport::Stdout;

namespace fake {
std::vector<std::pair<SDL_GLattr, int>> attributes;
std::string hidden;  // the one GL function name SDL is made to know nothing of
}  // namespace fake

extern "C" {
int __real_SDL_GL_SetAttribute(SDL_GLattr attribute, int value);
int __wrap_SDL_GL_SetAttribute(SDL_GLattr attribute, int value) {
  fake::attributes.emplace_back(attribute, value);
  return __real_SDL_GL_SetAttribute(attribute, value);
}
void* __real_SDL_GL_GetProcAddress(const char* name);
void* __wrap_SDL_GL_GetProcAddress(const char* name) {
  return fake::hidden == name ? nullptr : __real_SDL_GL_GetProcAddress(name);
}
}

// A #define that leads to another function's pointer is no renaming.
static_assert(!glfunctions::Renamed("trevalin_glUniform1i", "trevalin_glUseProgram"));

namespace {

// The window asked for, then no OpenGL 2.0 function it needs: the start says
// which and ends with status 1 before any set-up.
TEST(Shell, AMissingGLFunctionEndsTheStartWithStatusOne) {
  fake::hidden = "glVertexAttribPointer";
  int status = 0;
  const testsupport::Output output = testsupport::Capture([&] { status = SDL_main(0, nullptr); });
  EXPECT_EQ(status, 1);
  EXPECT_EQ(output.err, "Main: OpenGL 2.0 function missing: glVertexAttribPointer\n");
  EXPECT_EQ(output.out.find("Init OK"), std::string::npos) << output.out;
  const decltype(fake::attributes) requested = {{SDL_GL_RED_SIZE, 5},    {SDL_GL_GREEN_SIZE, 5},
                                                {SDL_GL_BLUE_SIZE, 5},   {SDL_GL_ALPHA_SIZE, 5},
                                                {SDL_GL_DEPTH_SIZE, 16}, {SDL_GL_DOUBLEBUFFER, 1}};
  EXPECT_EQ(fake::attributes, requested);
}

// Each bound key flips its toggle, which enables the value of its name: it
// falls by 0.1 a frame, and rises once space flips the direction. q and
// Escape quit.
TEST(Controls, KeysEnableTheirValueWhichStepsInSpacesDirection) {
  float Controls::*const values[] = {&Controls::value_x, &Controls::value_y, &Controls::value_z,
                                     &Controls::value_1, &Controls::value_2, &Controls::value_3,
                                     &Controls::value_4};
  const SDLKey keys[] = {SDLK_x, SDLK_y, SDLK_z, SDLK_1, SDLK_2,
                         SDLK_3, SDLK_4, SDLK_r, SDLK_q, SDLK_ESCAPE};
  for (std::size_t k = 0; k < std::size(keys); ++k) {
    Controls c;
    Stdout([&] { c.Press(keys[k]); });
    for (float direction : {-1.0f, 0.0f}) {
      for (int frame = 0; frame < 10; ++frame) c.Step();
      for (std::size_t v = 0; v < std::size(values); ++v)
        EXPECT_NEAR(c.*values[v], v == k ? direction : 0.0f, 1e-5) << k << ", " << v;
      Stdout([&] { c.Press(SDLK_SPACE); });
    }
    EXPECT_EQ(c.done, keys[k] == SDLK_q || keys[k] == SDLK_ESCAPE);
  }
}

}  // namespace
