#pragma once

class Light;

// The one rendered world. The class carries no data: the scene's state lives
// in the globals of its translation unit. It owns the shader program behind
// `basicshader`, so it is not copied.
class Scene {
 public:
  Scene();
  virtual ~Scene();
  Scene(const Scene&) = delete;
  Scene& operator=(const Scene&) = delete;

  // The texture, relative to the working directory: the folder that holds the bundle.
  static constexpr const char* kTexturePath = "Quenlith.app/Contents/Resources/texture1.png";

  void prepare();
  bool init();
  void setScreen(int width, int height);
  void shutdown();

  void render();
  void drawCube();
  void onResize(int width, int height);
  void rotateView(float angle, float axisX, float axisY, float axisZ);
  void changeView(float dx, float dy, float dz);
  void changeProjection(float fovY, float aspect, float zNear, float zFar);
};

// What the frame reads of the scene's state, which Scene.cpp holds.
extern float i;  // light phase
extern int y;    // frame counter
extern Light light;
