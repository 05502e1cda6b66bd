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

// One scene per process, as in the program; its constructor's lines are kept.
std::string constructorOutput;
Scene& TheScene() {
  static Scene* scene = [] {
    testing::internal::CaptureStdout();
    auto* s = new Scene;
    constructorOutput = testing::internal::GetCapturedStdout();
    return s;
  }();
  return *scene;
}

// Set-up runs once; later tests see the state the shell leaves behind.
std::string setupOutput;
bool setupResult = false;
void SetUpScene() {
  static bool done = [] {
    testsupport::RequireGLContext();
    // The assets are looked up relative to the folder the program runs in.
    if (chdir(TREVALIN_BUILD_DIR) != 0) ADD_FAILURE() << "no build dir";
    Scene& scene = TheScene();
    testing::internal::CaptureStdout();
    scene.prepare();
    setupResult = scene.init();
    if (setupResult) scene.setScreen(800, 600);
    setupOutput = testing::internal::GetCapturedStdout();
    return true;
  }();
  (void)done;
}

std::vector<float> Uniform(const char* name) {
  GLint program = 0;
  glGetIntegerv(GL_CURRENT_PROGRAM, &program);
  const GLint location = glGetUniformLocation(program, name);
  EXPECT_GE(location, 0) << name;
  std::vector<float> m(16, -99.0f);
  glGetUniformfv(program, location, m.data());
  return m;
}

std::vector<float> Elements(const Matrix& m) { return std::vector<float>(m.c_array(), m.c_array() + 16); }

std::vector<float> ExpectedModelview(int angle) {
  ViewMatrix m(0);
  m.Translate(1, 0, 0);
  m.Rotate(static_cast<float>(angle), 0, 0, 1);
  return Elements(m);
}

std::vector<float> ExpectedProjection() {
  ProjMatrix m(0);
  m.Perspective(175.0f, 800.0f / 600.0f, 0.1f, 10.0f);
  return Elements(m);
}

class SceneTest : public testsupport::GLTest {
 protected:
  void SetUp() override {
    GLTest::SetUp();
    SetUpScene();
    ASSERT_TRUE(setupResult) << setupOutput;
  }
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
  Scene& scene = TheScene();
  testsupport::TempDir dir;
  Shaderprogram* const good = basicshader;
  const GLboolean depthWas = glIsEnabled(GL_DEPTH_TEST);
  float clearWas[4] = {};
  glGetFloatv(GL_COLOR_CLEAR_VALUE, clearWas);
  basicshader = new Shaderprogram(TREVALIN_VERTEX_SHADER,
                                  dir.Write("bad.frag", "#version 110\nvoid main() { gl_FragColor = x; }\n"));
  glDisable(GL_DEPTH_TEST);
  glClearColor(0, 0, 0, 0);
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  const bool ok = scene.init();
  const std::string out = testing::internal::GetCapturedStdout();
  testing::internal::GetCapturedStderr();
  delete basicshader;
  basicshader = good;

  EXPECT_FALSE(ok);
  EXPECT_EQ(out.rfind("____ Scene: Scene init\nShaderprogram: Could not compile shader: ", 0), 0u) << out;
  const std::string last = "\nScene: Could not initialize the shaders\n";
  ASSERT_GE(out.size(), last.size());
  EXPECT_EQ(out.substr(out.size() - last.size()), last);
  EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
  float clear[4] = {-1, -1, -1, -1};
  glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
  EXPECT_EQ(std::vector<float>(clear, clear + 4), std::vector<float>(4, 0.0f));
  if (depthWas) glEnable(GL_DEPTH_TEST);
  glClearColor(clearWas[0], clearWas[1], clearWas[2], clearWas[3]);
}

TEST_F(SceneTest, InitLeavesTheLinkedProgramCurrentWithItsState) {
  EXPECT_EQ(setupOutput.rfind("____ Scene: Scene prepare\n____ Scene: Scene init\n", 0), 0u) << setupOutput;
  GLint program = 0;
  glGetIntegerv(GL_CURRENT_PROGRAM, &program);
  ASSERT_NE(program, 0);
  GLint linked = 0;
  glGetProgramiv(program, GL_LINK_STATUS, &linked);
  EXPECT_TRUE(linked);
  EXPECT_EQ(glGetAttribLocation(program, "a_Vertex"), 0);
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  float clear[4] = {};
  glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
  EXPECT_EQ(std::vector<float>(clear, clear + 4), (std::vector<float>{0.3f, 0.9f, 0.5f, 0.0f}));
  EXPECT_EQ(light.CAttenuation(), 0.5f);
  EXPECT_EQ(light.LAttenuation(), 0.02f);
  EXPECT_EQ(light.QAttenuation(), 0.0f);
  EXPECT_EQ(WINDOW_WIDTH, 800);
  EXPECT_EQ(WINDOW_HEIGHT, 600);
}

