#include <GL/gl.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cmath>

#include "Paths.h"
#include "ProjMatrix.h"
#include "Scene.h"
#include "ViewMatrix.h"
#include "support.h"

namespace {

using Floats = std::vector<float>;

Floats Uniform(const char* name) {
  GLint program = 0;
  glGetIntegerv(GL_CURRENT_PROGRAM, &program);
  Floats m(16, -99.0f);
  glGetUniformfv(program, glGetUniformLocation(program, name), m.data());
  return m;
}
Floats Elements(const Matrix& m) { return Floats(m.c_array(), m.c_array() + 16); }
Floats Modelview(int angle) { ViewMatrix m(0); m.Translate(1, 0, 0), m.Rotate(angle, 0, 0, 1); return Elements(m); }
Floats Projection() { ProjMatrix m(0); m.Perspective(175, 800.f / 600, 0.1f, 10); return Elements(m); }
// Whether a pixel shows the colour (0 to 1) in some clear shade.
testing::AssertionResult Shows(testsupport::Rgb c, float r, float g, float b) {
  const float k = std::max({c.r, c.g, c.b}) / std::max({r, g, b});
  const bool ok = std::abs(c.r - k * r) < 12 && std::abs(c.g - k * g) < 12 && std::abs(c.b - k * b) < 12;
  return testing::AssertionResult(ok && k > 60) << "the pixel is " << c.r << "," << c.g << "," << c.b;
}

// One scene per process, set up as the shell does, where the assets are found.
class SceneTest : public testsupport::GLTest {
 protected:
  void SetUp() override {
    GLTest::SetUp();
    static const bool ready = (scene.prepare(), chdir(TREVALIN_BUILD_DIR) == 0) && scene.init();
    ASSERT_TRUE(ready);
    scene.setScreen(800, 600);
  }
  static Scene scene;
};
Scene SceneTest::scene;

TEST_F(SceneTest, FrameNSendsItsTurnTheFixedProjectionAndTheLightAndAllocatesNothing) {
  scene.onResize(1024, 768);
  GLint viewport[4] = {};
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(std::vector<GLint>(viewport, viewport + 4), std::vector<GLint>({0, 0, 1024, 768}));
  // Frame n turns by (n - 1) mod 360; past the counter's largest value the angles carry on.
  const struct { int from, frames, angle; } runs[] = {
      {0, 1, 0}, {0, 2, 1}, {0, 91, 90}, {0, 361, 0}, {0, 721, 0}, {INT_MAX, 1, 127}, {INT_MAX, 2, 128}};
  for (const auto& run : runs) {
    y = run.from;
    for (int k = 0; k < run.frames; ++k) scene.render();
    EXPECT_EQ(Uniform("modelview_matrix"), Modelview(run.angle)) << run.from << " + " << run.frames;
    EXPECT_EQ(Uniform("projection_matrix"), Projection());  // the stored aspect holds
    EXPECT_EQ(Uniform("lightDir"), (Floats{6 * std::sin(i), 0, 4, 1, 0.2f, 0.2f, 0.2f, 0.2f, 1, 1, 1, 1, 1, 1, 1, 1}));
  }
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  const std::size_t before = testsupport::AllocationCount();
  for (int k = 0; k < 100; ++k) scene.render();
  EXPECT_EQ(testsupport::AllocationCount() - before, 0u);
}

// The back face's centre projects to (413, 300) at any turn and nothing reaches the rim; above it
// lies, a quarter turn at a time, the top, right, bottom, left face.
TEST_F(SceneTest, PixelsShowTheClearColourTheBackFaceAndEachFaceInItsColour) {
  scene.onResize(800, 600);
  const struct { int angle; float r, g, b; } turns[] = {{0, 0, 1, 0}, {90, 1, 0, 1}, {180, 1, 0.5f, 0}, {270, 0.5f, 0.5f, 0.5f}};
  for (const auto& t : turns) {
    y = t.angle;
    scene.render();
    for (auto [px, py] : {std::pair{2, 2}, {797, 2}, {2, 597}, {797, 597}, {400, 590}, {50, 300}})
      EXPECT_TRUE(Shows(testsupport::ReadPixel(px, py), 0.3f, 0.9f, 0.5f)) << px << "," << py << " at " << t.angle;
    EXPECT_TRUE(Shows(testsupport::ReadPixel(413, 300), 1, 1, 0)) << t.angle;
    EXPECT_TRUE(Shows(testsupport::ReadPixel(413, 360), t.r, t.g, t.b)) << t.angle;
  }
}

}  // namespace
