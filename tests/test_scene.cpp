#include <gtest/gtest.h>

#include <unistd.h>

#include <climits>
#include <cmath>
#include <string>
#include <vector>

#include "Light.h"
#include "Paths.h"
#include "ProjMatrix.h"
#include "Scene.h"
#include "Shaderprogram.h"
#include "ViewMatrix.h"
#include "alloc_counter.h"
#include "gl_context.h"
#include "temp_dir.h"

namespace {

using testsupport::Rgb;
using Floats = std::vector<float>;

// One scene per process, as in the program, set up once as the shell does.
std::string constructorOutput, setupOutput;
bool setupResult = false;
Scene& TheScene() {
  static Scene* scene = [] {
    testing::internal::CaptureStdout();
    auto* s = new Scene;
    constructorOutput = testing::internal::GetCapturedStdout();
    return s;
  }();
  return *scene;
}
Scene& SetUpScene() {
  static Scene& scene = [&]() -> Scene& {
    testsupport::RequireGLContext();
    // The assets are looked up relative to the folder the program runs in.
    EXPECT_EQ(chdir(TREVALIN_BUILD_DIR), 0);
    Scene& s = TheScene();
    testing::internal::CaptureStdout();
    s.prepare();
    if ((setupResult = s.init())) s.setScreen(800, 600);
    setupOutput = testing::internal::GetCapturedStdout();
    return s;
  }();
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
Floats Modelview(int angle) {
  ViewMatrix m(0);
  m.Translate(1, 0, 0);
  m.Rotate(static_cast<float>(angle), 0, 0, 1);
  return Elements(m);
}
Floats Projection(float fovY, float zNear, float zFar) {
  ProjMatrix m(0);
  m.Perspective(fovY, 800.0f / 600.0f, zNear, zFar);
  return Elements(m);
}
std::string Show(Rgb c) { return std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b); }

class SceneTest : public testsupport::GLTest {
 protected:
  void SetUp() override {
    SetUpScene();
    ASSERT_TRUE(setupResult) << setupOutput;
  }
  Scene& scene = TheScene();
};

TEST(SceneConstruction, PrintsBothShaderPathsAndCreatesTheProgram) {
  TheScene();
  EXPECT_EQ(constructorOutput, std::string("____ Scene: Load vertex shader: ") + TREVALIN_VERTEX_SHADER +
                                   "\n____ Scene: Load fragment shader: " + TREVALIN_FRAGMENT_SHADER + "\n");
  EXPECT_EQ(TREVALIN_VERTEX_SHADER[0], '/');
  EXPECT_NE(basicshader, nullptr);
}

TEST(SceneInitFailure, StopsBeforeAnyGLStateWhenAShaderFails) {
  testsupport::RequireGLContext();
  testsupport::TempDir dir;
  Shaderprogram* const good = basicshader;
  const GLboolean depthWas = glIsEnabled(GL_DEPTH_TEST);
  float clearWas[4], clear[4] = {-1, -1, -1, -1};
  glGetFloatv(GL_COLOR_CLEAR_VALUE, clearWas);
  basicshader = new Shaderprogram(TREVALIN_VERTEX_SHADER, dir.Write("bad.frag", "void main() { x; }\n"));
  glDisable(GL_DEPTH_TEST);
  glClearColor(0, 0, 0, 0);
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  EXPECT_FALSE(TheScene().init());
  const std::string out = testing::internal::GetCapturedStdout();
  testing::internal::GetCapturedStderr();
  delete basicshader;
  basicshader = good;

  const std::string first = "____ Scene: Scene init\nShaderprogram: Could not compile shader: ";
  const std::string last = "\nScene: Could not initialize the shaders\n";
  EXPECT_EQ(out.substr(0, first.size()), first);
  EXPECT_EQ(out.substr(out.size() - std::min(out.size(), last.size())), last);
  EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
  glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
  EXPECT_EQ(Floats(clear, clear + 4), Floats(4, 0.0f));
  if (depthWas) glEnable(GL_DEPTH_TEST);
  glClearColor(clearWas[0], clearWas[1], clearWas[2], clearWas[3]);
}

TEST_F(SceneTest, InitLeavesTheLinkedProgramCurrentWithItsState) {
  EXPECT_EQ(setupOutput.rfind("____ Scene: Scene prepare\n____ Scene: Scene init\n", 0), 0u) << setupOutput;
  GLint program = 0, linked = 0;
  glGetIntegerv(GL_CURRENT_PROGRAM, &program);
  glGetProgramiv(program, GL_LINK_STATUS, &linked);
  EXPECT_TRUE(linked);
  EXPECT_EQ(glGetAttribLocation(program, "a_Vertex"), 0);
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  float clear[4] = {};
  glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
  EXPECT_EQ(Floats(clear, clear + 4), (Floats{0.3f, 0.9f, 0.5f, 0.0f}));
  EXPECT_EQ((Floats{light.CAttenuation(), light.LAttenuation(), light.QAttenuation()}), (Floats{0.5f, 0.02f, 0}));
  EXPECT_EQ(std::vector<int>({WINDOW_WIDTH, WINDOW_HEIGHT}), std::vector<int>({800, 600}));
}

TEST_F(SceneTest, FrameNSendsItsTurnTheFixedProjectionAndTheLight) {
  scene.onResize(1024, 768);
  GLint viewport[4] = {};
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(std::vector<GLint>(viewport, viewport + 4), std::vector<GLint>({0, 0, 1024, 768}));

  // Frame n turns by (n - 1) mod 360.
  y = 0;
  int frame = 0;
  for (int n : {1, 2, 91, 360, 361, 721}) {
    SCOPED_TRACE("frame " + std::to_string(n));
    while (frame < n) scene.render(), ++frame;
    EXPECT_EQ(y, n);
    EXPECT_EQ(Uniform("modelview_matrix"), Modelview((n - 1) % 360));
    EXPECT_EQ(Uniform("projection_matrix"), Projection(175, 0.1f, 10));
    EXPECT_EQ(Uniform("lightDir"), (Floats{6 * std::sin(i), 0, 4, 1, 0.2f, 0.2f, 0.2f, 0.2f, 1, 1, 1, 1, 1, 1, 1, 1}));
  }
  // The counter is carried past its largest value without breaking the sequence.
  y = INT_MAX;
  for (int angle : {INT_MAX % 360, INT_MAX % 360 + 1}) {
    scene.render();
    EXPECT_EQ(Uniform("modelview_matrix"), Modelview(angle));
    EXPECT_GE(y, 0);
  }
  // Independent of the matrix code: a right angle, and the aspect 800/600
  // after a squarer resize.
  scene.onResize(700, 700);
  y = 90;
  scene.render();
  const Floats mv = Uniform("modelview_matrix"), proj = Uniform("projection_matrix");
  EXPECT_EQ((Floats{mv[1], mv[4], mv[12]}), (Floats{1, -1, 1}));
  EXPECT_NEAR(proj[5] / proj[0], 800.0 / 600.0, 1e-5);
  EXPECT_EQ(y, 91);
}

// The back face's centre projects to (413, 300) whatever the turn; nothing
// of the cube reaches the window's rim; above the back face the eye-space
// top wall is, a quarter turn at a time, the top, right, bottom, left face.
TEST_F(SceneTest, PixelsShowTheClearColourTheBackFaceAndEachFaceInItsColour) {
  scene.onResize(800, 600);
  struct Turn {
    int angle;
    bool (*face)(Rgb);
  };
  const Turn turns[] = {
      {0, [](Rgb c) { return c.g > 100 && c.r < 30 && c.b < 30; }},                                   // green
      {90, [](Rgb c) { return c.r > 100 && std::abs(c.r - c.b) < 8 && c.g < 30; }},                   // magenta
      {180, [](Rgb c) { return c.r > 150 && std::abs(c.g * 2 - c.r) < 20 && c.b < 30; }},            // orange
      {270, [](Rgb c) { return c.r > 60 && c.r == c.g && c.g == c.b; }},                              // grey
      {45, nullptr},
  };
  for (const Turn& turn : turns) {
    SCOPED_TRACE("angle " + std::to_string(turn.angle));
    y = turn.angle;
    scene.render();
    for (auto [px, py] : {std::pair{2, 2}, {797, 2}, {2, 597}, {797, 597}, {400, 590}, {50, 300}}) {
      const Rgb c = testsupport::ReadPixel(px, py);
      EXPECT_TRUE(std::abs(c.r - 77) <= 2 && std::abs(c.g - 230) <= 2 && std::abs(c.b - 128) <= 2) << Show(c);
    }
    for (auto [px, py] : {std::pair{413, 300}, {408, 296}, {418, 304}}) {
      const Rgb c = testsupport::ReadPixel(px, py);
      EXPECT_TRUE(c.r > 200 && c.g > 200 && c.b < 60) << Show(c);
    }
    if (turn.face) {
      const Rgb c = testsupport::ReadPixel(413, 360);
      EXPECT_TRUE(turn.face(c)) << Show(c);
    }
  }
}

TEST_F(SceneTest, FramesAllocateNothing) {
  scene.render();  // the first lookup of each name fills the cache
  const std::size_t before = testsupport::AllocationCount();
  for (int k = 0; k < 100; ++k) scene.render();
  EXPECT_EQ(testsupport::AllocationCount() - before, 0u);
}

TEST_F(SceneTest, CameraOperationsComposeSendAndReport) {
  scene.render();
  const Floats start = Elements(viewm);
  testing::internal::CaptureStdout();
  scene.rotateView(90, 0, 0, 1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(Uniform("modelview_matrix"), Elements(viewm));
  EXPECT_NE(Elements(viewm), start);

  testing::internal::CaptureStdout();
  scene.changeView(0.5f, -2, 3);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "_x: 0.5\n_y: -2\n_z: 3\n");
  EXPECT_EQ(Uniform("modelview_matrix"), Elements(viewm));
  EXPECT_EQ(viewm.c_array()[12], start[12] + 0.5f);

  projm.LoadIdentity();
  testing::internal::CaptureStdout();
  scene.changeProjection(45, 2, 1, 100);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Scene: _fovY: 45\nScene: _aspect: 2\nScene: _zNear: 1\nScene: _zFar: 100\n");
  EXPECT_EQ(Uniform("projection_matrix"), Projection(45, 1, 100));
}

}  // namespace
