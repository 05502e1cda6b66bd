#include "support.h"

#include <SDL.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>

#include "GLFunctions.h"

namespace testsupport {

// Named by the process and a count: ctest runs tests side by side (mkdtemp is POSIX only).
TempDir::TempDir() {
  static int made = 0;
  const std::string name =
      "trevalin-test-" + std::to_string(getpid()) + "-" + std::to_string(made++);
  path = (std::filesystem::temp_directory_path() / name).generic_string();  // "/" as File joins
  std::filesystem::create_directory(path);
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path, ignored);
}

std::string TempDir::Write(std::string_view name, std::string_view contents) const {
  std::ofstream(File(name), std::ios::binary) << contents;
  return File(name);
}

// GoogleTest's own capture, on every platform: it reads Windows' "\r\n" back as "\n".
Output Capture(const std::function<void()>& f) {
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  f();
  std::cout.flush();
  return {testing::internal::GetCapturedStdout(), testing::internal::GetCapturedStderr()};
}

std::string Thrown(const std::function<void()>& f) {
  try {
    f();
  } catch (const std::exception& e) {
    return e.what();
  }
  return "";
}

int Get(unsigned int what) {
  GLint value = -1;
  glGetIntegerv(what, &value);
  return value;
}

void GLTest::SetUp() {
  static const char* missing = nullptr;
  static const bool open = SDL_Init(SDL_INIT_VIDEO) == 0 &&
                           SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16) == 0 &&
                           SDL_SetVideoMode(800, 600, 0, SDL_OPENGL | SDL_RESIZABLE) &&
                           std::atexit(SDL_Quit) == 0 && !(missing = glfunctions::Load());
  ASSERT_TRUE(open) << "no OpenGL window: " << (missing ? missing : SDL_GetError());
}

}  // namespace testsupport
