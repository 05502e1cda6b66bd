#pragma once
#include <gtest/gtest.h>

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

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

// An 800 x 600 OpenGL window, opened once per process, and every GLSpy in place.
class GLTest : public ::testing::Test {
 protected:
  void SetUp() override;
};

std::vector<std::function<void()>>& SpyInstalls();

// A loader's GL function (say glBufferData) calls the test's note first. One spy per signature.
template <typename R, typename... A>
class GLSpy {
 public:
  template <typename Note>
  GLSpy(R(APIENTRY*& function)(A...), Note n) {
    note = n;
    SpyInstalls().push_back([&function] { real = std::exchange(function, Call); });
  }

 private:
  static R APIENTRY Call(A... a) {
    note(a...);
    return real(a...);
  }
  static inline R(APIENTRY* real)(A...) = nullptr;
  static inline void (*note)(A...) = nullptr;  // constant-initialised: before any spy is made
};

}  // namespace testsupport
