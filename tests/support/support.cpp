#include "support.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>

#include "GLFunctions.h"
#include "Matrix.h"

namespace testsupport {

// A name no other directory has, made as the directory is (mkdtemp is POSIX only).
TempDir::TempDir() {
  static std::random_device random;
  for (int tries = 0; tries < 100; ++tries) {
    char name[32];
    std::snprintf(name, sizeof name, "trevalin-test-%08x", static_cast<unsigned>(random()));
    path = (std::filesystem::temp_directory_path() / name).generic_string();  // "/" between names, as File joins them
    std::error_code error;
    if (std::filesystem::create_directory(path, error)) return;
  }
  throw std::runtime_error("no temporary directory");
}

TempDir::~TempDir() { std::error_code ignored; std::filesystem::remove_all(path, ignored); }

std::string TempDir::Write(std::string_view name, std::string_view contents) const {
  std::ofstream(File(name), std::ios::binary) << contents;
  return File(name);
}

std::string ReadFile(const std::string& path) {
  std::ostringstream s;
  return s << std::ifstream(path, std::ios::binary).rdbuf(), s.str();
}

static std::vector<std::function<void()>>& Seams() {
  static std::vector<std::function<void()>> seams;
  return seams;
}

void GLSeam::Add(std::function<void()> install) { Seams().push_back(std::move(install)); }

void GLTest::SetUp() {
  static const char* missing = nullptr;
  static const bool open = SDL_Init(SDL_INIT_VIDEO) == 0 && SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16) == 0 &&
                           SDL_SetVideoMode(800, 600, 0, SDL_OPENGL | SDL_RESIZABLE) && std::atexit(SDL_Quit) == 0 &&
                           !(missing = glfunctions::Load()) && (std::for_each(Seams().begin(), Seams().end(), [](auto& f) { f(); }), true);
  ASSERT_TRUE(open) << "no OpenGL window: " << (missing ? missing : SDL_GetError());
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
  const bool ok = std::abs(c.r - k * r) < 12 && std::abs(c.g - k * g) < 12 && std::abs(c.b - k * b) < 12;
  return testing::AssertionResult(ok && k > 60) << "the pixel is " << c.r << "," << c.g << "," << c.b;
}

std::vector<float> Elements(const Matrix& m) { return std::vector<float>(m.c_array(), m.c_array() + 16); }

}  // namespace testsupport
