#pragma once
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <string_view>

#include "GLFunctions.h"
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

// What f writes to standard output and standard error, streams and stdio alike.
struct Output {
  std::string out, err;
};
Output Capture(const std::function<void()>& f);
inline std::string Stdout(const std::function<void()>& f) { return Capture(f).out; }

// Empty when f throws nothing.
std::string Thrown(const std::function<void()>& f);

int Get(unsigned int what);

// An 800 x 600 OpenGL window, opened once per process.
class GLTest : public ::testing::Test {
 protected:
  void SetUp() override;
};

// From here on, a loader's GL function (say glBufferData) calls note first. Its window must be open
// (GLTest), which loads the functions; a second spy of the same note changes nothing.
template <typename R, typename... A, typename Note>
void Spy(R(APIENTRY*& function)(A...), Note note) {
  static R(APIENTRY* const real)(A...) = function;
  static const Note noted = note;
  function = [](A... a) {
    noted(a...);
    return real(a...);
  };
}

}  // namespace testsupport
