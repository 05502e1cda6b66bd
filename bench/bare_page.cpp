// The bare Emscripten SDL page the web page's start is measured against:
// the same window, the same shaders read and compiled, one cleared frame,
// then the same wait for the browser's frame (web_first_frame.js times both).
#include <SDL.h>
#include <emscripten.h>

#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

EM_ASYNC_JS(void, bare_next_frame, (), { await new Promise(requestAnimationFrame); });

static GLuint Compile(GLenum stage, const char* path) {
  std::ifstream in(path);
  const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  const GLchar* source = text.c_str();
  const GLuint shader = glCreateShader(stage);
  glShaderSource(shader, 1, &source, nullptr);
  glCompileShader(shader);
  return shader;
}

int main() {
  SDL_Init(SDL_INIT_VIDEO);
  SDL_SetVideoMode(800, 600, 0, SDL_OPENGL);
  const GLuint program = glCreateProgram();
  glAttachShader(program, Compile(GL_VERTEX_SHADER, "/trevalin/shader/basic.vert"));
  glAttachShader(program, Compile(GL_FRAGMENT_SHADER, "/trevalin/shader/basic.frag"));
  glLinkProgram(program);
  glUseProgram(program);
  glClearColor(0.3f, 0.9f, 0.5f, 0.0f);
  for (int frame = 0; frame < 3; ++frame) {
    glClear(GL_COLOR_BUFFER_BIT);
    SDL_GL_SwapBuffers();
    bare_next_frame();
  }
  std::puts("bare page: done");
  return 0;
}
