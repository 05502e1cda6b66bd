#include "Scene.h"

#include <climits>
#include <cmath>
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>

#include "GLFunctions.h"
#include "Light.h"
#include "Matrix.h"
#include "Mesh.h"
#include "Paths.h"
#include "ProjMatrix.h"
#include "Shaderprogram.h"
#include "System.h"
#include "Texture.h"
#include "VertexLayout.h"
#include "ViewMatrix.h"

// Constant-initialised, so they hold their values before the shell's global
// scene is constructed.
float i = 0.0f;
int y = 0;
// The screen size fixed by setScreen: the projection's aspect ratio.
int WINDOW_WIDTH = 0;
int WINDOW_HEIGHT = 0;
Shaderprogram* basicshader = nullptr;

ViewMatrix viewm(4);
Matrix norm(5);
ProjMatrix projm(2);
Light light;
// Never loaded; they own nothing, so their destruction after SDL has shut
// down makes no GL call.
Texture tex1;
Mesh model1;

namespace {

// The counter restarts where the angle sequence carries on instead of
// overflowing: INT_MAX % 360 is 127, and the next frame turns by 128.
int nextFrame(int frame) {
  constexpr int kAfterMax = static_cast<int>((static_cast<long long>(INT_MAX) + 1) % 360);
  return frame == INT_MAX ? kAfterMax : frame + 1;
}

// A data file at its place fixed at build time, or, where that folder does
// not exist (a program moved to another machine), the copy the build stages
// beside the program. The place is chosen once, so that one run never mixes
// files of the two.
std::string dataFile(const char* fixed, const char* name) {
  static const bool atFixedPlace = [] {
    std::error_code error;
    return std::filesystem::is_directory(TREVALIN_DATA_DIR, error);
  }();
  if (atFixedPlace) return fixed;
  const std::filesystem::path folder = os::ProgramFolder();
  return folder.empty() ? name : (folder / name).generic_string();
}

float screenAspect() {
  return static_cast<float>(WINDOW_WIDTH) / static_cast<float>(WINDOW_HEIGHT);
}

}  // namespace

Scene::Scene() {
  const std::string vertex = dataFile(TREVALIN_VERTEX_SHADER, "shader/basic.vert");
  const std::string fragment = dataFile(TREVALIN_FRAGMENT_SHADER, "shader/basic.frag");
  std::cout << "____ Scene: Load vertex shader: " << vertex << std::endl;
  std::cout << "____ Scene: Load fragment shader: " << fragment << std::endl;
  basicshader = new Shaderprogram(vertex, fragment);
}

Scene::~Scene() {
  delete basicshader;
  basicshader = nullptr;  // the global outlives the scene
}

void Scene::prepare() { std::cout << "____ Scene: Scene prepare" << std::endl; }

bool Scene::init() {
  std::cout << "____ Scene: Scene init" << std::endl;
  if (!basicshader->initialize()) {
    std::cout << "Scene: Could not initialize the shaders" << std::endl;
    return false;
  }
  glEnable(GL_DEPTH_TEST);
  glClearColor(0.3f, 0.9f, 0.5f, 0.0f);

  light.CAttenuation(0.5f);
  light.LAttenuation(0.02f);
  light.QAttenuation(0.0f);

  basicshader->bindAttrib(layout::kSceneVertex.slot, layout::kSceneVertex.name);
  basicshader->bindAttrib(layout::kSceneColor.slot, layout::kSceneColor.name);
  // The slots take effect only at the next link.
  basicshader->linkProgram();
  basicshader->bindShader();

  // The assets are loaded, uploaded and released again on the way out.
  std::cout << "Scene: load textures" << std::endl;
  Texture texture(kTexturePath, 0);
  std::cout << "Scene: load models" << std::endl;
  Mesh model(dataFile(TREVALIN_MODEL, "models/cat.ply"));
  return true;
}

void Scene::setScreen(int width, int height) {
  WINDOW_WIDTH = width;
  WINDOW_HEIGHT = height;
}

void Scene::shutdown() {}

