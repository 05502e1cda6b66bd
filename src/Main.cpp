#include "Main.h"

#include <SDL.h>

#include <cstdio>
#include <exception>
#include <iostream>
#include <string>

#include "Controls.h"
#include "GLFunctions.h"
#include "Scene.h"
#include "System.h"

Scene scene;

int16_t x_move = 0;
int16_t y_move = 0;
// The stick's position scaled to -1..1.
float fx_move = 0.0f;
float fy_move = 0.0f;
float z_move = 6.0f;

namespace {

const char* const kCaption = "Trevalin v0.2";
constexpr int kWidth = 800;
constexpr int kHeight = 600;
constexpr float kButtonStep = 0.05f;

void error(const std::string& message) { std::cerr << message << std::endl; }

// The texture and model loaders report by exception; set-up still has to end
// through the shell's own failure line and status.
bool initScene() {
  try {
    return scene.init();
  } catch (const std::exception& e) {
    error(e.what());
    return false;
  }
}

void handleMouseButton(Uint8 mouseButtons) {
  // The button named by the event is not what counts: any press reports
  // while the left button is held.
  if (mouseButtons & SDL_BUTTON(1)) std::cout << "Main: Left MOUSE button pressed:" << std::endl;
}

void handleStick(Sint16 axis0, Sint16 axis1) {
  if (axis0 == 0 && axis1 == 0) return;
  std::cout << "Main: Joystick AXIS1 movement:" << std::endl;
  x_move = axis0;
  y_move = axis1;
  fx_move = static_cast<float>(x_move) / 32768.0f;
  fy_move = static_cast<float>(y_move) / 32768.0f;
  std::cout << fx_move << std::endl;
  std::cout << fy_move << std::endl;
}

void handleJoystickButton(Uint8 button) {
  if (button == 4) {
    std::cout << "Main: BUTTON4 was pressed:" << std::endl;
    z_move += kButtonStep;
    std::cout << z_move << std::endl;
  } else if (button == 5) {
    std::cout << "Main: BUTTON5 was pressed:" << std::endl;
    const float lowered = z_move - kButtonStep;
    if (!(lowered < 0.0f)) z_move = lowered;
    std::cout << z_move << std::endl;
  }
}

// A start that fails before the scene is up says why, with SDL's reason.
int failedStart(const char* message) {
  error(message);
  error(SDL_GetError());
  return 1;
}

// What the window is asked for; SDL takes these before it opens one.
void setWindowAttributes() {
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 5);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 5);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 5);
  SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 5);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_WM_SetCaption(kCaption, kCaption);
}

}  // namespace

void dispatch(const SDL_Event& event, Controls& controls, Trevalin& app, SDL_Joystick* joystick) {
  switch (event.type) {
    case SDL_QUIT:
      controls.done = true;
      break;
    case SDL_VIDEORESIZE:
      app.resize(event.resize.w, event.resize.h);
      break;
    case SDL_KEYDOWN:
      controls.Press(event.key.keysym.sym);
      break;
    case SDL_MOUSEBUTTONDOWN:
      handleMouseButton(SDL_GetMouseState(nullptr, nullptr));
      break;
    case SDL_JOYAXISMOTION:
      // The stick is read through the handle, so any axis's motion stores axes 0 and 1.
      handleStick(SDL_JoystickGetAxis(joystick, 0), SDL_JoystickGetAxis(joystick, 1));
      break;
    case SDL_JOYBUTTONDOWN:
    case SDL_JOYBUTTONUP:
      handleJoystickButton(event.jbutton.button);
      break;
    default:
      break;
  }
}

SDL_Joystick* initJoystick() {
  SDL_InitSubSystem(SDL_INIT_JOYSTICK);
  if (SDL_NumJoysticks() < 1) return nullptr;
  SDL_Joystick* joystick = SDL_JoystickOpen(0);
  if (!joystick) {
    std::puts("Main: Couldn't open Joystick 0");
    std::fflush(stdout);
    return nullptr;
  }
  std::puts("Main: Opened Joystick 0");
  std::printf("Main: Name: %s\n", SDL_JoystickName(0));
  std::printf("Main: Number of Axes: %d\n", SDL_JoystickNumAxes(joystick));
  std::printf("Main: Number of Buttons: %d\n", SDL_JoystickNumButtons(joystick));
  std::printf("Main: Number of Balls: %d\n", SDL_JoystickNumBalls(joystick));
  std::fflush(stdout);
  return joystick;
}

bool Trevalin::initialize() {
  scene.prepare();
  if (initScene()) {
    scene.setScreen(kWidth, kHeight);
    std::cout << "____ Main: Init OK" << std::endl;
    return true;
  }
  error("Main: Error: Init failed!");
  return false;
}

void Trevalin::render() { scene.render(); }

void Trevalin::resize(int width, int height) { scene.onResize(width, height); }

int SDL_main(int, char**) {
  Trevalin app;
  Controls controls;
  SDL_Event event;

  if (SDL_Init(SDL_INIT_VIDEO) != 0) return failedStart("Main: Could not initialize SDL");
  setWindowAttributes();
  // Nothing is shut down on this path: the process ends at once.
  if (!SDL_SetVideoMode(kWidth, kHeight, 0, SDL_OPENGL | SDL_RESIZABLE))
    return failedStart("Main: Could not create the window");
  // Functions newer than OpenGL 1.1 exist only once a context does.
  if (const char* missing = glfunctions::Load()) {
    error(std::string("Main: OpenGL 2.0 function missing: ") + missing);
    SDL_Quit();
    return 1;
  }
  if (!app.initialize()) {
    SDL_Quit();
    return 1;
  }
  std::cout << "____ Main: Init OK!" << std::endl;
  SDL_Joystick* joystick = initJoystick();

  while (!controls.done) {
    // Every pending event is handled, even those after a quit.
    while (SDL_PollEvent(&event)) {
      SDL_JoystickUpdate();
      dispatch(event, controls, app, joystick);
    }
    app.render();
    controls.Step();
    SDL_GL_SwapBuffers();
    os::AwaitNextFrame();
  }

  if (SDL_JoystickOpened(0)) SDL_JoystickClose(joystick);
  SDL_Quit();
  return 0;
}
