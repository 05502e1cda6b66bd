#pragma once
#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class Matrix;

namespace testsupport {

// A fresh folder for files a test writes, removed with its contents.
struct TempDir {
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  std::string File(std::string_view name) const { return path + "/" + std::string(name); }
  // Writes the file and returns its path.
  std::string Write(std::string_view name, std::string_view contents) const;
  std::string path;
};
std::string ReadFile(const std::string& path);

// Sends a file descriptor (1 or 2) to a file while it lives: what the streams
// and stdio write there, flushed, is then Text().
class Redirect {
 public:
  explicit Redirect(int fd);
  ~Redirect();
  Redirect(const Redirect&) = delete;
  Redirect& operator=(const Redirect&) = delete;
  std::string Text();  // ends the redirection

 private:
  int fd_, saved_;
  TempDir dir_;
};

struct Output {
  std::string out, err;
};
template <typename F>
Output Capture(F&& f) {
  Redirect out(1), err(2);
  f();
  return {out.Text(), err.Text()};
}
template <typename F>
std::string Stdout(F&& f) {
  return Capture(f).out;
}

std::vector<float> Elements(const Matrix& m);

// Opens, once per process, an 800 x 600 OpenGL window through SDL.
class GLTest : public ::testing::Test {
 protected:
  void SetUp() override;
};
struct Rgb {
  int r, g, b;
};
Rgb ReadPixel(int x, int y);  // from the back buffer, origin bottom left
// Whether a pixel shows the colour (0 to 1) in some clear shade, as lighting leaves it.
testing::AssertionResult Shows(Rgb c, float r, float g, float b);

// Heap allocations through operator new so far; calling it links a counting one.
std::size_t AllocationCount();

}  // namespace testsupport