void Scene::render() {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  projm.LoadIdentity();
  viewm.LoadIdentity();
  viewm.Translate(1.0f, 0.0f, 0.0f);

  const int angle = y % 360;
  y = nextFrame(y);
  viewm.Rotate(static_cast<float>(angle), 0.0f, 0.0f, 1.0f);

  light.Position(6.0f * std::sin(i), 0.0f, 4.0f, 1.0f);
  projm.Perspective(175.0f, screenAspect(), 0.1f, 10.0f);

  basicshader->sendUniform("modelview_matrix", viewm.c_array(), false);
  basicshader->sendUniform("projection_matrix", projm.c_array(), false);
  // 16 floats from the position on: position, ambient, diffuse, specular.
  basicshader->sendUniform("lightDir", light.Position(), false);

  drawCube();
}

void Scene::drawCube() {
  glBegin(GL_QUADS);
  // top
  glColor3f(0.0f, 1.0f, 0.0f);
  glVertex3f(1.0f, 1.0f, -1.0f);
  glVertex3f(-1.0f, 1.0f, -1.0f);
  glVertex3f(-1.0f, 1.0f, 1.0f);
  glVertex3f(1.0f, 1.0f, 1.0f);
  // bottom
  glColor3f(1.0f, 0.5f, 0.0f);
  glVertex3f(1.0f, -1.0f, 1.0f);
  glVertex3f(-1.0f, -1.0f, 1.0f);
  glVertex3f(-1.0f, -1.0f, -1.0f);
  glVertex3f(1.0f, -1.0f, -1.0f);
  // front
  glColor3f(1.0f, 0.0f, 0.0f);
  glVertex3f(1.0f, 1.0f, 1.0f);
  glVertex3f(-1.0f, 1.0f, 1.0f);
  glVertex3f(-1.0f, -1.0f, 1.0f);
  glVertex3f(1.0f, -1.0f, 1.0f);
  // back
  glColor3f(1.0f, 1.0f, 0.0f);
  glVertex3f(1.0f, -1.0f, -1.0f);
  glVertex3f(-1.0f, -1.0f, -1.0f);
  glVertex3f(-1.0f, 1.0f, -1.0f);
  glVertex3f(1.0f, 1.0f, -1.0f);
  // left
  glColor3f(0.5f, 0.5f, 0.5f);
  glVertex3f(-1.0f, 1.0f, 1.0f);
  glVertex3f(-1.0f, 1.0f, -1.0f);
  glVertex3f(-1.0f, -1.0f, -1.0f);
  glVertex3f(-1.0f, -1.0f, 1.0f);
  // right
  glColor3f(1.0f, 0.0f, 1.0f);
  glVertex3f(1.0f, 1.0f, -1.0f);
  glVertex3f(1.0f, 1.0f, 1.0f);
  glVertex3f(1.0f, -1.0f, 1.0f);
  glVertex3f(1.0f, -1.0f, -1.0f);
  glEnd();
}

// The projection keeps the aspect ratio stored by setScreen.
void Scene::onResize(int width, int height) {
  glViewport(0, 0, width, height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

void Scene::rotateView(float angle, float axisX, float axisY, float axisZ) {
  viewm.Rotate(angle, axisX, axisY, axisZ);
  basicshader->sendUniform("modelview_matrix", viewm.c_array(), false);
}

void Scene::changeView(float dx, float dy, float dz) {
  viewm.Translate(dx, dy, dz);
  basicshader->sendUniform("modelview_matrix", viewm.c_array(), false);
  std::cout << "_x: " << dx << std::endl;
  std::cout << "_y: " << dy << std::endl;
  std::cout << "_z: " << dz << std::endl;
}

// The aspect argument is reported but the stored screen's ratio is used.
void Scene::changeProjection(float fovY, float aspect, float zNear, float zFar) {
  projm.Perspective(fovY, screenAspect(), zNear, zFar);
  basicshader->sendUniform("projection_matrix", projm.c_array(), false);
  std::cout << "Scene: _fovY: " << fovY << std::endl;
  std::cout << "Scene: _aspect: " << aspect << std::endl;
  std::cout << "Scene: _zNear: " << zNear << std::endl;
  std::cout << "Scene: _zFar: " << zFar << std::endl;
}
