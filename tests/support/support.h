#pragma once
#include <gtest/gtest.h>

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "alloc_counter.h"

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

// One integer of OpenGL state, glGetIntegerv's.
int Get(unsigned int what);

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
  template <typename F>
  GLSeam(F& function, F& real, F stand_in) {
    Installs().push_back([&function, &real, stand_in] {
      real = function;
      function = stand_in;
    });
  }
  // What puts each stand-in in place, once the table is filled.
  static std::vector<std::function<void()>>& Installs();
};

}  // namespace testsupport
