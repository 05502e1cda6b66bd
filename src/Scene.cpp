#include "Scene.h"

#include <GL/gl.h>
#include <iostream>

#include "Paths.h"

int WINDOW_WIDTH = 0;
int WINDOW_HEIGHT = 0;

Scene::Scene() {
  std::cout << "____ Scene: Load vertex shader: " << TREVALIN_VERTEX_SHADER << std::endl;
  std::cout << "____ Scene: Load fragment shader: " << TREVALIN_FRAGMENT_SHADER << std::endl;
}

Scene::~Scene() = default;

void Scene::prepare() { std::cout << "____ Scene: Scene prepare" << std::endl; }

bool Scene::init() {
  std::cout << "____ Scene: Scene init" << std::endl;
  glEnable(GL_DEPTH_TEST);
  glClearColor(0.3f, 0.9f, 0.5f, 0.0f);
  return true;
}

void Scene::setScreen(int width, int height) {
  WINDOW_WIDTH = width;
  WINDOW_HEIGHT = height;
}

void Scene::shutdown() {}

void Scene::render() { glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT); }

void Scene::drawCube() {}

void Scene::onResize(int width, int height) {
  glViewport(0, 0, width, height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

void Scene::rotateView(float, float, float, float) {}
void Scene::changeView(float, float, float) {}
void Scene::changeProjection(float, float, float, float) {}
