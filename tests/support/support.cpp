#include "support.h"

#include <GL/gl.h>
#include <SDL.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>

#include "Matrix.h"

namespace testsupport {

TempDir::TempDir() : path((std::filesystem::temp_directory_path() / "trevalin-XXXXXX").string()) {
  if (!mkdtemp(path.data())) throw std::runtime_error("mkdtemp failed");
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path, ignored);
}

std::string TempDir::Write(std::string_view name, std::string_view contents) const {
  std::ofstream(File(name), std::ios::binary) << contents;
  return File(name);
}

std::string ReadFile(const std::string& path) {
  std::ostringstream s;
  s << std::ifstream(path, std::ios::binary).rdbuf();
  return s.str();
}

Redirect::Redirect(int fd) : fd_(fd) {
  std::cout.flush();
  std::fflush(nullptr);
  saved_ = dup(fd);
  const int file = open(dir_.File("out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  dup2(file, fd);
  close(file);
}

Redirect::~Redirect() { Text(); }

std::string Redirect::Text() {
  if (saved_ < 0) return ReadFile(dir_.File("out"));
  std::cout.flush();
  std::cerr.flush();
  std::fflush(nullptr);
  dup2(saved_, fd_);
  close(saved_);
  saved_ = -1;
  return ReadFile(dir_.File("out"));
}

std::vector<float> Elements(const Matrix& m) {
  return std::vector<float>(m.c_array(), m.c_array() + 16);
}

void GLTest::SetUp() {
  static const bool open =
      SDL_Init(SDL_INIT_VIDEO) == 0 && SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16) == 0 &&
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

testing::AssertionResult Shows(Rgb c, float r, float g, float b) {
  const float k = std::max({c.r, c.g, c.b}) / std::max({r, g, b});
  const bool ok = std::abs(c.r - k * r) < 12 && std::abs(c.g - k * g) < 12 &&
                  std::abs(c.b - k * b) < 12 && k > 60;
  return testing::AssertionResult(ok) << "the pixel is " << c.r << "," << c.g << "," << c.b;
}

}  // namespace testsupport