TEST_F(SceneTest, FrameNSendsItsRotationTheFixedProjectionAndTheLight) {
  Scene& scene = TheScene();
  scene.onResize(1024, 768);
  GLint viewport[4] = {};
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(std::vector<GLint>(viewport, viewport + 4), (std::vector<GLint>{0, 0, 1024, 768}));

  y = 0;
  const int checkpoints[] = {1, 2, 91, 360, 361, 362, 721};
  int frame = 0;
  for (int n : checkpoints) {
    while (frame < n) scene.render(), ++frame;
    SCOPED_TRACE("frame " + std::to_string(n));
    EXPECT_EQ(y, n);
    EXPECT_EQ(Uniform("modelview_matrix"), ExpectedModelview((n - 1) % 360));
    EXPECT_EQ(Uniform("projection_matrix"), ExpectedProjection());
    const std::vector<float> lightDir = {6.0f * std::sin(i), 0, 4, 1, 0.2f, 0.2f, 0.2f, 0.2f,
                                         1, 1, 1, 1, 1, 1, 1, 1};
    EXPECT_EQ(Uniform("lightDir"), lightDir);
  }
  // Independent of the matrix code: frame 91 turned by a right angle, and
  // the projection's aspect stayed 800/600 after a squarer resize.
  scene.onResize(700, 700);
  y = 90;
  scene.render();
  const auto mv = Uniform("modelview_matrix");
  EXPECT_EQ(mv[1], 1.0f);
  EXPECT_EQ(mv[4], -1.0f);
  EXPECT_EQ(mv[12], 1.0f);
  const auto proj = Uniform("projection_matrix");
  EXPECT_NEAR(proj[5] / proj[0], 800.0 / 600.0, 1e-5);
  scene.onResize(800, 600);
}

TEST_F(SceneTest, TheCounterCarriesTheAngleSequencePastItsLargestValue) {
  Scene& scene = TheScene();
  y = INT_MAX;
  scene.render();
  EXPECT_EQ(Uniform("modelview_matrix"), ExpectedModelview(INT_MAX % 360));
  EXPECT_GE(y, 0);
  scene.render();
  EXPECT_EQ(Uniform("modelview_matrix"), ExpectedModelview((INT_MAX % 360) + 1));
}

bool Near(Rgb a, Rgb b, int tolerance = 3) {
  return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance && std::abs(a.b - b.b) <= tolerance;
}
std::string Show(Rgb c) {
  return "(" + std::to_string(c.r) + ", " + std::to_string(c.g) + ", " + std::to_string(c.b) + ")";
}

TEST_F(SceneTest, PixelsShowTheClearColourAroundAndTheYellowBackFaceInTheMiddle) {
  Scene& scene = TheScene();
  scene.onResize(800, 600);
  const Rgb clear{77, 230, 128};
  // The back face's centre projects to (413, 300) whatever the turn, and
  // nothing of the cube can reach the window's rim.
  for (int angle : {0, 45, 90, 200}) {
    SCOPED_TRACE("angle " + std::to_string(angle));
    y = angle;
    scene.render();
    for (auto [px, py] : {std::pair{2, 2}, {797, 2}, {2, 597}, {797, 597}, {400, 590}, {50, 300}}) {
      const Rgb c = testsupport::ReadPixel(px, py);
      EXPECT_TRUE(Near(c, clear)) << px << "," << py << " " << Show(c);
    }
    for (auto [px, py] : {std::pair{413, 300}, {408, 296}, {418, 304}}) {
      const Rgb c = testsupport::ReadPixel(px, py);
      EXPECT_TRUE(c.r > 200 && c.g > 200 && c.b < 60) << px << "," << py << " " << Show(c);
    }
  }
}

// Above the back face the ray meets the eye-space top wall, which a quarter
// turn at a time is the top, right, bottom and left face of the cube.
TEST_F(SceneTest, EachFaceKeepsARecognisableColour) {
  Scene& scene = TheScene();
  scene.onResize(800, 600);
  struct Face {
    int angle;
    const char* name;
    bool (*is)(Rgb);
  };
  const Face faces[] = {
      {0, "green top", [](Rgb c) { return c.g > 100 && c.r < 30 && c.b < 30; }},
      {90, "magenta right", [](Rgb c) { return c.r > 100 && std::abs(c.r - c.b) < 8 && c.g < 30; }},
      {180, "orange bottom", [](Rgb c) { return c.r > 150 && std::abs(c.g * 2 - c.r) < 20 && c.b < 30; }},
      {270, "grey left", [](Rgb c) { return c.r > 60 && c.r == c.g && c.g == c.b; }},
  };
  for (const Face& face : faces) {
    y = face.angle;
    scene.render();
    const Rgb c = testsupport::ReadPixel(413, 360);
    EXPECT_TRUE(face.is(c)) << face.name << " " << Show(c);
  }
}

TEST_F(SceneTest, FramesAllocateNothing) {
  Scene& scene = TheScene();
  scene.render();  // the first lookup of each name fills the cache
  const std::size_t before = testsupport::AllocationCount();
  for (int k = 0; k < 100; ++k) scene.render();
  EXPECT_EQ(testsupport::AllocationCount() - before, 0u);
}

TEST_F(SceneTest, CameraOperationsComposeSendAndReport) {
  Scene& scene = TheScene();
  scene.render();
  const std::vector<float> start = Elements(viewm);

  testing::internal::CaptureStdout();
  scene.rotateView(90, 0, 0, 1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(Uniform("modelview_matrix"), Elements(viewm));
  EXPECT_NE(Elements(viewm), start);

  testing::internal::CaptureStdout();
  scene.changeView(0.5f, -2, 3);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "_x: 0.5\n_y: -2\n_z: 3\n");
  const auto mv = Uniform("modelview_matrix");
  EXPECT_EQ(mv, Elements(viewm));
  EXPECT_EQ(mv[12], start[12] + 0.5f);

  projm.LoadIdentity();
  testing::internal::CaptureStdout();
  scene.changeProjection(45, 2, 1, 100);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Scene: _fovY: 45\nScene: _aspect: 2\nScene: _zNear: 1\nScene: _zFar: 100\n");
  ProjMatrix expected(0);
  expected.Perspective(45, 800.0f / 600.0f, 1, 100);
  EXPECT_EQ(Uniform("projection_matrix"), Elements(expected));
}

}  // namespace
