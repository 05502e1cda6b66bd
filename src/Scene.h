#pragma once

// The one rendered world. The class carries no data: the scene's state lives
// in the globals of its translation unit.
class Scene {
 public:
  Scene();
  virtual ~Scene();

  void prepare();
  bool init();
  void setScreen(int width, int height);
  void shutdown();

  void render();
  void drawCube();
  void onResize(int width, int height);
  void rotateView(float angle, float x, float y, float z);
  void changeView(float x, float y, float z);
  void changeProjection(float fovY, float aspect, float zNear, float zFar);
};
