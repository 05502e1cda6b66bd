#pragma once
#include <gtest/gtest.h>

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "alloc_counter.h"

class Matrix;

namespace testsupport {

// A fresh folder for a test's files, removed with them.
struct TempDir {
  TempDir();
  ~TempDir();
  std::string File(std::string_view name) const { return path + "/" + std::string(name); }
  std::string Write(std::string_view name, std::string_view contents) const;  // its path
  std::string path;
};
std::string ReadFile(const std::string& path);

// What f writes to standard output and standard error, streams and stdio alike.
struct Output {
  std::string out, err;
};
Output Capture(const std::function<void()>& f);
inline std::string Stdout(const std::function<void()>& f) { return Capture(f).out; }

std::vector<float> Elements(const Matrix& m);

// Opens, once per process, an 800 x 600 OpenGL window through SDL.
class GLTest : public ::testing::Test {
 protected:
  void SetUp() override;
};

}  // namespace testsupport
