#include <unistd.h>
#include "GLFunctions.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "Light.h"
#include "ProjMatrix.h"
#include "Scene.h"
#include "VBO.h"
#include "support.h"

namespace {

using Floats = std::vector<float>;

Floats Uniform(const char* name) {
  const GLuint program = testsupport::Get(GL_CURRENT_PROGRAM);
  Floats m(16, -99.0f);
  glGetUniformfv(program, glGetUniformLocation(program, name), m.data());
  return m;
}
void ExpectNear(const Floats& got, const Floats& want) {
  for (std::size_t k = 0; k < want.size(); ++k)
    EXPECT_NEAR(got[k], want[k], 1e-6 * std::abs(want[k])) << "element " << k;
}
Floats Modelview(int degrees) {  // after a translation by (1, 0, 0)
  const double rad = degrees * 3.141592653589793 / 180.0;
  const float c = static_cast<float>(std::cos(rad)), s = static_cast<float>(std::sin(rad));
  return {c, s, 0, 0, -s, c, 0, 0, 0, 0, 1, 0, 1, 0, 0, 1};
}
// The frame's 175-degree perspective at the aspect 800 / 600, near 0.1, far 10.
const Floats kProjection = {
    0.0327457227f, 0, 0, 0, 0, 0.0436609648f, 0, 0, 0, 0, -1.02020204f, -1, 0, 0, -0.202020213f, 0};

class SceneTest : public testsupport::GLTest {
 protected:
  void SetUp() override {
    GLTest::SetUp();
    ASSERT_TRUE(chdir(TREVALIN_BUILD_DIR) == 0 && scene.init());  // the bundle's relative path
    scene.setScreen(800, 600);
  }
  Scene scene;
};

// Frame n turns by (n - 1) mod 360, past the counter's largest value too.
TEST_F(SceneTest, FramesTurnTheCubeAndSendTheirMatricesWithoutAllocating) {
  i = 1.0f;
  const std::tuple<int, int, int> runs[] = {{0, 1, 0},         {0, 2, 1},        {0, 91, 90},
                                            {0, 361, 0},       {0, 721, 0},      {359, 1, 359},
                                            {INT_MAX, 1, 127}, {INT_MAX, 2, 128}};
  for (auto [from, frames, angle] : runs) {
    y = from;
    for (int k = 0; k < frames; ++k) scene.render();
    ExpectNear(Uniform("modelview_matrix"), Modelview(angle));
    EXPECT_EQ(Uniform("projection_matrix"), kProjection) << from << " + " << frames;
    EXPECT_EQ(Uniform("lightDir"),
              (Floats{5.04882574f, 0, 4, 1, 0.2f, 0.2f, 0.2f, 0.2f, 1, 1, 1, 1, 1, 1, 1, 1}));
  }
  i = 0.0f;
  const std::size_t before = testsupport::AllocationCount();
  for (int k = 0; k < 100; ++k) scene.render();
  EXPECT_EQ(testsupport::AllocationCount() - before, 0u);
}

// WebGL 1 draws meshes' 32-bit indices by an extension alone.
TEST_F(SceneTest, MeshesDrawUnderTheScenesProgram) {
  Floats zeros(36);
  VBO vbo;
  vbo.SetVertices(8, zeros.data());
  vbo.SetIndices(36, zeros.data());
  vbo.DrawElements(0);
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(SceneTest, EachCameraOperationSendsTheMatrixItChangesAtOnce) {
  y = 0;
  scene.render();
  ProjMatrix changed(0);
  changed.Load(kProjection.data());
  changed.Perspective(90, 800 / 600.f, 1, 3);
  Floats moved = Modelview(90);
  moved[13] = 2;
  const std::string out = testsupport::Stdout([&] {
    scene.rotateView(90, 0, 0, 1);
    ExpectNear(Uniform("modelview_matrix"), Modelview(90));
    scene.changeView(0, 2, 0);
    ExpectNear(Uniform("modelview_matrix"), moved);
    scene.changeProjection(90, 9, 1, 3);
  });
  EXPECT_EQ(Uniform("projection_matrix"), Floats(changed.c_array(), changed.c_array() + 16));
  EXPECT_EQ(out,
            "_x: 0\n_y: 2\n_z: 0\nScene: _fovY: 90\nScene: _aspect: 9\nScene: _zNear: 1\nScene: "
            "_zFar: 3\n");
}

TEST_F(SceneTest, EachFaceShowsItsColour) {
  // Up from the centre: a side face; (413, 300): the back face at any turn; the corners: the
  // clear colour. Each channel in halves of the brightest, so that the shading does not count.
  scene.onResize(800, 600);
  std::string hues;
  for (int turn = 0; turn < 4; ++turn) {
    y = 90 * turn;
    scene.render();
    for (auto [px, py] : {std::pair{413, 360}, {413, 300}, {2, 2}, {597, 597}}) {
      unsigned char p[4] = {};  // RGBA: the one format WebGL reads back everywhere
      glReadPixels(px, py, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
      for (int c = 0; c < 3; ++c)
        hues += char('0' + std::lround(2.0 * p[c] / std::max({p[0], p[1], p[2], uint8_t(1)})));
      hues += ' ';
    }
  }
  EXPECT_EQ(hues, "020 220 121 121 202 220 121 121 210 220 121 121 222 220 121 121 ");
  light.Position(1, 2, 3, 4);
  EXPECT_EQ(Floats(light.Position(), light.Position() + 4), (Floats{1, 2, 3, 4}));
}

}  // namespace
