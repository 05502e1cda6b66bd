#pragma once
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

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

// Opens, once per process, an 800 x 600 OpenGL window through SDL and loads
// the OpenGL functions, then puts every GLSeam in place.
class GLTest : public ::testing::Test {
 protected:
  void SetUp() override;
};

// A test's stand-in for an OpenGL function of the loader's table (the
// function's own name, say glBufferData): once the table is loaded, the
// table calls stand_in and real holds the driver's function for it to call.
struct GLSeam {
  template <typename F> GLSeam(F& function, F& real, F stand_in) { Add([&function, &real, stand_in] { real = function, function = stand_in; }); }
  static void Add(std::function<void()> install);
};
struct Rgb { int r, g, b; };
Rgb ReadPixel(int x, int y);  // from the back buffer, origin bottom left
// Whether a pixel shows the colour (0 to 1) in some clear shade, as lighting leaves it.
testing::AssertionResult Shows(Rgb c, float r, float g, float b);

// Heap allocations through operator new so far; calling it links a counting one.
std::size_t AllocationCount();

}  // namespace testsupport
