#pragma once
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "alloc_counter.h"

class Matrix;

namespace testsupport {

// A fresh directory under /tmp, removed with its contents.
struct TempDir {
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  std::string File(std::string_view name) const { return path + "/" + std::string(name); }
  std::string Write(std::string_view name, std::string_view contents) const;  // returns the path
  std::string path;
};
std::string ReadFile(const std::string& path);

// What f writes to standard output.
template <typename F> std::string Stdout(F&& f) { return testing::internal::CaptureStdout(), f(), testing::internal::GetCapturedStdout(); }

std::vector<float> Elements(const Matrix& m);

// Opens, once per process, an 800 x 600 OpenGL window through SDL.
class GLTest : public ::testing::Test {
 protected:
  void SetUp() override;
};
struct Rgb { int r, g, b; };
Rgb ReadPixel(int x, int y);  // from the back buffer, origin bottom left
// Whether a pixel shows the colour (0 to 1) in some clear shade, as lighting leaves it.
testing::AssertionResult Shows(Rgb c, float r, float g, float b);

}  // namespace testsupport
