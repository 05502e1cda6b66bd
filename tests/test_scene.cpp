#include "GLFunctions.h"
#include <unistd.h>

#include <climits>
#include <cmath>

#include "Paths.h"
#include "ProjMatrix.h"
#include "Scene.h"
#include "ViewMatrix.h"
#include "support.h"

namespace {

using testsupport::Elements;
using testsupport::Shows;
using Floats = std::vector<float>;

Floats Uniform(const char* name) {
  GLint program = 0;
  Floats m(16, -99.0f);
  glGetIntegerv(GL_CURRENT_PROGRAM, &program), glGetUniformfv(program, glGetUniformLocation(program, name), m.data());
  return m;
}
Floats Modelview(int angle) { ViewMatrix m(0); m.Translate(1, 0, 0), m.Rotate(angle, 0, 0, 1); return Elements(m); }
Floats Projection(int times = 1) {  // the frame's projection, multiplied in that many times
  ProjMatrix m(0);
  while (times--) m.Perspective(175, 800.f / 600, 0.1f, 10);
  return Elements(m);
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

TEST_F(SceneTest, FramesAndCameraCallsSendTheirMatricesAndTheLightAndAllocateNothing) {
  scene.onResize(1000, 500);  // another shape than the screen's
  GLint viewport[4] = {};
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(std::vector<GLint>(viewport, viewport + 4), std::vector<GLint>({0, 0, 1000, 500}));
  // Frame n turns by (n - 1) mod 360, from the first; past the counter's largest value the angles carry on.
  EXPECT_EQ(y, 0);
  const struct { int from, frames, angle; } runs[] = {
      {0, 1, 0}, {0, 2, 1}, {0, 91, 90}, {0, 361, 0}, {0, 721, 0}, {INT_MAX, 1, 127}, {INT_MAX, 2, 128}};
  for (const auto& run : runs) {
    y = run.from;
    for (int k = 0; k < run.frames; ++k) scene.render();
    EXPECT_EQ(Uniform("modelview_matrix"), Modelview(run.angle)) << run.from << " + " << run.frames;
    EXPECT_EQ(Uniform("projection_matrix"), Projection());  // the stored aspect holds
    EXPECT_EQ(Uniform("lightDir"), (Floats{0, 0, 4, 1, 0.2f, 0.2f, 0.2f, 0.2f, 1, 1, 1, 1, 1, 1, 1, 1}));
  }
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  const std::size_t before = testsupport::AllocationCount();
  for (int k = 0; k < 100; ++k) scene.render();
  EXPECT_EQ(testsupport::AllocationCount() - before, 0u);
  // The camera calls compose onto the frame's matrices and send them at once; the projection keeps the screen's aspect.
  y = 0, scene.render(), scene.rotateView(90, 0, 0, 1);
  EXPECT_EQ(Uniform("modelview_matrix"), Modelview(90));
  EXPECT_EQ(testsupport::Stdout([] { scene.changeView(0, 0, 0), scene.changeProjection(175, 2, 0.1f, 10); }),
            "_x: 0\n_y: 0\n_z: 0\nScene: _fovY: 175\nScene: _aspect: 2\nScene: _zNear: 0.1\nScene: _zFar: 10\n");
  EXPECT_EQ(Uniform("projection_matrix"), Projection(2));
}

// The back face's centre projects to (413, 300) at any turn and nothing reaches the rim; above it
// lies, a quarter turn at a time, the top, right, bottom, left face.
TEST_F(SceneTest, PixelsShowTheClearColourTheBackFaceAndEachFaceInItsColour) {
  scene.onResize(800, 600);
  const struct { int angle; float r, g, b; } turns[] = {{0, 0, 1, 0}, {90, 1, 0, 1}, {180, 1, 0.5f, 0}, {270, 0.5f, 0.5f, 0.5f}};
  for (const auto& t : turns) {
    y = t.angle, scene.render();
    for (auto [px, py] : {std::pair{2, 2}, {797, 2}, {2, 597}, {797, 597}, {400, 590}, {50, 300}})
      EXPECT_TRUE(Shows(testsupport::ReadPixel(px, py), 0.3f, 0.9f, 0.5f)) << px << "," << py << " at " << t.angle;
    EXPECT_TRUE(Shows(testsupport::ReadPixel(413, 300), 1, 1, 0)) << t.angle;
    EXPECT_TRUE(Shows(testsupport::ReadPixel(413, 360), t.r, t.g, t.b)) << t.angle;
  }
}

}  // namespace
