// The OpenGL loader: every listed function found on a real context, and a start-up that
// fails by name when the driver lacks one (SDL's lookup is the test's, --wrap).
#include <SDL.h>

#include <cstring>
#include <string>

#include "GLFunctions.h"
#include "Main.h"
#include "support.h"

namespace {
std::string hidden;  // the one name SDL is made to know nothing of
}

extern "C" void* __real_SDL_GL_GetProcAddress(const char* name);
extern "C" void* __wrap_SDL_GL_GetProcAddress(const char* name) {
  return hidden == name ? nullptr : __real_SDL_GL_GetProcAddress(name);
}

namespace {

using GLFunctions = testsupport::GLTest;

// Every listed function is found, or the other tests could not have a window.
TEST_F(GLFunctions, AMissingFunctionIsNamed) {
  for (const char* name : {"glActiveTexture", "glUseProgram", "glVertexAttribPointer"}) {
    hidden = name;
    const char* missing = glfunctions::Load();
    EXPECT_STREQ(missing ? missing : "(none)", name);
  }
  hidden.clear();
  EXPECT_EQ(glfunctions::Load(), nullptr);  // the table is whole again for the other tests
}

// The program's own start: a window, then no OpenGL 2.0 function it needs; it says which and
// ends with status 1 before any set-up.
TEST(GLFunctionsStart, AMissingFunctionEndsTheStartWithStatusOne) {
  hidden = "glCreateShader";
  char name[] = "trevalin";
  char* argv[] = {name, nullptr};
  int status = 0;
  const testsupport::Output output = testsupport::Capture([&] { status = SDL_main(1, argv); });
  hidden.clear();
  EXPECT_EQ(status, 1);
  EXPECT_EQ(output.err, "Main: OpenGL 2.0 function missing: glCreateShader\n");
  EXPECT_EQ(output.out.find("Init OK"), std::string::npos) << output.out;
}

}  // namespace
