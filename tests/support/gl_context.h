#pragma once
#include <gtest/gtest.h>

namespace testsupport {

// Opens, once per process, an 800 x 600 OpenGL window through SDL so that GL
// calls have a current context. Starts a private X server when DISPLAY is unset.
void RequireGLContext();

// Reads the RGB bytes of one pixel of the back buffer (origin bottom left).
struct Rgb { int r, g, b; };
Rgb ReadPixel(int x, int y);

class GLTest : public ::testing::Test {
 protected:
  void SetUp() override { RequireGLContext(); }
};

}  // namespace testsupport
