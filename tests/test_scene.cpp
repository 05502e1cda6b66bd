#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <utility>
#include <vector>

#include "Paths.h"
#include "ProjMatrix.h"
#include "Scene.h"
#include "Shaderprogram.h"
#include "ViewMatrix.h"
#include "support.h"

namespace {

using Floats = std::vector<float>;

// One scene per process, set up once as the shell does, where the assets are found.
Scene& TheScene() {
  testsupport::RequireGLContext();
  static Scene scene;
  static const bool ready = (scene.prepare(), chdir(TREVALIN_BUILD_DIR) == 0) && scene.init();
  EXPECT_TRUE(ready) << "the set-up failed";
  scene.setScreen(800, 600);
  return scene;
}

Floats Uniform(const char* name) {
  GLint program = 0;
  glGetIntegerv(GL_CURRENT_PROGRAM, &program);
  Floats m(16, -99.0f);
  glGetUniformfv(program, glGetUniformLocation(program, name), m.data());
  return m;
}
Floats Elements(const Matrix& m) { return Floats(m.c_array(), m.c_array() + 16); }
Floats Modelview(int angle) { ViewMatrix m(0); m.Translate(1, 0, 0), m.Rotate(angle, 0, 0, 1); return Elements(m); }
Floats Projection(float fov, float n, float f) { ProjMatrix m(0); m.Perspective(fov, 800.f / 600, n, f); return Elements(m); }
// Whether a pixel shows the colour (bytes) or, lit, a clear shade of it (0 to 1).
testing::AssertionResult Shows(testsupport::Rgb c, float r, float g, float b, bool lit = false) {
  const float k = lit ? std::max({c.r, c.g, c.b}) / std::max({r, g, b}) : 1, near = lit ? 12 : 3;
  const bool ok = std::abs(c.r - k * r) < near && std::abs(c.g - k * g) < near && std::abs(c.b - k * b) < near;
  return testing::AssertionResult(ok && std::max({c.r, c.g, c.b}) > 60) << "the pixel is " << c.r << "," << c.g << "," << c.b;
}

class SceneTest : public testsupport::GLTest {
 protected:
  Scene& scene = TheScene();
};

TEST_F(SceneTest, InitStopsBeforeAnyGLStateWhenAShaderFails) {
  Shaderprogram* const good = std::exchange(basicshader, new Shaderprogram(TREVALIN_VERTEX_SHADER, "/none/x.frag"));
  glDisable(GL_DEPTH_TEST), glClearColor(0, 0, 0, 0);
  testing::internal::CaptureStdout(), testing::internal::CaptureStderr();
  EXPECT_FALSE(scene.init());
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "____ Scene: Scene init\nScene: Could not initialize the shaders\n");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Shaderprogram: Could not load shader: /none/x.frag\n");
  delete std::exchange(basicshader, good);
  Floats state(5, -1.0f);  // the clear colour, then the depth test
  glGetFloatv(GL_COLOR_CLEAR_VALUE, state.data()), state[4] = glIsEnabled(GL_DEPTH_TEST);
  EXPECT_EQ(state, Floats(5, 0.0f));
  EXPECT_TRUE(scene.init());  // back to the set-up's state
}

TEST_F(SceneTest, FrameNSendsItsTurnTheFixedProjectionAndTheLight) {
  scene.onResize(1024, 768);
  GLint viewport[4] = {};
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(std::vector<GLint>(viewport, viewport + 4), std::vector<GLint>({0, 0, 1024, 768}));
  // Frame n turns by (n - 1) mod 360; past the counter's largest value the angles carry on.
  const struct { int from, frames, angle; } runs[] = {
      {0, 1, 0}, {0, 2, 1}, {0, 91, 90}, {0, 360, 359}, {0, 361, 0}, {0, 721, 0}, {INT_MAX, 1, 127}, {INT_MAX, 2, 128}};
  for (const auto& run : runs) {
    y = run.from;
    for (int k = 0; k < run.frames; ++k) scene.render();
    EXPECT_EQ(Uniform("modelview_matrix"), Modelview(run.angle)) << run.from << " + " << run.frames;
    EXPECT_EQ(Uniform("projection_matrix"), Projection(175, 0.1f, 10));
    EXPECT_EQ(Uniform("lightDir"), (Floats{6 * std::sin(i), 0, 4, 1, 0.2f, 0.2f, 0.2f, 0.2f, 1, 1, 1, 1, 1, 1, 1, 1}));
  }
  scene.onResize(700, 700), scene.render();  // the stored aspect holds
  EXPECT_EQ(Uniform("projection_matrix"), Projection(175, 0.1f, 10));
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
}

// The back face's centre projects to (413, 300) at any turn and nothing reaches the rim; above
// the back face lies, a quarter turn at a time, the top, right, bottom, left face.
TEST_F(SceneTest, PixelsShowTheClearColourTheBackFaceAndEachFaceInItsColour) {
  scene.onResize(800, 600);
  const struct { int angle; float r, g, b; } turns[] = {  // the wall's colour
      {0, 0, 1, 0}, {90, 1, 0, 1}, {180, 1, 0.5f, 0}, {270, 0.5f, 0.5f, 0.5f}};
  for (const auto& t : turns) {
    y = t.angle;
    scene.render();
    for (auto [px, py] : {std::pair{2, 2}, {797, 2}, {2, 597}, {797, 597}, {400, 590}, {50, 300}})
      EXPECT_TRUE(Shows(testsupport::ReadPixel(px, py), 77, 230, 128)) << px << "," << py << " at " << t.angle;
    for (auto [px, py] : {std::pair{413, 300}, {408, 296}, {418, 304}})
      EXPECT_TRUE(Shows(testsupport::ReadPixel(px, py), 1, 1, 0, true)) << px << "," << py << " at " << t.angle;
    EXPECT_TRUE(Shows(testsupport::ReadPixel(413, 360), t.r, t.g, t.b, true)) << t.angle;
  }
}

TEST_F(SceneTest, FramesAllocateNothing) {
  for (int k = 0; k < 10; ++k) scene.render();  // names cached, the driver's shader variants built
  const std::size_t before = testsupport::AllocationCount();
  for (int k = 0; k < 100; ++k) scene.render();
  EXPECT_EQ(testsupport::AllocationCount() - before, 0u);
}

TEST_F(SceneTest, CameraOperationsSendTheirMatrixAndReport) {
  ViewMatrix want(0);
  want.Load(viewm.c_array());
  testing::internal::CaptureStdout();
  scene.rotateView(90, 0, 0, 1), want.Rotate(90, 0, 0, 1);
  EXPECT_EQ(Uniform("modelview_matrix"), Elements(want));
  scene.changeView(0.5f, -2, 3), want.Translate(0.5f, -2, 3);
  EXPECT_EQ(Uniform("modelview_matrix"), Elements(want));
  projm.LoadIdentity();
  scene.changeProjection(45, 2, 1, 100);  // the stored aspect, not the one given
  EXPECT_EQ(Uniform("projection_matrix"), Projection(45, 1, 100));
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "_x: 0.5\n_y: -2\n_z: 3\n"
            "Scene: _fovY: 45\nScene: _aspect: 2\nScene: _zNear: 1\nScene: _zFar: 100\n");
}

}  // namespace
